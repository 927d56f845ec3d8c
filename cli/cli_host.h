#pragma once
// zet-cli's side of the host interfaces: messages on the terminal, a
// progress line on stderr, Ctrl-C as "Прервать", and the serial session on
// the stored (or given) port.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "app/ui/qt_settings_store.h"
#include "cli/cli.h"
#include "link/posix_serial_device.h"
#include "link/serial_channel.h"

namespace zet::cli {

// Messages go to stderr ("caption: text"), or to stdout when toStdout says
// so. The command line is the confirmation, so Yes/No answers Yes; Retry is
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

// Ctrl-C / SIGTERM set a flag instead of killing the process, so a transfer
// ends cleanly and the port is closed.
void CatchInterrupts();
bool Interrupted();       // reads without clearing
bool TakeInterrupt();     // reads and clears
// Sleeps up to ms, returning early (false) on an interrupt.
bool SleepInterruptibly(Clock& clock, int ms);

// Everything an instrument command needs. --port NAME overrides the stored
// port name for this run only.
struct InstrumentSession {
  explicit InstrumentSession(const Args& args);
  QtSettingsStore store;
  AppSettings settings{store};
  PosixSerialDevice device;
  SystemClock clock;
  TerminalPrompts prompts;
  SerialChannel channel{device, settings, clock, prompts};
};

// The common help text of --port.
inline constexpr const char* kPortHelp =
    "  --port NAME     serial port: COM1: .. COM6: or a device path such as\n"
    "                  /dev/ttyUSB0 or a simulator's /dev/pts/N (default: the\n"
    "                  port stored in the settings, COM2: at first)\n";

// "auto" -> -1, "100" -> 0, "10" -> 1, "1" -> 2, "0.1" -> 3; throws UsageError.
int ParseRange(const std::string& text);
int ParseChannels(const std::string& text);  // "1" -> 0, "2" -> 1

}  // namespace zet::cli
