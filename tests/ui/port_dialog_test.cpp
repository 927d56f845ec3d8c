#include "link/ui/port_dialog.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include "base/settings.h"

namespace {

QStringList Entries(const CPortDlg& dlg) {
  QStringList out;
  for (int i = 0; i < dlg.PortList()->count(); ++i) out << dlg.PortList()->item(i)->text();
  return out;
}

TEST(PortDialog, ListsTheComPortsAndPresentDevicesAndSelectsTheStoredName) {
  zet::MemorySettingsStore store;
  zet::AppSettings settings(store);
  {
    CPortDlg dlg(settings, nullptr, {"/dev/ttyUSB0", "/dev/ttyACM1"});
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Настройка Порта"));
    // Each name with the system device behind it (on Windows the name is the device).
    QStringList expected{"/dev/ttyACM1", "/dev/ttyUSB0"};
    for (int i = 1; i <= 6; ++i) {
#ifdef _WIN32
      expected << QStringLiteral("COM%1:").arg(i);
#else
      expected << QStringLiteral("COM%1: — /dev/ttyS%2").arg(i).arg(i - 1);
#endif
    }
    EXPECT_EQ(Entries(dlg), expected);
    EXPECT_EQ(dlg.SelectedPort(), "COM2:");  // nothing stored yet
  }
  store.WriteString("Port", "Name", "com5:");
  {
    CPortDlg dlg(settings, nullptr, {});
    EXPECT_EQ(dlg.SelectedPort(), "COM5:");
  }
  store.WriteString("Port", "Name", "/dev/ttyUSB3");  // an adapter that is gone
  {
    CPortDlg dlg(settings, nullptr, {"/dev/ttyUSB0"});
    EXPECT_TRUE(dlg.SelectedPort().isEmpty());
    dlg.accept();  // keeps the stored name
    EXPECT_EQ(settings.m_strPortName, "/dev/ttyUSB3");
    EXPECT_EQ(store.ReadString("Port", "Name", ""), "/dev/ttyUSB3");
  }
}

TEST(PortDialog, OkStoresTheChoiceAndKeepsSpeedAndLineLevels) {
  zet::MemorySettingsStore store;
  store.WriteInt("Port", "Signals", 0x01000100);  // bytes 0,1,0,1
  zet::AppSettings settings(store);
  settings.GetSignals();
  settings.GetBaudRate();

  CPortDlg dlg(settings, nullptr, {});
  dlg.PortList()->setCurrentItem(dlg.PortList()->findItems("COM4:", Qt::MatchStartsWith).front());
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(store.ReadString("Port", "Name", ""), "COM4:");
  EXPECT_EQ(settings.m_strPortName, "COM4:");
  EXPECT_EQ(store.ReadInt("Port", "Signals", -1), 0x01000100);
  EXPECT_EQ(settings.m_dwSignals, 0x01000100u);
  EXPECT_EQ(settings.m_strBaudRate, "10416");
}

TEST(PortDialog, UnusualLineLevelsComeBackUnchanged) {
  // Any non-zero byte means "set"; it must not be rewritten as something else.
  zet::MemorySettingsStore store;
  store.WriteInt("Port", "Signals", 0x7F00FF05);
  zet::AppSettings settings(store);
  settings.GetSignals();
  CPortDlg dlg(settings, nullptr, {});
  dlg.accept();
  EXPECT_EQ(settings.m_dwSignals, 0x7F00FF05u);
}

TEST(PortDialog, CancelChangesNothingAndKeepsThePortInUse) {
  zet::MemorySettingsStore store;
  store.WriteString("Port", "Name", "COM3:");
  zet::AppSettings settings(store);
  settings.m_strPortName = "/dev/pts/7";  // a simulated recorder for this run
  CPortDlg dlg(settings, nullptr, {});
  dlg.PortList()->setCurrentRow(0);
  dlg.reject();
  EXPECT_EQ(settings.m_strPortName, "/dev/pts/7");
  EXPECT_EQ(store.ReadString("Port", "Name", ""), "COM3:");
  EXPECT_FALSE(store.Has("Port", "Signals"));
}

}  // namespace
