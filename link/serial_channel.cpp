#include "link/serial_channel.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/system_error.h"
#include "base/text_format.h"

namespace zet {
namespace {

// Bytes that are not a lead byte are skipped, but a line that never stops
// talking must not keep the user waiting forever: after this many stray bytes
// (several seconds of continuous noise at 10416 baud) the wait counts as no answer.
constexpr int kMaxStrayBytes = 4096;

}  // namespace

int SerialChannel::OpenPort() {
  if (state_ == PortState::Open) return 1;
  errorShown_ = false;
  if (settings_.m_strPortName.empty()) settings_.GetPortName();
  if (settings_.m_strBaudRate.empty()) settings_.GetBaudRate();

  if (!device_.Open(settings_.m_strPortName)) {
    state_ = PortState::Failed;
    ReportPortError();
    return 0;
  }
  if (!device_.Configure(std::atoi(settings_.m_strBaudRate.c_str()))) {
    ReportPortError();
    // A half-configured port must not be taken for a ready one next time.
    device_.Close();
    state_ = PortState::Failed;
    return 0;
  }
  state_ = PortState::Open;
  return 1;
}

int SerialChannel::ClosePort() {
  if (state_ != PortState::Closed) device_.Close();
  state_ = PortState::Closed;
  return 1;
}

int SerialChannel::SendCommand(const CommandFrame& frame) {
  SetTransmitLines();
  PurgePort();
  if (!device_.Write(frame.data(), frame.size())) {
    ReportPortError();
    return 0;
  }
  return 1;
}

bool SerialChannel::WaitForLeadByte(bool showMessage) {
  for (int stray = 0;; ++stray) {
    std::uint8_t b = 0xFF;
    const std::size_t n = device_.Read(&b, 1);
    if (n == 1 && b == 0x00) return true;
    if (n == 0 || stray >= kMaxStrayBytes) {
      if (showMessage) prompts_.Message(kNoAnswerMessage, kAppTitle, MsgButtons::Ok, MsgIcon::None);
      return false;
    }
  }
}

int SerialChannel::ReadReply(ReplyFrame& reply, bool showMessage) {
  SetReceiveLines();
  if (!WaitForLeadByte(showMessage)) return 0;
  reply[0] = 0x00;
  return static_cast<int>(device_.Read(reply.data() + 1, reply.size() - 1));
}

std::size_t SerialChannel::ReadRaw(std::uint8_t* buf, std::size_t n) { return device_.Read(buf, n); }

bool SerialChannel::WriteRaw(const std::uint8_t* data, std::size_t n) { return device_.Write(data, n); }

void SerialChannel::SetLines(int rtsByte, int dtrByte) {
  const std::uint32_t s = settings_.m_dwSignals;
  // RTS always goes first; the recorder's line driver expects that order.
  device_.SetRts(((s >> (8 * rtsByte)) & 0xFF) != 0);
  device_.SetDtr(((s >> (8 * dtrByte)) & 0xFF) != 0);
  clock_.SleepMs(100);
}

void SerialChannel::SetTransmitLines() { SetLines(0, 1); }

void SerialChannel::SetReceiveLines() { SetLines(2, 3); }

bool SerialChannel::PurgePort() { return device_.Purge(); }

std::string PortErrorText(long error) {
  std::string text = CFormat("Port error %ld\t", error);
  const std::string description = SystemErrorText(error);
  if (!description.empty()) text += "\n" + description;
  return text;
}

bool SerialChannel::EndIfLineLost() {
  if (!device_.HungUp()) return false;
  if (!errorShown_) ReportPortError();
  return true;
}

void SerialChannel::ReportPortError() {
  errorShown_ = true;
  prompts_.Message(PortErrorText(device_.LastError()), settings_.m_strPortName, MsgButtons::Ok, MsgIcon::None);
}

}  // namespace zet
