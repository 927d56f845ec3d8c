// Program, monitor, self-test and download flows against the simulated
// recorder on a virtual clock.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>

#include <gtest/gtest.h>

#include "base/settings.h"
#include "instrument/monitor.h"
#include "instrument/program.h"
#include "instrument/self_test.h"
#include "link/download.h"
#include "recording/recording.h"
#include "sim/recorder_sim.h"
#include "sim/sim_serial_device.h"
#include "support/environment.h"
#include "support/fakes.h"

namespace zet {
namespace {

using testing::RecordingProgress;
using testing::ScriptedPrompts;
using testing::VirtualClock;

class Utc : public ::testing::Test {
 protected:
  zet::testing::TimeZoneScope tz_{"UTC"};
};

std::time_t At(int y, int mo, int d, int h = 12, int mi = 0) {
  return FromLocalTime({y, mo, d, h, mi, 0, 0});
}

struct Rig {
  explicit Rig(sim::Options o = {}) : settings(store), sim(std::move(o)), dev(sim, clock),
                                      channel(dev, settings, clock, prompts) {}
  std::vector<std::uint8_t> LastWrite() const { return dev.writes.back(); }

  VirtualClock clock{At(2024, 3, 10, 8, 15)};
  MemorySettingsStore store;
  AppSettings settings;
  ScriptedPrompts prompts;
  sim::RecorderSim sim;
  sim::SimSerialDevice dev;
  SerialChannel channel;
};

// ---- program -----------------------------------------------------------------

using ProgramTest = Utc;

TEST_F(ProgramTest, FrameCarriesModeClockAndStart) {
  std::time_t now = At(2023, 12, 31, 23, 59);
  ProgramSettings s;
  s.periodCode = kPeriodContinuous;
  CommandFrame f = BuildProgramFrame(s, now);
  EXPECT_EQ(f[1], 0x90);
  EXPECT_EQ(f[2] & 0x8F, 0x00);  // automatic, period bits 0
  EXPECT_EQ((std::array<std::uint8_t, 4>{f[3], f[4], f[5], f[6]}),
            (std::array<std::uint8_t, 4>{0x59, 0x23, 0xF1, 0x12}));
  for (int i = 7; i <= 10; ++i) EXPECT_EQ(f[i], 0) << i;

  ProgramSettings fixed;
  fixed.autoRange = false;
  fixed.rangeCode = 3;
  fixed.channelCode = 1;
  fixed.periodCode = 4;
  EXPECT_EQ(BuildProgramFrame(fixed, now)[2], 0xF4);
  EXPECT_EQ(BuildProgramFrame(fixed, now)[1], 0x80);

  // Start by date: a start already past goes out as the current time.
  fixed.manualStart = false;
  fixed.start = now - 3600;
  CommandFrame byDate = BuildProgramFrame(fixed, now);
  EXPECT_EQ(byDate[1], 0x81);
  EXPECT_TRUE(std::equal(byDate.begin() + 3, byDate.begin() + 7, byDate.begin() + 7));
  fixed.start = At(2024, 1, 2, 7, 5);
  byDate = BuildProgramFrame(fixed, now);
  EXPECT_EQ(byDate[7], 0x05);
  EXPECT_EQ(byDate[8], 0x07);
  EXPECT_EQ(byDate[9], 0x02);  // 2024 mod 4 = 0
}

TEST_F(ProgramTest, ReportListsEveryByteInHexAndBinary) {
  CommandFrame sent{};
  sent[1] = 0x81;
  ReplyFrame reply{};
  reply[1] = 0x81;
  reply[11] = 0x01;
  reply[12] = 0x2C;
  reply[13] = 0xAE;
  std::string r = ProgramReport(sent, reply, 13);
  EXPECT_EQ(r.rfind("Послано :\t\tПолучено :   13  байтов\n00   00000000\t00   00000000\n"
                    "81   10000001\t81   10000001\n", 0), 0u) << r;
  EXPECT_NE(r.find("\n\t\t01   00000001\n\t\t2C   00101100\n\tCRC :\tAE   10101110\n"), std::string::npos) << r;
}

TEST_F(ProgramTest, AcceptedCommandNamesTheRecorder) {
  sim::Options o;
  o.image.device = 300;
  Rig rig(o);
  ProgramSettings s;
  CommandFrame f = BuildProgramFrame(s, rig.clock.Now());
  EXPECT_EQ(RunProgram(rig.channel, f), ProgramOutcome::Accepted);
  ASSERT_EQ(rig.prompts.calls.size(), 1u);
  EXPECT_EQ(rig.prompts.calls[0].text, "Команду принял правильно");
  EXPECT_EQ(rig.prompts.calls[0].caption, "Прибор 300");
  EXPECT_EQ(rig.channel.State(), SerialChannel::PortState::Closed);
  EXPECT_EQ(rig.sim.ProgrammedMode(), f[2]);
}

TEST_F(ProgramTest, RetryAfterAWrongEchoResendsTheIdenticalFrame) {
  sim::Options o;
  o.faults.wrongEchoReplies = 1;
  Rig rig(o);
  rig.prompts.answers = {MsgAnswer::Retry};
  ProgramSettings s;
  s.manualStart = false;
  s.start = rig.clock.Now() + 86400;
  CommandFrame f = BuildProgramFrame(s, rig.clock.Now());
  EXPECT_EQ(RunProgram(rig.channel, f), ProgramOutcome::Accepted);
  ASSERT_EQ(rig.dev.writes.size(), 2u);
  EXPECT_EQ(rig.dev.writes[0], rig.dev.writes[1]);
  EXPECT_EQ(rig.dev.writes[0], std::vector<std::uint8_t>(f.begin(), f.end()));
  ASSERT_EQ(rig.prompts.calls.size(), 2u);
  const auto& bad = rig.prompts.calls[0];
  EXPECT_EQ(bad.text.rfind("Команду принял неправильно !\nПослано :", 0), 0u);
  EXPECT_EQ(bad.buttons, MsgButtons::RetryCancel);
  EXPECT_EQ(bad.icon, MsgIcon::Exclamation);
  EXPECT_EQ(rig.prompts.calls[1].text, "Команду принял правильно");
}

TEST_F(ProgramTest, SilentRecorderIsReportedAndRejected) {
  sim::Options o;
  o.faults.silent = true;
  Rig rig(o);
  CommandFrame f = BuildProgramFrame({}, rig.clock.Now());
  auto real = std::chrono::steady_clock::now();
  EXPECT_EQ(RunProgram(rig.channel, f), ProgramOutcome::Rejected);
  EXPECT_LT(std::chrono::steady_clock::now() - real, std::chrono::seconds(1));
  ASSERT_EQ(rig.prompts.calls.size(), 2u);
  EXPECT_EQ(rig.prompts.calls[0].text, "Прибор не отвечает !");
  EXPECT_NE(rig.prompts.calls[1].text.find("   0  байтов\n"), std::string::npos);
  EXPECT_EQ(rig.prompts.calls[1].caption, "Прибор 0");
  EXPECT_EQ(rig.channel.State(), SerialChannel::PortState::Closed);
}

TEST_F(ProgramTest, MissingPortSendsNothing) {
  Rig rig;
  rig.dev.failOpen = true;
  EXPECT_EQ(RunProgram(rig.channel, BuildProgramFrame({}, rig.clock.Now())), ProgramOutcome::PortFailed);
  EXPECT_TRUE(rig.dev.writes.empty());
  ASSERT_EQ(rig.prompts.calls.size(), 1u);
  EXPECT_EQ(rig.prompts.calls[0].text.rfind("Port error ", 0), 0u);
}

using SpinTest = Utc;

TEST_F(SpinTest, MonthAndYearStepsKeepTheDayWhereTheCalendarAllows) {
  auto date = [](std::time_t t) {
    LocalTime l = ToLocalTime(t);
    return std::array<int, 5>{l.year, l.month, l.day, l.hour, l.minute};
  };
  EXPECT_EQ(date(StepMonths(At(2023, 1, 31, 10, 20), 1)), (std::array<int, 5>{2023, 3, 31, 10, 20}));
  EXPECT_EQ(date(StepMonths(At(2023, 1, 15), 1)), (std::array<int, 5>{2023, 2, 15, 12, 0}));
  EXPECT_EQ(date(StepMonths(At(2023, 5, 31), -1)), (std::array<int, 5>{2023, 5, 2, 12, 0}));
  EXPECT_EQ(date(StepMonths(At(2023, 8, 31), -1)), (std::array<int, 5>{2023, 7, 31, 12, 0}));
  EXPECT_EQ(date(StepYears(At(2024, 2, 29), 1)), (std::array<int, 5>{2028, 2, 29, 12, 0}));
  EXPECT_EQ(date(StepYears(At(2024, 2, 29), -1)), (std::array<int, 5>{2020, 2, 29, 12, 0}));
  EXPECT_EQ(date(StepYears(At(2023, 6, 1), 1)), (std::array<int, 5>{2024, 6, 1, 12, 0}));
  EXPECT_EQ(date(StepHours(At(2023, 12, 31, 23, 30), 1)), (std::array<int, 5>{2024, 1, 1, 0, 30}));
  EXPECT_EQ(date(StepMinutes(At(2023, 3, 1, 0, 0), -1)), (std::array<int, 5>{2023, 2, 28, 23, 59}));
  EXPECT_EQ(date(StepDays(At(2024, 2, 28), 1)), (std::array<int, 5>{2024, 2, 29, 12, 0}));
}

TEST_F(SpinTest, AcceleratedSpinsEnd) {
  // Large steps from a held spin button must come back, whatever they give.
  for (int d : {-1000, -37, 37, 1000}) {
    StepMonths(At(2024, 2, 29), d);
    StepYears(At(2024, 2, 29), d);
  }
  SUCCEED();
}

TEST_F(SpinTest, StartTimeStaysBetweenNowAnd2100) {
  std::time_t now = At(2024, 3, 10, 8, 15);
  EXPECT_EQ(NormalizeStartTime(now - 60, now), now + 60);
  EXPECT_EQ(NormalizeStartTime(now + 600, now), now + 600);
  EXPECT_EQ(NormalizeStartTime(FromLocalTime({2101, 7, 4, 5, 6, 33, 0}), now),
            FromLocalTime({2100, 7, 4, 5, 6, 0, 0}));
  // 2100 has no 29 February; the date stays in February.
  LocalTime l = ToLocalTime(NormalizeStartTime(FromLocalTime({2104, 2, 29, 9, 0, 0, 0}), now));
  EXPECT_EQ(l.year, 2100);
  EXPECT_EQ(l.month, 2);
  EXPECT_EQ(l.day, 28);
}

TEST_F(SpinTest, StartTimeTexts) {
  StartTimeTexts t = FormatStartTime(At(2023, 12, 31, 7, 5));
  EXPECT_EQ(t.year, "Год : 2023");
  EXPECT_EQ(t.month, "Месяц : декабрь");
  EXPECT_EQ(t.day, "День : 31 (воскресенье)");
  EXPECT_EQ(t.hour, "Час : 7");
  EXPECT_EQ(t.minute, "Минута : 5");
  EXPECT_EQ(FormatStartTime(At(2024, 1, 1)).month, "Месяц : январь");
}

// ---- monitor -----------------------------------------------------------------

using MonitorTest = Utc;

TEST_F(MonitorTest, OneChannelShowsOneValue) {
  Rig rig;
  MonitorPoll p = PollMonitor(rig.channel, MonitorSettings{}, false);
  ASSERT_EQ(p.kind, MonitorPoll::Kind::Data);
  auto f = rig.LastWrite();
  EXPECT_EQ(f[1], 0xA0);
  EXPECT_EQ(f[2] & 0x10, 0);
  EXPECT_TRUE(std::equal(f.begin() + 3, f.begin() + 7, f.begin() + 7));
  EXPECT_EQ(p.raw.size(), 14 * 3 + 1 + 2 * 3u);
  EXPECT_EQ(p.raw[14 * 3], '\t');
  EXPECT_EQ(p.value1.rfind("U1=", 0), 0u);
  EXPECT_TRUE(p.value2.empty());
  EXPECT_TRUE(p.status.empty());
  EXPECT_EQ(rig.channel.State(), SerialChannel::PortState::Open);  // stays open
}

TEST_F(MonitorTest, FixedOneVoltTwoChannels) {
  Rig rig;
  MonitorPoll p = PollMonitor(rig.channel, {false, 2, 1}, false);
  EXPECT_EQ(rig.LastWrite()[2], 0xD0);
  ASSERT_EQ(p.kind, MonitorPoll::Kind::Data);
  // "%6.3f B": the 1 V range shows millivolt steps.
  for (const std::string& v : {p.value1, p.value2}) {
    ASSERT_GT(v.size(), 4u) << v;
    EXPECT_EQ(v.substr(v.size() - 2), " B") << v;
    EXPECT_EQ(v[v.size() - 6], '.') << v;
  }
  EXPECT_EQ(p.value2.rfind("U2=", 0), 0u);
}

TEST_F(MonitorTest, SilenceEmptiesTheBoxesAndAWrongEchoKeepsThem) {
  Rig rig;
  ASSERT_EQ(PollMonitor(rig.channel, {true, 0, 1}, true).kind, MonitorPoll::Kind::Data);
  rig.sim.MutableOptions().faults.wrongEchoReplies = 1;
  MonitorPoll wrong = PollMonitor(rig.channel, {true, 0, 1}, true);
  EXPECT_EQ(wrong.kind, MonitorPoll::Kind::WrongEcho);
  EXPECT_EQ(wrong.status, "Команду принял неправильно");
  EXPECT_FALSE(wrong.valuesChanged);
  rig.sim.MutableOptions().faults.silent = true;
  MonitorPoll silent = PollMonitor(rig.channel, {true, 0, 1}, true);
  EXPECT_EQ(silent.kind, MonitorPoll::Kind::NoAnswer);
  EXPECT_EQ(silent.status, "Прибор не отвечает !");
  EXPECT_TRUE(silent.valuesChanged);
  EXPECT_TRUE(silent.value1.empty() && silent.value2.empty());
  // Data bytes that never came are not shown as if they had.
  EXPECT_EQ(silent.raw.substr(silent.raw.size() - 13), "\t-- -- -- -- ");
  EXPECT_EQ(rig.prompts.beeps, 3);  // every poll, answered or not
}

TEST_F(MonitorTest, ShortDataShowsNoInventedValue) {
  sim::Options o;
  o.faults.shortMonitorData = true;
  Rig rig(o);
  MonitorPoll two = PollMonitor(rig.channel, {true, 0, 1}, false);
  EXPECT_NE(two.raw.find("\tError 2 of 2 channel\t"), std::string::npos) << two.raw;
  EXPECT_TRUE(two.valuesChanged);
  EXPECT_TRUE(two.value1.empty());
  EXPECT_TRUE(two.value2.empty());
  MonitorPoll one = PollMonitor(rig.channel, {true, 0, 0}, false);
  EXPECT_NE(one.raw.find("\tError 1 channel\t"), std::string::npos);
  EXPECT_EQ(one.raw.substr(one.raw.size() - 3), "-- ");
}

// A port that hangs up ends Monitor mode as a port failure, with the port
// error once, and is closed so the next poll opens it afresh.
TEST_F(MonitorTest, HangUpIsAPortFailure) {
  sim::Options o;
  o.faults.hangUpAfterFrames = 1;
  Rig rig(o);
  ASSERT_EQ(PollMonitor(rig.channel, {}, false).kind, MonitorPoll::Kind::Data);
  EXPECT_EQ(PollMonitor(rig.channel, {}, false).kind, MonitorPoll::Kind::PortFailed);
  ASSERT_EQ(rig.prompts.calls.size(), 1u);
  EXPECT_EQ(rig.prompts.calls[0].text.rfind("Port error 5\t", 0), 0u) << rig.prompts.calls[0].text;
  EXPECT_EQ(rig.channel.State(), SerialChannel::PortState::Closed);
  EXPECT_LT(rig.clock.MonotonicMs(), 10'000);
}

TEST_F(MonitorTest, MissingPortNeitherPollsNorBeeps) {
  Rig rig;
  rig.dev.failOpen = true;
  EXPECT_EQ(PollMonitor(rig.channel, {}, true).kind, MonitorPoll::Kind::PortFailed);
  EXPECT_EQ(rig.prompts.beeps, 0);
  EXPECT_TRUE(rig.dev.writes.empty());
}

// ---- exact reply bytes ---------------------------------------------------------

// A recorder that answers every frame with bytes made up by the test.
class ScriptedDevice : public SerialDevice {
 public:
  std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> answer;
  std::vector<std::vector<std::uint8_t>> writes;

  bool Open(const std::string&) override { return open_ = true; }
  bool Configure(int) override { return true; }
  bool Write(const std::uint8_t* d, std::size_t n) override {
    writes.emplace_back(d, d + n);
    if (answer) {
      auto a = answer(writes.back());
      pending_.insert(pending_.end(), a.begin(), a.end());
    }
    return true;
  }
  std::size_t Read(std::uint8_t* buf, std::size_t n) override {
    std::size_t k = std::min(n, pending_.size());
    std::copy(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(k), buf);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(k));
    return k;
  }
  bool SetRts(bool) override { return true; }
  bool SetDtr(bool) override { return true; }
  bool Purge() override { return true; }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  long LastError() const override { return 0; }

 private:
  bool open_ = false;
  std::vector<std::uint8_t> pending_;
};

// Lead byte, echo of bytes 1..10, recorder number, check byte, then `data`;
// `keep` cuts the whole answer to that many bytes.
std::vector<std::uint8_t> Answer(const std::vector<std::uint8_t>& frame, std::vector<std::uint8_t> data,
                                 std::size_t keep = 99) {
  std::vector<std::uint8_t> a(frame.begin(), frame.begin() + 11);
  a[0] = 0x00;
  for (std::uint8_t b : {0x01, 0x2C, 0x5A}) a.push_back(b);
  a.insert(a.end(), data.begin(), data.end());
  a.resize(std::min(a.size(), keep));
  return a;
}

struct ScriptedRig {
  ScriptedRig() : settings(store), channel(dev, settings, clock, prompts) {}
  VirtualClock clock{At(2024, 3, 10, 8, 15)};
  MemorySettingsStore store;
  AppSettings settings;
  ScriptedPrompts prompts;
  ScriptedDevice dev;
  SerialChannel channel;
};

using ReplyBytesTest = Utc;

TEST_F(ReplyBytesTest, MonitorWordsAreHighByteFirstEachWithItsOwnRange) {
  ScriptedRig r;
  // Channel 1: range code 1, value bits 0; channel 2: range code 3, value bits 0x3FF.
  r.dev.answer = [](const std::vector<std::uint8_t>& f) { return Answer(f, {0x10, 0x00, 0x33, 0xFF}); };
  MonitorPoll p = PollMonitor(r.channel, {true, 0, 1}, false);
  ASSERT_EQ(p.kind, MonitorPoll::Kind::Data);
  EXPECT_EQ(p.value1, "U1=-10.24 B");
  EXPECT_EQ(p.value2, "U2= 102.2 мB");
  EXPECT_EQ(p.raw.substr(p.raw.size() - 13), "\t10 00 33 FF ");
  EXPECT_EQ(p.raw.substr(33, 9), "01 2C 5A ");  // bytes 11..13 as received
}

TEST_F(ReplyBytesTest, CutRepliesAndUncheckedBytes) {
  // A reply cut inside the echo is a wrong answer even though every byte
  // that came matches: the zeros never received must not pass as echo.
  ScriptedRig cut;
  cut.dev.answer = [](const std::vector<std::uint8_t>& f) { return Answer(f, {0x10, 0x00}, 5); };
  MonitorPoll p = PollMonitor(cut.channel, {true, 0, 0}, false);
  EXPECT_EQ(p.kind, MonitorPoll::Kind::WrongEcho);
  EXPECT_FALSE(p.valuesChanged);

  // Manual start: frame bytes 7..10 are zeros, so a reply that stops after
  // byte 7 would look like a perfect echo.
  ScriptedRig cutProgram;
  cutProgram.dev.answer = [](const std::vector<std::uint8_t>& f) { return Answer(f, {}, 8); };
  ProgramSettings s;
  EXPECT_EQ(RunProgram(cutProgram.channel, BuildProgramFrame(s, cutProgram.clock.Now())),
            ProgramOutcome::Rejected);
  EXPECT_EQ(cutProgram.prompts.calls.back().text.rfind("Команду принял неправильно !\nПослано :", 0), 0u);
  EXPECT_NE(cutProgram.prompts.calls.back().text.find("   7  байтов\n"), std::string::npos);

  // Byte 10 and the check byte take no part in the check.
  ScriptedRig odd;
  odd.dev.answer = [](const std::vector<std::uint8_t>& f) {
    auto a = Answer(f, {});
    a[10] ^= 0xFF;
    a[13] ^= 0xFF;
    return a;
  };
  std::string report;
  EXPECT_EQ(RunProgram(odd.channel, BuildProgramFrame(s, odd.clock.Now()), &report),
            ProgramOutcome::Accepted);
  EXPECT_EQ(odd.prompts.calls.back().caption, "Прибор 300");
  EXPECT_NE(report.find("\tCRC :\tA5   10100101\n"), std::string::npos) << report;
}

// ---- self-test ---------------------------------------------------------------

// Remembers whether the progress box was still up when the outcome showed.
struct WatchingPrompts : ScriptedPrompts {
  RecordingProgress* progress = nullptr;
  bool boxOpenAtMessage = false;
  MsgAnswer Message(const std::string& t, const std::string& c, MsgButtons b, MsgIcon i) override {
    boxOpenAtMessage = progress && progress->open;
    return ScriptedPrompts::Message(t, c, b, i);
  }
};

struct SelfTestRig {
  explicit SelfTestRig(int result) : rig(Options(result)) {}
  static sim::Options Options(int result) {
    sim::Options o;
    o.selfTestResult = result;
    return o;
  }
  SelfTestOutcome Run() {
    prompts.progress = &progress;
    SerialChannel ch(rig.dev, rig.settings, rig.clock, prompts);
    return RunSelfTest(ch, progress);
  }
  Rig rig;
  WatchingPrompts prompts;
  RecordingProgress progress;
};

TEST(SelfTest, EachResultByteGivesItsMessage) {
  struct Case {
    int byte;
    SelfTestOutcome o;
    const char* text;
  } cases[] = {
      {0, SelfTestOutcome::Normal, "Проверка прибора - норма !"},
      {1, SelfTestOutcome::RamFault, "Проверка прибора - не норма !\nОшибка ОЗУ !"},
      {2, SelfTestOutcome::TimerFault, "Проверка прибора - не норма !\nОшибка Таймера !"},
      {0x7F, SelfTestOutcome::BadCode, "Неправильный код возврата !"},
  };
  for (const auto& c : cases) {
    SelfTestRig t(c.byte);
    EXPECT_EQ(t.Run(), c.o) << c.byte;
    ASSERT_EQ(t.prompts.calls.size(), 1u);
    EXPECT_EQ(t.prompts.calls[0].text, c.text);
    EXPECT_EQ(t.prompts.calls[0].caption, "ЗЕТ");
    EXPECT_TRUE(t.prompts.boxOpenAtMessage);
    EXPECT_EQ(t.progress.title, "Проверка Прибора");
    EXPECT_EQ(t.progress.upper, 15);
    EXPECT_EQ(t.progress.closes, 1);
    EXPECT_FALSE(t.rig.dev.IsOpen());
    EXPECT_EQ(t.prompts.beeps, 1);
    EXPECT_EQ(t.rig.LastWrite(), (std::vector<std::uint8_t>{0, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  }
}

TEST(SelfTest, SilentRecorderIsGivenFifteenSecondsOfVirtualTime) {
  SelfTestRig t(-1);
  auto real = std::chrono::steady_clock::now();
  EXPECT_EQ(t.Run(), SelfTestOutcome::NoAnswer);
  EXPECT_LT(std::chrono::steady_clock::now() - real, std::chrono::seconds(1));
  EXPECT_EQ(t.progress.statuses,
            (std::vector<std::string>{"5 сек. из 15", "10 сек. из 15", "15 сек. из 15"}));
  EXPECT_EQ(t.prompts.beeps, 3);
  EXPECT_EQ(t.prompts.calls.back().text, "Прибор не отвечает !");
  EXPECT_FALSE(t.rig.dev.IsOpen());
}

TEST(SelfTest, CancelEndsTheWaitAfterTheReadInProgress) {
  SelfTestRig t(-1);
  t.progress.cancelAtCheck = 2;  // the first check is before the loop
  EXPECT_EQ(t.Run(), SelfTestOutcome::NoAnswer);
  EXPECT_EQ(t.progress.statuses.size(), 1u);
  EXPECT_FALSE(t.rig.dev.IsOpen());
  EXPECT_EQ(t.progress.closes, 1);

  SelfTestRig early(0);
  early.progress.cancelAtCheck = 1;
  EXPECT_EQ(early.Run(), SelfTestOutcome::NoAnswer);
  EXPECT_TRUE(early.progress.statuses.empty());
}

TEST(SelfTest, HangUpEndsTheWaitWithThePortErrorAlone) {
  SelfTestRig t(0);
  t.rig.sim.MutableOptions().faults.hangUpAfterFrames = 0;
  EXPECT_EQ(t.Run(), SelfTestOutcome::PortFailed);
  ASSERT_EQ(t.prompts.calls.size(), 1u);
  EXPECT_EQ(t.prompts.calls[0].text.rfind("Port error 5\t", 0), 0u) << t.prompts.calls[0].text;
  EXPECT_EQ(t.progress.closes, 1);
  EXPECT_FALSE(t.rig.dev.IsOpen());
  EXPECT_LT(t.rig.clock.MonotonicMs(), 5'000);
}

TEST(SelfTest, MissingPortOpensNoProgressBox) {
  SelfTestRig t(0);
  t.rig.dev.failOpen = true;
  EXPECT_EQ(t.Run(), SelfTestOutcome::PortFailed);
  EXPECT_EQ(t.progress.opens, 0);
  ASSERT_EQ(t.prompts.calls.size(), 1u);
  EXPECT_EQ(t.prompts.calls[0].text.rfind("Port error", 0), 0u);
}

// ---- download ---------------------------------------------------------------

using DownloadTest = Utc;

TEST_F(DownloadTest, DownloadThroughFaultsGivesTheRecordersSamplesExactly) {
  sim::ImageOptions io;
  io.runs = 3;
  io.samplesPerRun = 700;
  io.supplyEvery = 9;
  sim::Options o;
  o.image = sim::MakeSurveyImage(io);
  o.faults.noiseBeforeLead = 4;
  o.faults.wrongSumRate = 0.25;
  o.faults.shortBlock = 3;
  Rig rig(o);
  RecordingProgress progress;
  DownloadResult r = DownloadMemory(rig.channel, progress, RecordingHeader{}, {});
  ASSERT_EQ(r.status, DownloadResult::Status::Decoded);
  ASSERT_EQ(r.image.runs.size(), 3u);
  EXPECT_GT(rig.sim.BlocksSent(), static_cast<int>((o.image.bytes.size() + 511) / 512));
  for (std::size_t k = 0; k < 3; ++k) {
    const Recording& rec = r.image.runs[k];
    const sim::ImageRun& want = o.image.runs[k];
    EXPECT_EQ(rec.header.nDevice, 1234);
    EXPECT_EQ(rec.header.nChannels, 2);
    ASSERT_EQ(Count(rec.channel1), static_cast<int>(want.channel1.size()));
    ASSERT_EQ(Count(rec.channel2), static_cast<int>(want.channel2.size()));
    ASSERT_EQ(Count(rec.supply), static_cast<int>(want.supply.size()));
    for (std::size_t i = 0; i < want.channel1.size(); ++i) {
      ASSERT_EQ((*rec.channel1)[i], ChannelVolts(want.channel1[i])) << k << ":" << i;
      ASSERT_EQ((*rec.channel2)[i], ChannelVolts(want.channel2[i])) << k << ":" << i;
    }
    for (std::size_t i = 0; i < want.supply.size(); ++i)
      ASSERT_EQ((*rec.supply)[i], SupplyVolts(want.supply[i]));
    ClockFields c = DecodeClockBlock(want.startClock.data());
    EXPECT_EQ(rec.header.nHour, c.hour);
    EXPECT_EQ(rec.header.nMinute, c.minute);
    EXPECT_EQ(rec.header.nDay, c.day);
  }
  EXPECT_FALSE(rig.dev.IsOpen());
}

}  // namespace
}  // namespace zet
