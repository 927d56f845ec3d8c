#pragma once
// A serial channel on the scripted device, with the usual settings.
#include <gtest/gtest.h>

#include "base/settings.h"
#include "base/settings_store.h"
#include "link/script_device.h"
#include "link/serial_channel.h"
#include "support/fakes.h"

namespace zet::testing {

class ChannelTest : public ::testing::Test {
 protected:
  ChannelTest() {
    settings.m_strPortName = "COM3:";
    settings.m_strBaudRate = "10416";
  }

  VirtualClock clock;
  ScriptDevice device{clock};
  MemorySettingsStore store;
  AppSettings settings{store};
  ScriptedPrompts prompts;
  SerialChannel channel{device, settings, clock, prompts};
};

}  // namespace zet::testing
