#include "link/ui/instrument_session.h"

#include "base/host.h"
#include "base/settings.h"
#include <optional>

#include "link/serial_channel.h"
#include "link/system_serial_device.h"
#include "sim/local_recorder.h"
#include "sim/recorder_sim.h"

struct InstrumentSession::Impl {
  Impl(zet::AppSettings& s, zet::Prompts& p) : settings(s), prompts(p) {}

  zet::AppSettings& settings;
  zet::Prompts& prompts;
  zet::SystemSerialDevice device;
  zet::SystemClock clock;
  zet::sim::LocalRecorder simulator;
  std::optional<zet::SerialChannel> channel;  // made at first use, on the port or the simulator
};

InstrumentSession::InstrumentSession(zet::AppSettings& settings, zet::Prompts& prompts)
    : d_(std::make_unique<Impl>(settings, prompts)) {}

InstrumentSession::~InstrumentSession() {
  // The port goes before the simulated recorder behind it.
  if (d_->channel) d_->channel->ClosePort();
  d_->channel.reset();
  d_->simulator.Stop();
}

bool InstrumentSession::StartSimulator(std::string* error) {
  if (d_->simulator.Running()) return true;
  if (d_->channel) {
    if (error) *error = "the line to the recorder is already in use";
    return false;
  }
  // A memory that looks like a survey: three two-channel runs started
  // yesterday morning, read at the recorder's real line speed.
  zet::sim::ImageOptions image;
  image.runs = 3;
  image.channels = 2;
  image.samplesPerRun = 1500;
  image.periodCode = 1;
  zet::LocalTime start = zet::ToLocalTime(d_->clock.Now() - 24 * 3600);
  start.hour = 9;
  start.minute = 30;
  start.second = 0;
  image.start = zet::ToLocalTime(zet::FromLocalTime(start));
  zet::sim::Options options;
  options.image = zet::sim::MakeSurveyImage(image);
  options.paced = true;
  std::string why;
  if (!d_->simulator.Start(options, d_->clock, &why)) {
    if (error) *error = why;
    return false;
  }
  // Not stored: this run only. An in-process simulator answers whatever port is named.
  if (!d_->simulator.PortName().empty()) d_->settings.m_strPortName = d_->simulator.PortName();
  return true;
}

bool InstrumentSession::SimulatorRunning() const { return d_->simulator.Running(); }

zet::SerialChannel& InstrumentSession::Channel() {
  if (!d_->channel) {
    zet::SerialDevice* simulated = d_->simulator.Device();
    d_->channel.emplace(simulated ? *simulated : d_->device, d_->settings, d_->clock, d_->prompts);
  }
  return *d_->channel;
}

zet::Clock& InstrumentSession::GetClock() { return d_->clock; }
