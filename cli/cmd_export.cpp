// zet-cli export: a .zet file as the desktop program's tab-separated export.
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "recording/export.h"
#include "recording/log_document.h"
#include "recording/zet_file.h"

namespace zet::cli {
namespace {

int Run(const Args& args) {
  args.CheckKnown({});
  if (args.Positional().size() != 2) throw UsageError("expected an input .zet file and an output file");
  const std::string& in = args.Positional()[0];
  const std::string& out = args.Positional()[1];
  if (out != "-" && SameFile(in, out)) throw UsageError("the output file would replace the recording itself");
  ZetReadResult r = ReadZetFile(in);
  if (r.status != ZetStatus::Ok) {
    std::fprintf(stderr, "zet-cli export: %s: %s\n", in.c_str(), r.message.c_str());
    return kExitFile;
  }
  LogDocument doc;
  doc.SetRecording(std::move(r.recording));
  std::string err = ExportSpreadsheet(doc, out, true);
  if (!err.empty()) {
    std::fprintf(stderr, "zet-cli export: %s\n", err.c_str());
    return kExitFile;
  }
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"export", "write a .zet file as a tab-separated spreadsheet (.xls)",
     "Usage: zet-cli export FILE.zet OUT.xls\n"
     "       zet-cli export FILE.zet -        (to standard output)\n"
     "Writes the recording the way the desktop program's \"Экспорт в формате\n"
     "Excel...\" does, byte for byte: one line per channel 1 sample with the\n"
     "time, channel 1 and (for two-channel recordings) channel 2 in volts,\n"
     "separated by tabs, with a decimal point whatever the locale. The time is\n"
     "the local date and time of the sample (set TZ to choose the time zone),\n"
     "the elapsed time when the start date is unknown, or seconds for\n"
     "continuous sampling. An existing OUT.xls is replaced only once the new\n"
     "file is complete, keeps its permissions, and is left alone when you may\n"
     "not write it; a symbolic link is followed, and a terminal, pipe or device\n"
     "is written in place. An interrupted or killed export leaves no temporary\n"
     "file behind; one that meets a file-size limit fails and leaves OUT.xls\n"
     "as it was. A recording without samples gives an empty file.\n"
     "\nExit codes: 0 success; 2 wrong usage; 3 the recording cannot be read or\n"
     "the output cannot be written (the reason goes to stderr).\n",
     {},
     Run});

}  // namespace
}  // namespace zet::cli
