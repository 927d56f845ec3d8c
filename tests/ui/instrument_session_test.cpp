// The desktop program's session against the simulated recorder on a real
// pseudo-terminal, through the POSIX serial device.
#include "link/ui/instrument_session.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <string>

#include "base/settings.h"
#include "instrument/ui/instrument_commands.h"
#include "link/serial_channel.h"
#include "support/fakes.h"

namespace {

TEST(InstrumentSession, SimulatorStandsInForThePortForThisRunOnly) {
  zet::MemorySettingsStore store;
  zet::AppSettings settings(store);
  settings.GetPortName();
  zet::testing::ScriptedPrompts prompts;
  InstrumentSession session(settings, prompts);

  std::string error;
  ASSERT_TRUE(session.StartSimulator(&error)) << error;
  EXPECT_TRUE(session.SimulatorRunning());
#ifndef _WIN32
  EXPECT_EQ(settings.m_strPortName.rfind("/dev/", 0), 0u) << settings.m_strPortName;  // its pseudo-terminal
#endif
  EXPECT_EQ(store.ReadString("Port", "Name", "unset"), "unset");

  QMainWindow frame;
  frame.show();
  zet::ui::InstrumentEnv env{settings, session.Channel(), session.GetClock(), prompts, &frame};
  zet::ui::OnSelfTest(env);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Проверка прибора - норма !");
  EXPECT_TRUE(frame.isEnabled());
  EXPECT_EQ(session.Channel().State(), zet::SerialChannel::PortState::Closed);
}

}  // namespace
