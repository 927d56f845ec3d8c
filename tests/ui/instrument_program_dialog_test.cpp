#include "instrument/ui/program_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <cstdlib>
#include <optional>
#include <ctime>
#include <string>

#include "instrument/program.h"
#include "instrument/ui/spin_arrows.h"
#include "support/environment.h"
#include "support/fakes.h"

namespace {

// 2023-11-14 22:13:20 UTC, a Tuesday.
constexpr std::time_t kNow = 1700000000;

class ProgramDialogTest : public ::testing::Test {
 protected:
  std::string Text(CProgramDialog& d, int id) { return d.Text(id)->text().toStdString(); }
  bool Enabled(CProgramDialog& d, int id) { return d.Button(id)->isEnabled(); }

  zet::testing::TimeZoneScope tz{"UTC"};
  zet::testing::VirtualClock clock{kNow};
};

TEST_F(ProgramDialogTest, OpensWithAutomaticRangeOneChannelHalfSecondManualStart) {
  CProgramDialog d(clock, nullptr);
  EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Задание программы"));
  for (int id : {1027, 1029, 1034, 1004, 1063}) EXPECT_TRUE(d.Button(id)->isChecked()) << id;
  for (int id = 1029; id <= 1032; ++id) EXPECT_FALSE(Enabled(d, id)) << id;
  for (int id : {1010, 1011, 1014, 1023, 1026}) EXPECT_FALSE(d.Text(id)->isEnabled()) << id;
  for (int id = 1066; id <= 1070; ++id) EXPECT_FALSE(d.Spin(id)->isEnabled()) << id;
  EXPECT_EQ(d.Button(1031)->text().toStdString(), "1 B");
  EXPECT_EQ(d.Button(1035)->text().toStdString(), "1 c");

  EXPECT_EQ(Text(d, 1010), "Год : 2023");
  EXPECT_EQ(Text(d, 1011), "Месяц : ноябрь");
  EXPECT_EQ(Text(d, 1014), "День : 14 (вторник)");
  EXPECT_EQ(Text(d, 1023), "Час : 22");
  EXPECT_EQ(Text(d, 1026), "Минута : 13");
}

TEST_F(ProgramDialogTest, EnablingFollowsRangeStartAndPeriodChoices) {
  CProgramDialog d(clock, nullptr);
  d.Button(1028)->click();
  for (int id = 1029; id <= 1032; ++id) EXPECT_TRUE(Enabled(d, id));
  d.Button(1064)->click();
  EXPECT_TRUE(d.Text(1014)->isEnabled());
  EXPECT_TRUE(d.Spin(1070)->isEnabled());

  // Continuous sampling forces automatic range and manual start and locks them.
  d.Button(1033)->click();
  EXPECT_TRUE(d.Button(1027)->isChecked());
  EXPECT_TRUE(d.Button(1063)->isChecked());
  for (int id : {1027, 1028, 1063, 1064}) EXPECT_FALSE(Enabled(d, id)) << id;
  for (int id = 1029; id <= 1032; ++id) EXPECT_FALSE(Enabled(d, id));
  EXPECT_FALSE(d.Spin(1066)->isEnabled());

  // Another period unlocks them and leaves the checks alone.
  d.Button(1038)->click();
  for (int id : {1027, 1028, 1063, 1064}) EXPECT_TRUE(Enabled(d, id)) << id;
  EXPECT_TRUE(d.Button(1027)->isChecked());
  EXPECT_TRUE(d.Button(1063)->isChecked());

  d.accept();
  const zet::ProgramSettings s = d.Settings();
  EXPECT_TRUE(s.autoRange);
  EXPECT_TRUE(s.manualStart);
  EXPECT_EQ(s.periodCode, 4);

  CProgramDialog c(clock, nullptr);
  c.Button(1033)->click();
  c.accept();
  EXPECT_EQ(c.Settings().periodCode, zet::kPeriodContinuous);
}

TEST_F(ProgramDialogTest, ChoicesReachTheCommandFrame) {
  CProgramDialog d(clock, nullptr);
  d.Button(1028)->click();
  d.Button(1032)->click();  // 0.1 V
  d.Button(1005)->click();  // two channels
  d.Button(1038)->click();  // 10 s
  d.accept();
  EXPECT_EQ(d.m_nRangeCode, 3);
  EXPECT_EQ(d.m_nChannelCode, 1);
  EXPECT_EQ(d.m_nPeriodCode, 4);
  EXPECT_FALSE(d.m_bAutoRange);
  EXPECT_EQ(zet::BuildProgramFrame(d.Settings(), kNow)[2], 0xF4);
}

TEST_F(ProgramDialogTest, SpinsStepTheStartTimeAndNeverGoBeforeNow) {
  CProgramDialog d(clock, nullptr);
  d.Button(1064)->click();

  d.Spin(1067)->StepDown();  // a minute back is in the past: now plus one minute
  EXPECT_EQ(d.m_timeStart, kNow + 60);
  EXPECT_EQ(Text(d, 1026), "Минута : 14");

  d.Spin(1066)->StepUp();
  EXPECT_EQ(Text(d, 1023), "Час : 23");
  d.Spin(1066)->StepUp();  // past midnight: the day follows
  EXPECT_EQ(Text(d, 1023), "Час : 0");
  EXPECT_EQ(Text(d, 1014), "День : 15 (среда)");

  d.Spin(1069)->StepUp();
  EXPECT_EQ(Text(d, 1011), "Месяц : декабрь");
  d.Spin(1070)->StepUp();
  EXPECT_EQ(Text(d, 1010), "Год : 2024");

  // Left open until the chosen start has passed: OK takes the current time.
  const std::time_t chosen = d.m_timeStart;
  clock.Advance((chosen - kNow + 3600) * 1000LL);
  d.accept();
  EXPECT_FALSE(d.m_bManualStart);
  EXPECT_EQ(d.m_timeStart, clock.Now());
}

}  // namespace
