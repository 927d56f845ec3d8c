// zet-cli download: the recorder's memory into one .zet file per run.
#include <filesystem>
#include <system_error>

#include "base/host_files.h"
#include "base/system_error.h"
#include "base/text_format.h"
#include "cli/cli_host.h"
#include "link/download.h"
#include "recording/zet_file.h"

namespace zet::cli {
namespace {

// Claims a name that no file has yet, so nothing existing is ever replaced
// (also not one created meanwhile by someone else). Empty when none is free.
std::string ClaimFreeName(const std::string& dir, const std::string& title) {
  for (int k = 1; k < 10000; ++k) {
    std::string path = dir + "/" + title + (k == 1 ? "" : " (" + std::to_string(k) + ")") + ".zet";
    switch (CreateNewFile(path, nullptr)) {
      case NewFile::Created: return path;
      case NewFile::Exists: continue;
      case NewFile::Failed: return {};
    }
  }
  return {};
}

// Why the transfer stopped short, for stderr; empty when it did not.
std::string EarlyEnd(const DownloadResult& r, int giveUpSeconds) {
  const std::string amount =
      CFormat("%zu of %zu bytes arrived", r.received, r.expected);
  if (EverInterrupted()) return "interrupted; " + amount;
  switch (r.ending) {
    case TransferEnd::Complete: return {};
    case TransferEnd::Cancelled: return "cancelled; " + amount;
    case TransferEnd::PortLost: return "the port hung up; " + amount;
    case TransferEnd::GaveUp:
      return CFormat("nothing came from the recorder for %d s; ", giveUpSeconds) + amount;
    case TransferEnd::Spoilt:
      return CFormat("no block arrived unspoilt for %d s; ", giveUpSeconds) + amount;
  }
  return {};
}

int Run(const Args& args) {
  args.CheckKnown(WithPortOptions({"out-dir", "raw", "give-up"}));
  std::string dir = args.Option("out-dir").value_or(".");
  if (dir.empty()) dir = ".";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  const int giveUp = args.IntOption("give-up", 60, 0, 24 * 3600);
  // Checked before the transfer: a download that cannot be kept is wasted time.
  std::error_code ec;
  std::filesystem::create_directories(PathFromUtf8(dir), ec);
  if (!IsWritableDirectory(dir)) {
    std::fprintf(stderr, "zet-cli download: %s is not a writable directory%s%s\n", dir.c_str(),
                 ec ? ": " : "", ec ? ec.message().c_str() : "");
    return kExitFile;
  }
  DownloadOptions options;
  options.giveUpMs = giveUp * 1000;
  if (auto raw = args.Option("raw")) {
    if (raw->empty()) throw UsageError("--raw needs a file name");
    options.rawDataPath = *raw;
  }
  InstrumentSession s(args);
  TerminalProgress progress(s.clock);
  CatchInterrupts();
  DownloadResult r = DownloadMemory(*s.channel, progress, RecordingHeader{}, options);
  // A download that stopped short is no success, even with runs written:
  // a script must be able to tell. Ctrl-C gives 130 as for any command.
  const std::string early = EarlyEnd(r, giveUp);
  const int earlyCode = EverInterrupted() ? kExitInterrupted : kExitInstrument;
  if (!early.empty()) std::fprintf(stderr, "zet-cli download: stopped early: %s\n", early.c_str());
  switch (r.status) {
    case DownloadResult::Status::PortFailed:
      std::fprintf(stderr, "zet-cli download: %s: %s\n", s.settings.m_strPortName.c_str(),
                   SystemErrorText(s.device.LastError()).c_str());
      return kExitFile;
    case DownloadResult::Status::BadPreamble:
    case DownloadResult::Status::TransferFailed: return early.empty() ? kExitInstrument : earlyCode;
    case DownloadResult::Status::NothingReceived:
      if (!early.empty()) return earlyCode;
      std::fprintf(stderr, "zet-cli download: no data received\n");
      return kExitInstrument;
    case DownloadResult::Status::OutOfMemory:
    case DownloadResult::Status::RawFileError: return kExitFile;
    case DownloadResult::Status::Decoded: break;
  }
  int status = kExitOk;
  for (const Recording& rec : r.image.runs) {
    const std::string preferred = dir + "/" + rec.title + ".zet";
    std::string path = ClaimFreeName(dir, rec.title);
    if (path.empty()) {
      std::fprintf(stderr, "zet-cli download: no free file name for %s in %s\n", rec.title.c_str(),
                   dir.c_str());
      status = kExitFile;
      continue;
    }
    if (path != preferred)
      std::fprintf(stderr, "zet-cli download: %s exists, writing %s\n", preferred.c_str(), path.c_str());
    std::string error = WriteZetFile(path, rec);
    if (!error.empty()) {
      ::unlink(path.c_str());
      std::fprintf(stderr, "zet-cli download: %s: %s\n", path.c_str(), error.c_str());
      status = kExitFile;
      continue;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
  }
  if (status == kExitOk && !early.empty()) status = earlyCode;
  return status;
}

const bool registered = RegisterCommand(
    {"download", "read the recorder's memory, one .zet file per run",
     "Usage: zet-cli download [--out-dir DIR] [--raw FILE] [--give-up S]\n"
     "         [--port NAME] [--signals HEX] [--trace FILE]\n"
     "Reads the recorder's whole memory and writes every run found in it as\n"
     "DIR/<title>.zet (titles Измерения1, Измерения2, ... from the run counter\n"
     "kept in the settings). An existing file is never replaced: the run gets\n"
     "the next free name \"<title> (2).zet\" and a note says so. Each written\n"
     "path is printed on its own line. While stderr is a terminal a progress\n"
     "line shows the bytes received, the percentage and the time left.\n"
     "A transfer that stops short (Ctrl-C, the port hanging up, or no good block\n"
     "for the give-up time) still writes the runs received so far,\n"
     "says on stderr how much arrived, and exits with 130 (Ctrl-C) or 1.\n\n"
     "Options:\n"
     "  --out-dir DIR   where the .zet files go, created when missing\n"
     "                  (default: the current directory)\n"
     "  --raw FILE      also write the received memory image as it came\n"
     "  --give-up S     stop once no block has been accepted for S seconds,\n"
     "                  whether the recorder is silent or every block arrives\n"
     "                  spoilt (default 60; 0 waits until Ctrl-C)\n" +
         std::string(kPortHelp) +
         "\nExit codes: 0 done; 1 the recorder did not answer, sent a bad preamble\n"
         "or no data, or the transfer stopped short; 3 a port or file error;\n"
         "130 interrupted with Ctrl-C.\n",
     {},
     Run});

}  // namespace
}  // namespace zet::cli
