#include "link/ui/instrument_session.h"

#include "app/host.h"
#include "app/settings.h"
#include "link/posix_serial_device.h"
#include "link/serial_channel.h"

struct InstrumentSession::Impl {
  Impl(zet::AppSettings& s, zet::Prompts& p) : settings(s), channel(device, s, clock, p) {}

  zet::AppSettings& settings;
  zet::PosixSerialDevice device;
  zet::SystemClock clock;
  zet::SerialChannel channel;
  bool simulating = false;
};

InstrumentSession::InstrumentSession(zet::AppSettings& settings, zet::Prompts& prompts)
    : d_(std::make_unique<Impl>(settings, prompts)) {}

InstrumentSession::~InstrumentSession() {
  // The port goes before the simulated recorder behind it.
  d_->channel.ClosePort();
}

bool InstrumentSession::StartSimulator(std::string* error) {
  if (error) *error = "the recorder simulator is not built into this program yet";
  return false;
}

bool InstrumentSession::SimulatorRunning() const { return d_->simulating; }

zet::SerialChannel& InstrumentSession::Channel() { return d_->channel; }

zet::Clock& InstrumentSession::GetClock() { return d_->clock; }
