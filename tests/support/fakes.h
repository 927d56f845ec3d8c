#pragma once
// Test doubles for the host interfaces: a virtual clock, prompts answered from
// a script and recorded, and a progress box that records and cancels on cue.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/host.h"

namespace zet::testing {

// Sleeping advances time at once; Now() follows the monotonic milliseconds.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(std::time_t start = 1700000000) : start_(start) {}
  std::time_t Now() override { return start_ + static_cast<std::time_t>(ms_ / 1000); }
  std::int64_t MonotonicMs() override { return ms_; }
  void SleepMs(int ms) override {
    if (ms > 0) Advance(ms);
  }
  void Advance(std::int64_t ms) {
    ms_ += ms;
    if (onAdvance) onAdvance(ms_);
  }
  std::function<void(std::int64_t)> onAdvance;  // lets a simulated peer follow time

 private:
  std::time_t start_;
  std::int64_t ms_ = 0;
};

struct PromptCall {
  std::string text, caption;
  MsgButtons buttons;
  MsgIcon icon;
};

class ScriptedPrompts : public Prompts {
 public:
  MsgAnswer Message(const std::string& text, const std::string& caption, MsgButtons buttons,
                    MsgIcon icon) override {
    calls.push_back({text, caption, buttons, icon});
    if (!answers.empty()) {
      MsgAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    switch (buttons) {
      case MsgButtons::YesNo:
      case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
      case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
      default: return MsgAnswer::Ok;
    }
  }
  void Beep() override { ++beeps; }

  std::vector<PromptCall> calls;
  std::deque<MsgAnswer> answers;  // answered in order, then defaults
  int beeps = 0;
};

class RecordingProgress : public Progress {
 public:
  bool Open() override {
    ++opens;
    open = true;
    title = kProgressDefaultTitle;
    return true;
  }
  void SetTitle(const std::string& t) override { title = t; }
  void SetBarRange(int lo, int hi) override {
    lower = lo;
    upper = hi;
  }
  void SetBarPos(int p) override {
    pos = p;
    positions.push_back(p);
  }
  void SetStatusText(const std::string& t) override { statuses.push_back(t); }
  bool IsCancelled() override {
    ++cancelChecks;
    if (cancelAtCheck > 0 && cancelChecks == cancelAtCheck) return true;
    if (cancelWhen && cancelWhen()) return true;
    return false;
  }
  void Close() override {
    ++closes;
    open = false;
  }

  bool open = false;
  int opens = 0, closes = 0, lower = 0, upper = 0, pos = 0, cancelChecks = 0;
  int cancelAtCheck = 0;               // cancel at this IsCancelled call (1-based)
  std::function<bool()> cancelWhen;    // or whenever this says so
  std::string title;
  std::vector<int> positions;
  std::vector<std::string> statuses;
};

}  // namespace zet::testing
