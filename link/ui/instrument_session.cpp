#include "link/ui/instrument_session.h"

#include "app/host.h"
#include "app/settings.h"
#include "link/posix_serial_device.h"
#include "link/serial_channel.h"
#include "sim/pty_simulator.h"
#include "sim/recorder_sim.h"

struct InstrumentSession::Impl {
  Impl(zet::AppSettings& s, zet::Prompts& p) : settings(s), channel(device, s, clock, p) {}

  zet::AppSettings& settings;
  zet::PosixSerialDevice device;
  zet::SystemClock clock;
  zet::SerialChannel channel;
  zet::sim::PtySimulator simulator;
};

InstrumentSession::InstrumentSession(zet::AppSettings& settings, zet::Prompts& prompts)
    : d_(std::make_unique<Impl>(settings, prompts)) {}

InstrumentSession::~InstrumentSession() {
  // The port goes before the simulated recorder behind it.
  d_->channel.ClosePort();
  d_->simulator.Stop();
}

bool InstrumentSession::StartSimulator(std::string* error) {
  if (d_->simulator.Running()) return true;
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
  if (!d_->simulator.Start(options, &why)) {
    if (error) *error = why;
    return false;
  }
  d_->settings.m_strPortName = d_->simulator.SlavePath();  // not stored: this run only
  return true;
}

bool InstrumentSession::SimulatorRunning() const { return d_->simulator.Running(); }

zet::SerialChannel& InstrumentSession::Channel() { return d_->channel; }

zet::Clock& InstrumentSession::GetClock() { return d_->clock; }
