#include "instrument/monitor.h"

#include <algorithm>

#include "base/text_format.h"
#include "link/protocol.h"

namespace zet {

MonitorPoll PollMonitor(SerialChannel& channel, const MonitorSettings& s, bool beep) {
  MonitorPoll poll;
  if (!channel.OpenPort()) {
    poll.kind = MonitorPoll::Kind::PortFailed;
    return poll;
  }
  CommandFrame f{};
  f[1] = kCmdMonitor;
  f[2] = ModeByte(0, s.channelCode, s.rangeCode, !s.autoRange);
  ClockBlockBytes now = ClockBlock(ToLocalTime(channel.GetClock().Now()));
  std::copy(now.begin(), now.end(), f.begin() + 3);
  std::copy(now.begin(), now.end(), f.begin() + 7);

  ReplyFrame reply{};
  channel.SendCommand(f);
  const int n = channel.ReadReply(reply, false);
  // Only a reply whose echo bytes all arrived can pass the check.
  const bool echo = n >= 9 && EchoMatches(f, reply);
  for (std::uint8_t b : reply) poll.raw += CFormat("%02X ", b);

  const std::size_t want = s.channelCode ? 4 : 2;
  std::uint8_t data[4] = {};
  std::size_t got = 0;
  // A line that hung up answers nothing ever again: a port failure, and the
  // port is closed so the next poll opens it afresh.
  auto lost = [&] {
    if (!channel.EndIfLineLost()) return false;
    channel.ClosePort();
    poll = MonitorPoll{};
    poll.kind = MonitorPoll::Kind::PortFailed;
    return true;
  };
  if (lost()) return poll;
  if (n == 0) {
    poll.kind = MonitorPoll::Kind::NoAnswer;
    poll.status = kNoAnswerMessage;
    poll.valuesChanged = true;  // both boxes emptied
  } else if (!echo) {
    poll.kind = MonitorPoll::Kind::WrongEcho;
    poll.status = "Команду принял неправильно";
  } else {
    poll.kind = MonitorPoll::Kind::Data;
    got = channel.ReadRaw(data, want);
    if (got < want && lost()) return poll;
    if (got < want) poll.raw += want == 4 ? "\tError 2 of 2 channel" : "\tError 1 channel";
  }
  // Bytes that did not come this time show as "--", never as stale values.
  poll.raw += "\t";
  for (std::size_t i = 0; i < want; ++i) poll.raw += i < got ? CFormat("%02X ", data[i]) : "-- ";

  if (echo) {
    // A value is shown only when both of its bytes arrived; a word made up
    // of missing bytes would be a plausible-looking wrong reading.
    poll.valuesChanged = true;
    if (got >= 2) poll.value1 = "U1=" + FormatChannelVolts(static_cast<std::uint16_t>(data[0] << 8 | data[1]));
    if (want == 4 && got == 4)
      poll.value2 = "U2=" + FormatChannelVolts(static_cast<std::uint16_t>(data[2] << 8 | data[3]));
    poll.status.clear();
  }
  if (beep) channel.GetPrompts().Beep();
  return poll;
}

}  // namespace zet
