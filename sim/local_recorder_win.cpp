#include "sim/local_recorder.h"

#include <optional>

#include "sim/sim_serial_device.h"

namespace zet::sim {

struct LocalRecorder::Impl {
  std::optional<RecorderSim> recorder;
  std::optional<SimSerialDevice> device;
};

LocalRecorder::LocalRecorder() : d_(std::make_unique<Impl>()) {}

LocalRecorder::~LocalRecorder() { Stop(); }

bool LocalRecorder::Start(const Options& options, Clock& clock, std::string*) {
  if (Running()) return true;
  d_->recorder.emplace(options);
  d_->device.emplace(*d_->recorder, clock);
  return true;
}

bool LocalRecorder::Running() const { return d_->recorder.has_value(); }

void LocalRecorder::Stop() {
  d_->device.reset();
  d_->recorder.reset();
}

std::string LocalRecorder::PortName() const { return {}; }

SerialDevice* LocalRecorder::Device() { return d_->device ? &*d_->device : nullptr; }

}  // namespace zet::sim
