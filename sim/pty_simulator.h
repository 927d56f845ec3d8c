#pragma once
// The recorder model served on a pseudo-terminal: the program opens
// SlavePath() like a serial port. A background thread answers, paced at the
// recorder's line speed when the options ask for it.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/recorder_sim.h"

namespace zet::sim {

class PtySimulator {
 public:
  PtySimulator() = default;
  ~PtySimulator();
  PtySimulator(const PtySimulator&) = delete;
  PtySimulator& operator=(const PtySimulator&) = delete;

  // Opens the pseudo-terminal and starts serving. False with a message when
  // the system has no pseudo-terminal to give or it is already running.
  bool Start(const Options& options, std::string* error);
  const std::string& SlavePath() const { return slavePath_; }
  bool Running() const { return thread_.joinable(); }
  void Stop();  // idempotent

  int BlocksSent() const { return blocksSent_.load(); }
  int FramesReceived() const { return framesReceived_.load(); }

 private:
  void Serve();

  std::unique_ptr<RecorderSim> sim_;
  std::string slavePath_;
  int master_ = -1;
  int slave_ = -1;        // held open so the pseudo-terminal survives between clients
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> blocksSent_{0}, framesReceived_{0};
};

}  // namespace zet::sim
