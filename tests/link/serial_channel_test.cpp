#include <clocale>
#include <cerrno>

#include "base/system_error.h"
#include "link/channel_fixture.h"

namespace zet::testing {
namespace {

using Log = std::vector<std::string>;
using State = SerialChannel::PortState;

TEST_F(ChannelTest, OpensOnceAndAgainOnlyAfterClose) {
  EXPECT_EQ(channel.ClosePort(), 1);  // never opened: no device call
  EXPECT_TRUE(device.log.empty());

  ASSERT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(device.log, (Log{"open COM3:", "configure 10416"}));

  // An open port is not reconfigured, even after the settings changed.
  settings.m_strPortName = "COM4:";
  settings.m_dwSignals = 0x01010101;
  EXPECT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(device.log.size(), 2u);

  EXPECT_EQ(channel.ClosePort(), 1);
  EXPECT_EQ(channel.ClosePort(), 1);
  EXPECT_EQ(device.log, (Log{"open COM3:", "configure 10416", "close"}));

  ASSERT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(device.log.back(), "configure 10416");
  EXPECT_EQ(device.log[device.log.size() - 2], "open COM4:");
  EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(ChannelTest, MissingDeviceReportsErrorAndRetriesNextTime) {
  // The code as it always read, and the system's words for it in the user's language.
#ifdef _WIN32
  // The system's own text for ERROR_FILE_NOT_FOUND, in the language Windows is set to.
  const std::string words = SystemErrorText(2);
#else
  const std::string ctype = setlocale(LC_CTYPE, nullptr), messages = setlocale(LC_MESSAGES, nullptr);
  setlocale(LC_CTYPE, "ru_RU.UTF-8");
  setlocale(LC_MESSAGES, "ru_RU.UTF-8");
  const std::string words = "Нет такого файла или каталога";
#endif
  device.openError = 2;  // ENOENT, ERROR_FILE_NOT_FOUND
  EXPECT_EQ(channel.OpenPort(), 0);
#ifndef _WIN32
  setlocale(LC_CTYPE, ctype.c_str());
  setlocale(LC_MESSAGES, messages.c_str());
#endif
  EXPECT_EQ(channel.State(), State::Failed);
  ASSERT_EQ(prompts.calls.size(), 1u);
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(prompts.calls[0].text, "Port error 2\t\n" + words);
  EXPECT_EQ(prompts.calls[0].caption, "COM3:");
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::Ok);

  device.openError = 0;
  EXPECT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(channel.State(), State::Open);
  EXPECT_EQ(prompts.calls.size(), 1u);
}

TEST_F(ChannelTest, ClosingAFailedPortReachesTheDevice) {
  device.openError = EACCES;
  channel.OpenPort();
  channel.ClosePort();
  EXPECT_EQ(channel.State(), State::Closed);
  EXPECT_EQ(device.log, (Log{"open COM3:", "close"}));
}

TEST_F(ChannelTest, ConfigurationFailureClosesTheDevice) {
  device.configureError = EIO;
  EXPECT_EQ(channel.OpenPort(), 0);
  EXPECT_EQ(channel.State(), State::Failed);
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.log, (Log{"open COM3:", "configure 10416", "close"}));
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, PortErrorText(5));

  // The next attempt configures again instead of trusting a half-set port.
  device.configureError = 0;
  EXPECT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(device.log.back(), "configure 10416");
}

TEST_F(ChannelTest, UnloadedSettingsFallBackToTheStoredPort) {
  settings.m_strPortName.clear();
  settings.m_strBaudRate.clear();
  ASSERT_EQ(channel.OpenPort(), 1);
  EXPECT_EQ(device.log, (Log{"open COM2:", "configure 10416"}));
}

TEST_F(ChannelTest, LinesAreSetRtsFirstWithAPauseBeforeSendAndReceive) {
  settings.m_dwSignals = 0x01000100;  // bytes 0, 1, 0, 1: DTR only, both ways
  channel.OpenPort();
  device.log.clear();
  std::int64_t writtenAt = -1;
  device.onWrite = [&](const std::vector<std::uint8_t>&) { writtenAt = clock.MonotonicMs(); };

  EXPECT_EQ(channel.SendCommand(SelfTestFrame()), 1);
  EXPECT_EQ(writtenAt, 100);
  EXPECT_EQ(device.log, (Log{"rts 0", "dtr 1", "purge", "write 00 C0 00 00 00 00 00 00 00 00 00"}));

  device.log.clear();
  channel.SetReceiveLines();
  EXPECT_EQ(device.log, (Log{"rts 0", "dtr 1"}));
  EXPECT_EQ(clock.MonotonicMs(), 200);

  // Each byte drives its own line: RTS on only while sending.
  settings.m_dwSignals = 0x00000001;
  device.log.clear();
  channel.SetTransmitLines();
  channel.SetReceiveLines();
  EXPECT_EQ(device.log, (Log{"rts 1", "dtr 0", "rts 0", "dtr 0"}));
}

TEST_F(ChannelTest, WriteFailureIsReported) {
  channel.OpenPort();
  device.writeError = EIO;
  EXPECT_EQ(channel.SendCommand(ReadMemoryFrame()), 0);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, PortErrorText(5));
}

TEST_F(ChannelTest, ReplySkipsStrayBytesBeforeTheLeadByte) {
  channel.OpenPort();
  device.Feed({0xFF, 0x55, 0x80, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 0x77});
  ReplyFrame reply{};
  EXPECT_EQ(channel.ReadReply(reply, true), 13);
  EXPECT_EQ(reply, (ReplyFrame{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(device.input.size(), 1u);  // nothing read past the reply
  EXPECT_TRUE(prompts.calls.empty());
}

TEST_F(ChannelTest, ShortReplyKeepsTheRestOfTheBuffer) {
  channel.OpenPort();
  device.Feed({0x00, 0x80, 0x12});
  ReplyFrame reply;
  reply.fill(0xEE);
  EXPECT_EQ(channel.ReadReply(reply, true), 2);
  EXPECT_EQ(reply[0], 0x00);
  EXPECT_EQ(reply[2], 0x12);
  EXPECT_EQ(reply[3], 0xEE);
  EXPECT_EQ(reply[13], 0xEE);
}

TEST_F(ChannelTest, SilentRecorderTimesOutOnVirtualTimeAndTellsOnce) {
  channel.OpenPort();
  ReplyFrame reply{};
  EXPECT_EQ(channel.ReadReply(reply, true), 0);
  EXPECT_EQ(clock.MonotonicMs(), 100 + 5010);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Прибор не отвечает !");
  EXPECT_EQ(prompts.calls[0].caption, "ЗЕТ");
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::Ok);

  EXPECT_EQ(channel.ReadReply(reply, false), 0);  // the monitor shows its own text
  EXPECT_EQ(prompts.calls.size(), 1u);
}

TEST_F(ChannelTest, EndlessNoiseCountsAsNoAnswer) {
  channel.OpenPort();
  device.Feed(std::vector<std::uint8_t>(100000, 0x55));
  ReplyFrame reply{};
  EXPECT_EQ(channel.ReadReply(reply, true), 0);
  EXPECT_EQ(prompts.calls.size(), 1u);
  EXPECT_GT(device.input.size(), 90000u);
}

}  // namespace
}  // namespace zet::testing
