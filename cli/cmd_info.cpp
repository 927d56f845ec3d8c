// zet-cli info: what a .zet file holds, for a person or as JSON.
#include <cmath>
#include <cstdio>
#include <string>

#include "base/text_format.h"
#include "cli/cli.h"
#include "cli/json.h"
#include "recording/zet_file.h"

namespace zet::cli {
namespace {

std::string Int(long long v) { return std::to_string(v); }

void PrintJson(const Recording& r) {
  const RecordingHeader& h = r.header;
  std::string s = "{";
  s += "\"device\":" + Int(h.nDevice);
  s += ",\"date_known\":" + std::string(h.bDateKnown ? "true" : "false");
  s += ",\"year\":" + Int(h.nYear);
  s += ",\"month\":" + Int(h.nMonth);
  s += ",\"day\":" + Int(h.nDay);
  s += ",\"hour\":" + Int(h.nHour);
  s += ",\"minute\":" + Int(h.nMinute);
  s += ",\"period\":" + JsonNumber(h.dPeriod);
  s += ",\"fixed_range\":" + std::string(h.bFixedRange ? "true" : "false");
  s += ",\"range\":" + JsonNumber(h.dRange);
  s += ",\"max_range\":" + JsonNumber(h.dMaxRange);
  s += ",\"channels\":" + Int(h.nChannels);
  s += ",\"shunt_resistance\":" + JsonNumber(r.shuntResistance);
  s += ",\"channel1\":" + Int(Count(r.channel1));
  s += ",\"channel2\":" + Int(Count(r.channel2));
  s += ",\"supply\":" + Int(Count(r.supply));
  s += ",\"comment\":" + JsonString(r.comment);
  s += "}\n";
  std::fputs(s.c_str(), stdout);
}

// For a person: six significant digits, so 0.0003 reads "0.0003" and the
// single-precision 0.1 V range reads "0.1" (the JSON form is exact).
std::string Number(double v) { return std::isfinite(v) ? CFormat("%g", v) : "?"; }

void PrintText(const std::string& path, const Recording& r) {
  const RecordingHeader& h = r.header;
  std::string s;
  s += "File:              " + Visible(path) + "\n";
  s += "Recorder:          " + Int(h.nDevice) + (h.nDevice == 0 ? " (no recording)" : "") + "\n";
  if (h.bDateKnown) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d", h.nDay, h.nMonth, h.nYear, h.nHour, h.nMinute);
    s += std::string("Start:             ") + buf + "\n";
  } else {
    s += "Start:             unknown (times are shown as elapsed time)\n";
  }
  s += "Period:            " + Number(h.dPeriod) + " s" +
       (IsFastSampling(h.dPeriod) ? " (continuous sampling)" : "") + "\n";
  s += "Range:             " + std::string(h.bFixedRange ? "fixed " : "automatic, programmed ") +
       Number(h.dRange) + " V\n";
  s += "Largest range:     " + Number(h.dMaxRange) + " V\n";
  s += "Channels:          " + Int(h.nChannels) + "\n";
  s += "Shunt resistance:  " + (r.shuntResistance == 0 ? std::string("not set") : Number(r.shuntResistance) + " Ohm") +
       "\n";
  s += "Samples:           channel 1 " + Int(Count(r.channel1)) + ", channel 2 " + Int(Count(r.channel2)) +
       ", supply " + Int(Count(r.supply)) + "\n";
  s += "Comment:\n" + Visible(r.comment) + "\n";
  std::fputs(s.c_str(), stdout);
}

int Run(const Args& args) {
  args.CheckKnown({"json"});
  if (args.Positional().size() != 1) throw UsageError("expected one file name");
  const std::string& path = args.Positional()[0];
  ZetReadResult r = ReadZetFile(path);
  if (r.status != ZetStatus::Ok) {
    std::fprintf(stderr, "zet-cli info: %s: %s\n", path.c_str(), r.message.c_str());
    return kExitFile;
  }
  if (args.Flag("json"))
    PrintJson(r.recording);
  else
    PrintText(path, r.recording);
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"info", "show the header, sample counts and comment of a .zet file",
     "Usage: zet-cli info [--json] FILE.zet\n"
     "Prints what a recording file holds: recorder number, start date and time,\n"
     "sampling period, range settings, channel count, shunt resistance, the\n"
     "number of samples of channel 1, channel 2 and the supply voltage, and the\n"
     "comment, with control characters shown as ^X (as cat -v shows them).\n\n"
     "Options:\n"
     "  --json          print one JSON object instead, with the keys device,\n"
     "                  date_known, year, month, day, hour, minute, period (s),\n"
     "                  fixed_range, range (V), max_range (V), channels,\n"
     "                  shunt_resistance (Ohm, 0 = not set), channel1, channel2,\n"
     "                  supply (sample counts) and comment (UTF-8 text);\n"
     "                  numbers that are not finite are null\n"
     "\nExit codes: 0 success; 2 wrong usage; 3 the file cannot be read, is not\n"
     "a recording file or is damaged (the reason goes to stderr).\n",
     {"json"},
     Run});

}  // namespace
}  // namespace zet::cli
