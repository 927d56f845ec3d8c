#include "sim/local_recorder.h"

#include "sim/pty_simulator.h"

namespace zet::sim {

struct LocalRecorder::Impl {
  PtySimulator pty;
};

LocalRecorder::LocalRecorder() : d_(std::make_unique<Impl>()) {}

LocalRecorder::~LocalRecorder() { Stop(); }

bool LocalRecorder::Start(const Options& options, Clock&, std::string* error) {
  return d_->pty.Running() || d_->pty.Start(options, error);
}

bool LocalRecorder::Running() const { return d_->pty.Running(); }

void LocalRecorder::Stop() { d_->pty.Stop(); }

std::string LocalRecorder::PortName() const { return d_->pty.SlavePath(); }

SerialDevice* LocalRecorder::Device() { return nullptr; }

}  // namespace zet::sim
