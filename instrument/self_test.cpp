#include "instrument/self_test.h"

#include "base/text_format.h"
#include "link/protocol.h"

namespace zet {
namespace {

constexpr int kWaitSeconds = 15;
// A port that fails at once (unplugged adapter) must not turn the wait into a
// storm of reads and beeps: each attempt takes at least this long.
constexpr std::int64_t kMinAttemptMs = 1000;

}  // namespace

std::string SelfTestMessage(SelfTestOutcome o) {
  switch (o) {
    case SelfTestOutcome::Normal: return "Проверка прибора - норма !";
    case SelfTestOutcome::RamFault: return "Проверка прибора - не норма !\nОшибка ОЗУ !";
    case SelfTestOutcome::TimerFault: return "Проверка прибора - не норма !\nОшибка Таймера !";
    case SelfTestOutcome::BadCode: return "Неправильный код возврата !";
    case SelfTestOutcome::NoAnswer: return kNoAnswerMessage;
    case SelfTestOutcome::PortFailed: break;
  }
  return {};
}

SelfTestOutcome RunSelfTest(SerialChannel& channel, Progress& progress) {
  if (!channel.OpenPort()) return SelfTestOutcome::PortFailed;
  Clock& clock = channel.GetClock();
  Prompts& prompts = channel.GetPrompts();
  channel.SendCommand(SelfTestFrame());
  channel.SetReceiveLines();
  // Elapsed time on the monotonic clock: a wall-clock change during the
  // wait must neither end it early nor stretch it.
  const std::int64_t t0 = clock.MonotonicMs();
  progress.Open();
  progress.SetBarRange(0, kWaitSeconds);
  progress.SetTitle("Проверка Прибора");

  std::size_t n = 0;
  std::uint8_t result = 0;
  bool lineLost = false;
  if (!progress.IsCancelled()) {
    for (;;) {
      prompts.Beep();
      const std::int64_t before = clock.MonotonicMs();
      n = channel.ReadRaw(&result, 1);
      // A hung-up line brings no result: end now, as a port failure.
      if (n == 0 && channel.EndIfLineLost()) {
        lineLost = true;
        break;
      }
      if (n == 0) {
        std::int64_t spent = clock.MonotonicMs() - before;
        if (spent < kMinAttemptMs) clock.SleepMs(static_cast<int>(kMinAttemptMs - spent));
      }
      const int e = static_cast<int>((clock.MonotonicMs() - t0) / 1000);
      progress.SetBarPos(e % 60);
      progress.SetStatusText(CFormat("%d сек. из %d", e % 60, kWaitSeconds));
      if (n == 1) break;
      if (e >= kWaitSeconds) break;
      if (progress.IsCancelled()) break;
    }
  }

  if (lineLost) {
    channel.ClosePort();
    progress.Close();
    return SelfTestOutcome::PortFailed;
  }
  SelfTestOutcome o = SelfTestOutcome::NoAnswer;
  if (n == 1) {
    switch (result) {
      case 0: o = SelfTestOutcome::Normal; break;
      case 1: o = SelfTestOutcome::RamFault; break;
      case 2: o = SelfTestOutcome::TimerFault; break;
      default: o = SelfTestOutcome::BadCode; break;
    }
  }
  prompts.Message(SelfTestMessage(o), kAppTitle, MsgButtons::Ok, MsgIcon::None);
  channel.ClosePort();
  progress.Close();
  return o;
}

}  // namespace zet
