#pragma once
// The one serial channel to the recorder: opens the configured port on
// demand, drives the modem lines around each transfer, sends command frames,
// reads replies and raw bytes, and reports port errors.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/host.h"
#include "base/settings.h"
#include "link/protocol.h"
#include "link/serial_device.h"

namespace zet {

inline constexpr const char* kNoAnswerMessage = "Прибор не отвечает !";  // 32830

std::string PortErrorText(long error);

class SerialChannel {
 public:
  enum class PortState { Closed, Failed, Open };

  SerialChannel(SerialDevice& device, AppSettings& settings, Clock& clock, Prompts& prompts)
      : device_(device), settings_(settings), clock_(clock), prompts_(prompts) {}

  int OpenPort();   // 1 ready, 0 failed (the error has been shown)
  int ClosePort();  // always 1
  int SendCommand(const CommandFrame& frame);
  // Bytes read after the 0x00 lead byte (13 for a complete reply), 0 when nothing came.
  int ReadReply(ReplyFrame& reply, bool showMessage);
  // Skips everything up to the 0x00 lead byte of an answer. False when the
  // line went silent (or never stopped sending noise); the no-answer message
  // is shown when asked for.
  bool WaitForLeadByte(bool showMessage);
  std::size_t ReadRaw(std::uint8_t* buf, std::size_t n);
  bool WriteRaw(const std::uint8_t* data, std::size_t n);  // no purge, no line change
  void SetTransmitLines();
  void SetReceiveLines();
  bool PurgePort();
  // "Port error %ld\t" with the system's error code, and on a second line the
  // system's own description of it in the user's language.
  void ReportPortError();
  // The device lost its line (see SerialDevice::HungUp).
  bool LineLost() const { return device_.HungUp(); }
  // When the line is lost: the port error (unless one was shown since the
  // port opened) and true, so the exchange in progress ends at once.
  bool EndIfLineLost();

  PortState State() const { return state_; }
  Clock& GetClock() { return clock_; }
  Prompts& GetPrompts() { return prompts_; }
  AppSettings& Settings() { return settings_; }

 private:
  void SetLines(int rtsByte, int dtrByte);

  SerialDevice& device_;
  AppSettings& settings_;
  Clock& clock_;
  Prompts& prompts_;
  PortState state_ = PortState::Closed;
  bool errorShown_ = false;  // a port error was reported since the port opened
};

}  // namespace zet
