#pragma once
// zet-cli's side of the host interfaces: messages on the terminal, a
// progress line on stderr, Ctrl-C as "Прервать", and the serial session on
// the stored (or given) port.
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "base/host.h"
#include "base/settings.h"
#include "base/qt/qt_settings_store.h"
#include "cli/cli.h"
#include "link/system_serial_device.h"
#include "link/serial_channel.h"
#include "link/tracing_serial_device.h"

namespace zet::cli {

// Messages go to stderr, or to stdout when toStdout says so; either way as
// "caption: text", since the caption may carry news of its own (the
// recorder's number). The command line is the confirmation, so Yes/No answers Yes; Retry is
// answered up to `retries` times, then Cancel.
class TerminalPrompts : public Prompts {
 public:
  MsgAnswer Message(const std::string& text, const std::string& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  void Beep() override {}

  int retries = 0;
  std::function<bool(const std::string&)> toStdout;
  std::string lastMessage;

 private:
  int retriesUsed_ = 0;
};

// One line on stderr, rewritten in place, only when stderr is a terminal.
// Ctrl-C (SIGINT) counts as pressing "Прервать".
class TerminalProgress : public Progress {
 public:
  explicit TerminalProgress(Clock& clock);
  bool Open() override;
  void SetTitle(const std::string& title) override;
  void SetBarRange(int lower, int upper) override;
  void SetBarPos(int pos) override;
  void SetStatusText(const std::string& text) override;
  bool IsCancelled() override;
  void Close() override;

 private:
  void Draw();
  Clock& clock_;
  bool tty_;
  bool open_ = false;
  std::string title_, status_;
  int lower_ = 0, upper_ = 100, pos_ = 0;
  std::int64_t startMs_ = 0;
};

// Ctrl-C / SIGTERM (on Windows Ctrl+C and Ctrl+Break) set a flag instead of
// killing the process, so a transfer ends cleanly and the port is closed.
// One twin per platform: interrupts_posix.cpp, interrupts_win.cpp.
void CatchInterrupts();
void NoteInterrupt();  // what the handler does; safe inside a signal handler
bool Interrupted();       // reads without clearing
bool TakeInterrupt();     // reads and clears
bool EverInterrupted();   // any interrupt since CatchInterrupts, taken or not
const volatile sig_atomic_t* InterruptFlag();  // for waits that end on an interrupt
// Sleeps up to ms, returning early (false) on an interrupt.
bool SleepInterruptibly(Clock& clock, int ms);

// Everything an instrument command needs, with the port settings the desktop
// program stored: port name and line levels. --port NAME and --signals HEX
// override them for this run only; --trace FILE writes down every port
// operation.
struct InstrumentSession {
  explicit InstrumentSession(const Args& args);
  ~InstrumentSession();
  QtSettingsStore store;
  AppSettings settings{store};
  SystemSerialDevice device;
  std::FILE* traceFile = nullptr;
  std::unique_ptr<TracingSerialDevice> tracer;
  SystemClock clock;
  TerminalPrompts prompts;
  std::unique_ptr<SerialChannel> channel;  // on the traced device when tracing
};

// The options every instrument command takes, and their help text.
inline const std::vector<std::string> kPortOptions = {"port", "signals", "trace"};
inline constexpr const char* kPortHelp =
    "  --port NAME     serial port: COM1: .. COM6: or a device path such as\n"
    "                  /dev/ttyUSB0 or a simulator's /dev/pts/N (default: the\n"
    "                  port stored in the settings, COM2: at first)\n"
    "  --signals HEX   RTS/DTR levels as the port dialog stores them, one byte\n"
    "                  each for RTS and DTR while sending, then RTS and DTR\n"
    "                  while receiving, lowest byte first; a byte other than 0\n"
    "                  sets the line (default: the stored value, 0 at first;\n"
    "                  01000100 sets DTR in both directions)\n"
    "  --trace FILE    write every port operation to FILE: line levels,\n"
    "                  purges, bytes sent and bytes read\n";

// Joins an instrument command's own options with kPortOptions.
std::vector<std::string> WithPortOptions(std::vector<std::string> own);

// "auto" -> -1, "100" -> 0, "10" -> 1, "1" -> 2, "0.1" -> 3; throws UsageError.
int ParseRange(const std::string& text);
int ParseChannels(const std::string& text);  // "1" -> 0, "2" -> 1

}  // namespace zet::cli
