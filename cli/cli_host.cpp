#include "cli/cli_host.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "base/host_files.h"
#include "base/text_format.h"

namespace zet::cli {
namespace {

volatile sig_atomic_t g_interrupt = 0;
volatile sig_atomic_t g_everInterrupted = 0;


}  // namespace

void NoteInterrupt() {
  g_interrupt = 1;
  g_everInterrupted = 1;
}

MsgAnswer TerminalPrompts::Message(const std::string& text, const std::string& caption,
                                   MsgButtons buttons, MsgIcon) {
  lastMessage = text;
  std::FILE* out = toStdout && toStdout(text) ? stdout : stderr;
  std::string body = text;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\t')) body.pop_back();
  std::fprintf(out, "%s: %s\n", caption.c_str(), body.c_str());
  std::fflush(out);
  switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    case MsgButtons::RetryCancel:
      if (retriesUsed_ < retries && !Interrupted()) {
        ++retriesUsed_;
        std::fprintf(stderr, "zet-cli: retry %d of %d\n", retriesUsed_, retries);
        return MsgAnswer::Retry;
      }
      return MsgAnswer::Cancel;
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::Ok: break;
  }
  return MsgAnswer::Ok;
}

TerminalProgress::TerminalProgress(Clock& clock) : clock_(clock), tty_(::isatty(2) == 1) {}

bool TerminalProgress::Open() {
  open_ = true;
  title_ = kProgressDefaultTitle;
  status_.clear();
  lower_ = 0;
  upper_ = 100;
  pos_ = 0;
  startMs_ = clock_.MonotonicMs();
  return true;
}

void TerminalProgress::SetTitle(const std::string& title) { title_ = title; }

void TerminalProgress::SetBarRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
}

void TerminalProgress::SetBarPos(int pos) {
  pos_ = pos;
  Draw();
}

void TerminalProgress::SetStatusText(const std::string& text) {
  status_ = text;
  Draw();
}

bool TerminalProgress::IsCancelled() { return TakeInterrupt(); }

void TerminalProgress::Close() {
  if (open_ && tty_) std::fputs("\r\033[K", stderr);
  open_ = false;
}

void TerminalProgress::Draw() {
  if (!open_ || !tty_) return;
  std::string line = title_ + ": " + status_;
  std::string pct = ProgressPercentText(lower_, upper_, pos_);
  if (!pct.empty()) line += "  " + pct;
  // Time left from the pace so far.
  const long long done = static_cast<long long>(pos_) - lower_;
  const long long total = static_cast<long long>(upper_) - lower_;
  const std::int64_t elapsed = clock_.MonotonicMs() - startMs_;
  if (done > 0 && total > done && elapsed > 1000) {
    long long left = elapsed * (total - done) / done / 1000;
    line += CFormat("  осталось %lld:%02lld", left / 60, left % 60);
  }
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
}

bool Interrupted() { return g_interrupt != 0; }

bool EverInterrupted() { return g_everInterrupted != 0; }

const volatile sig_atomic_t* InterruptFlag() { return &g_interrupt; }

bool TakeInterrupt() {
  bool was = g_interrupt != 0;
  g_interrupt = 0;
  return was;
}

bool SleepInterruptibly(Clock& clock, int ms) {
  const std::int64_t end = clock.MonotonicMs() + ms;
  while (!Interrupted()) {
    std::int64_t left = end - clock.MonotonicMs();
    if (left <= 0) return true;
    clock.SleepMs(static_cast<int>(std::min<std::int64_t>(left, 100)));
  }
  return false;
}

InstrumentSession::InstrumentSession(const Args& args) {
  device.SetInterruptFlag(InterruptFlag());
  // Parsed before the port is touched: a wrong option costs nothing.
  if (auto port = args.Option("port")) {
    if (port->empty()) throw UsageError("--port needs a name");
    settings.m_strPortName = *port;
  } else {
    settings.GetPortName();
  }
  settings.GetBaudRate();
  settings.GetSignals();
  if (auto sig = args.Option("signals")) {
    std::string hex = *sig;
    if (hex.rfind("0x", 0) == 0 || hex.rfind("0X", 0) == 0) hex = hex.substr(2);
    char* end = nullptr;
    const unsigned long v = hex.empty() || hex.size() > 8 ? 0 : std::strtoul(hex.c_str(), &end, 16);
    if (hex.empty() || hex.size() > 8 || !end || *end != '\0' || hex[0] == '-' || hex[0] == '+')
      throw UsageError("--signals must be up to 8 hexadecimal digits, e.g. 01000100");
    settings.m_dwSignals = static_cast<std::uint32_t>(v);
  }
  if (auto trace = args.Option("trace")) {
    if (trace->empty()) throw UsageError("--trace needs a file name");
    traceFile = *trace == "-" ? stderr : OpenStdioFile(*trace, "w");
    if (!traceFile) throw std::runtime_error(*trace + ": " + std::strerror(errno));
    tracer = std::make_unique<TracingSerialDevice>(device, traceFile);
  }
  SerialDevice& line = tracer ? static_cast<SerialDevice&>(*tracer) : device;
  channel = std::make_unique<SerialChannel>(line, settings, clock, prompts);
}

InstrumentSession::~InstrumentSession() {
  channel.reset();
  tracer.reset();
  if (traceFile && traceFile != stderr) std::fclose(traceFile);
}

std::vector<std::string> WithPortOptions(std::vector<std::string> own) {
  own.insert(own.end(), kPortOptions.begin(), kPortOptions.end());
  return own;
}

int ParseRange(const std::string& t) {
  if (t == "auto") return -1;
  if (t == "100") return 0;
  if (t == "10") return 1;
  if (t == "1") return 2;
  if (t == "0.1") return 3;
  throw UsageError("--range must be auto, 100, 10, 1 or 0.1");
}

int ParseChannels(const std::string& t) {
  if (t == "1") return 0;
  if (t == "2") return 1;
  throw UsageError("--channels must be 1 or 2");
}

}  // namespace zet::cli
