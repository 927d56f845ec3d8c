// The instrument commands as the main window runs them, against the
// in-process recorder on a virtual clock.
#include "instrument/ui/instrument_commands.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "base/settings.h"
#include "instrument/ui/monitor_dialog.h"
#include "instrument/ui/program_dialog.h"
#include "link/serial_channel.h"
#include "sim/recorder_sim.h"
#include "sim/sim_serial_device.h"
#include "support/fakes.h"

namespace {

using zet::MsgAnswer;
using zet::MsgButtons;
using zet::MsgIcon;

struct Bench {
  explicit Bench(zet::sim::Options options = {})
      : sim(std::move(options)), device(sim, clock), settings(store), channel(device, settings, clock, prompts) {
    settings.GetPortName();
  }
  zet::ui::InstrumentEnv Env(QWidget* owner = nullptr) { return {settings, channel, clock, prompts, owner}; }

  zet::testing::VirtualClock clock;
  zet::sim::RecorderSim sim;
  zet::sim::SimSerialDevice device;
  zet::MemorySettingsStore store;
  zet::AppSettings settings;
  zet::testing::ScriptedPrompts prompts;
  zet::SerialChannel channel;
};

// Runs `fill` on the program dialog once it is up, then presses OK or Cancel.
void AnswerProgramDialog(std::function<void(CProgramDialog&)> fill, bool ok) {
  QTimer::singleShot(0, [fill, ok] {
    auto* d = qobject_cast<CProgramDialog*>(QApplication::activeModalWidget());
    if (!d) return AnswerProgramDialog(fill, ok);  // the timer came before the dialog: wait for it
    fill(*d);
    if (ok)
      d->accept();
    else
      d->reject();
  });
}

TEST(ProgramCommand, ConfirmedRunSendsTheChosenProgramAndReportsTheRecorder) {
  Bench b;
  auto env = b.Env();
  AnswerProgramDialog(
      [](CProgramDialog& d) {
        d.Button(1028)->click();
        d.Button(1031)->click();  // 1 V
        d.Button(1005)->click();
        d.Button(1036)->click();  // 2 s
      },
      true);
  zet::ui::OnProgramRecorder(env);

  ASSERT_EQ(b.prompts.calls.size(), 2u);
  EXPECT_EQ(b.prompts.calls[0].text, "Данные, имеющиеся в приборе, будут уничтожены!\nПродолжать?");
  EXPECT_EQ(b.prompts.calls[0].caption, "Внимание!");
  EXPECT_EQ(b.prompts.calls[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(b.prompts.calls[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(b.prompts.calls[1].text, "Команду принял правильно");
  EXPECT_EQ(b.prompts.calls[1].caption, "Прибор 1234");

  ASSERT_EQ(b.device.writes.size(), 1u);
  EXPECT_EQ(b.device.writes[0][1], 0x80);
  EXPECT_EQ(b.device.writes[0][2], 0xD2);  // fixed, 1 V, two channels, 2 s
  EXPECT_EQ(b.channel.State(), zet::SerialChannel::PortState::Closed);
}

TEST(ProgramCommand, NoOrCancelSendsNothing) {
  Bench b;
  auto env = b.Env();
  b.prompts.answers = {MsgAnswer::No};
  zet::ui::OnProgramRecorder(env);
  EXPECT_EQ(b.prompts.calls.size(), 1u);

  AnswerProgramDialog([](CProgramDialog&) {}, false);
  zet::ui::OnProgramRecorder(env);
  EXPECT_EQ(b.prompts.calls.size(), 2u);
  EXPECT_TRUE(b.device.writes.empty());
  EXPECT_EQ(b.device.opens, 0);
}

class MonitorTest : public ::testing::Test {
 protected:
  void Open() {
    env = std::make_unique<zet::ui::InstrumentEnv>(b.Env());
    dlg.reset(static_cast<CMonitorDialog*>(zet::ui::CreateMonitorDialog(*env, nullptr)));
    ASSERT_FALSE(dlg->isVisible());
    zet::ui::OnMonitorMode(*env, dlg.get());
  }
  std::string Value1() { return dlg->Value1()->text().toStdString(); }
  std::string Value2() { return dlg->Value2()->text().toStdString(); }

  Bench b;
  std::unique_ptr<zet::ui::InstrumentEnv> env;
  std::unique_ptr<CMonitorDialog> dlg;
};

TEST_F(MonitorTest, ShowsOneOrTwoChannelsAndEmptiesTheBoxesWhenTheRecorderFallsSilent) {
  Open();
  ASSERT_EQ(b.prompts.calls.size(), 1u);
  EXPECT_EQ(b.prompts.calls[0].text, "Данные, имеющиеся в приборе, будут уничтожены !\nПродолжать ?");
  EXPECT_EQ(b.prompts.calls[0].caption, "Внимание !");
  EXPECT_EQ(dlg->windowTitle().toStdString(), "Режим \"Монитор\"");
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(dlg->PollTimer()->interval(), 3000);

  dlg->Poll();
  EXPECT_EQ(Value1().rfind("U1=", 0), 0u) << Value1();
  EXPECT_EQ(Value2(), "");
  EXPECT_EQ(dlg->Status()->text().toStdString(), "");
  ASSERT_EQ(b.device.writes.size(), 1u);
  EXPECT_EQ(b.device.writes[0][1], 0xA0);
  EXPECT_EQ(b.device.writes[0][2], 0x00);

  dlg->Button(1028)->click();
  dlg->Button(1031)->click();
  dlg->Button(1005)->click();
  dlg->Poll();
  EXPECT_EQ(b.device.writes.back()[2], 0xD0);
  EXPECT_EQ(Value1().rfind("U1=", 0), 0u) << Value1();
  EXPECT_EQ(Value2().rfind("U2=", 0), 0u) << Value2();
  const std::string raw = dlg->Raw()->text().toStdString();
  EXPECT_EQ(raw.size(), 14u * 3 + 1 + 4 * 3) << raw;

  b.sim.MutableOptions().faults.silent = true;
  dlg->Poll();
  EXPECT_EQ(dlg->Status()->text().toStdString(), "Прибор не отвечает !");
  EXPECT_EQ(Value1(), "");
  EXPECT_EQ(Value2(), "");
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(b.prompts.calls.size(), 1u);  // no message box while monitoring
}

TEST_F(MonitorTest, BeepsWhenAskedAndKeepsChoicesAcrossHideAndShow) {
  Open();
  dlg->BeepBox()->click();
  dlg->Button(1005)->click();
  dlg->Poll();
  EXPECT_EQ(b.prompts.beeps, 1);

  dlg->accept();  // "Прервать"
  EXPECT_FALSE(dlg->isVisible());
  zet::ui::OnMonitorMode(*env, dlg.get());
  EXPECT_TRUE(dlg->BeepBox()->isChecked());
  EXPECT_TRUE(dlg->Button(1005)->isChecked());

  b.prompts.answers = {MsgAnswer::No};
  dlg->hide();
  zet::ui::OnMonitorMode(*env, dlg.get());
  EXPECT_FALSE(dlg->isVisible());
}

TEST_F(MonitorTest, APortThatCannotBeOpenedHidesTheDialog) {
  b.device.failOpen = true;
  Open();
  dlg->Poll();
  EXPECT_FALSE(dlg->isVisible());
  ASSERT_EQ(b.prompts.calls.size(), 2u);
  EXPECT_EQ(b.prompts.calls[1].text.rfind("Port error ", 0), 0u);
}

TEST_F(MonitorTest, DoesNotPollWhileItsWindowIsBlockedByAnotherOperation) {
  QMainWindow frame;
  env = std::make_unique<zet::ui::InstrumentEnv>(b.Env(&frame));
  dlg.reset(static_cast<CMonitorDialog*>(zet::ui::CreateMonitorDialog(*env, &frame)));
  frame.show();
  zet::ui::OnMonitorMode(*env, dlg.get());
  frame.setEnabled(false);  // as the progress box of a download does
  dlg->OnTimer();
  EXPECT_TRUE(b.device.writes.empty());
  frame.setEnabled(true);
  dlg->OnTimer();
  EXPECT_EQ(b.device.writes.size(), 1u);
  dlg->hide();
  dlg->OnTimer();
  EXPECT_EQ(b.device.writes.size(), 1u);
  dlg.reset();
}

TEST(SelfTestCommand, ShowsTheOutcomeAndGivesTheMainWindowBack) {
  struct Case {
    int result;
    const char* message;
  } cases[] = {
      {0, "Проверка прибора - норма !"},
      {2, "Проверка прибора - не норма !\nОшибка Таймера !"},
      {0x7F, "Неправильный код возврата !"},
      {-1, "Прибор не отвечает !"},
  };
  for (const Case& c : cases) {
    zet::sim::Options o;
    o.selfTestResult = c.result;
    Bench b(o);
    QMainWindow frame;
    frame.show();
    auto env = b.Env(&frame);
    zet::ui::OnSelfTest(env);
    ASSERT_EQ(b.prompts.calls.size(), 1u) << c.result;
    EXPECT_EQ(b.prompts.calls[0].text, c.message);
    EXPECT_EQ(b.prompts.calls[0].caption, "ЗЕТ");
    EXPECT_TRUE(frame.isEnabled());
    EXPECT_EQ(b.channel.State(), zet::SerialChannel::PortState::Closed);
    EXPECT_EQ(b.device.writes.at(0)[1], 0xC0);
  }
}

}  // namespace
