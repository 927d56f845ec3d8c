#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

#include "base/host.h"
#include "base/settings.h"
#include "base/text_format.h"
#include "base/qt/qt_settings_store.h"
#include "support/environment.h"

namespace zet {
namespace {

TEST(AppSettings, FirstStartGivesDefaultsAndStoresFontBack) {
  MemorySettingsStore store;
  AppSettings app(store);
  EXPECT_EQ(app.GetPortName(), "COM2:");
  EXPECT_EQ(app.GetBaudRate(), "10416");
  EXPECT_EQ(app.GetSignals(), 0u);
  EXPECT_EQ(app.GetMeasurementCounter(), 1);
  LogFont f = app.ReadFontSetting();
  EXPECT_EQ(f.lfFaceName, "Arial");
  EXPECT_EQ(f.lfHeight, 10);
  EXPECT_EQ(f.lfCharSet, 204);
  EXPECT_EQ(app.m_rcMargins, (Margins{2500, 1500, 1500, 1500}));
  app.WriteFontSetting(f);
  for (const char* key : {"Height", "Width", "Escapement", "Orientation", "Weight", "Italic",
                          "Underline", "StrikeOut", "CharSet", "OutPrecision", "ClipPrecision",
                          "Quality", "PitchAndFamily", "FaceName"})
    EXPECT_TRUE(store.Has("Font", key)) << key;
  EXPECT_EQ(*store.Raw("Font", "CharSet"), "204");
}

TEST(AppSettings, StoredValuesAreCutAsTheProfileWould) {
  MemorySettingsStore store;
  AppSettings app(store);
  store.WriteString("Port", "Name", "");
  EXPECT_EQ(app.GetPortName(), "COM2:");
  store.WriteInt("Font", "Italic", 257);
  store.WriteString("Font", "FaceName", std::string(40, 'x'));
  LogFont f = app.ReadFontSetting();
  EXPECT_EQ(f.lfItalic, 1);
  EXPECT_EQ(f.lfFaceName, std::string(31, 'x'));
  // Cyrillic names are cut by characters, never inside a character.
  store.WriteString("Font", "FaceName", "ШрифтШрифтШрифтШрифтШрифтШрифтШрифт");
  EXPECT_EQ(app.ReadFontSetting().lfFaceName, "ШрифтШрифтШрифтШрифтШрифтШрифтШ");
  app.SetBaudRate("2400");
  EXPECT_EQ(app.GetBaudRate(), "10416");
}

TEST(AppSettings, QSettingsProfileKeepsIntegersStringsAndUnsignedLineLevels) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  {
    QtSettingsStore store;
    AppSettings app(store);
    app.SetPortName("/dev/ttyUSB0");
    app.SetSignals(0x01000100u);
    LogFont f = app.ReadFontSetting();
    f.lfFaceName = "DejaVu Sans";
    f.lfWeight = 700;
    app.WriteFontSetting(f);
    app.SetMeasurementCounter(7);
  }
  QtSettingsStore store;
  AppSettings app(store);
  EXPECT_EQ(app.GetPortName(), "/dev/ttyUSB0");
  EXPECT_EQ(app.GetSignals(), 0x01000100u);
  EXPECT_EQ(app.ReadFontSetting().lfFaceName, "DejaVu Sans");
  EXPECT_EQ(app.ReadFontSetting().lfWeight, 700);
  EXPECT_EQ(app.GetMeasurementCounter(), 7);
  store.WriteInt("Port", "Signals", -1);
  EXPECT_EQ(app.GetSignals(), 0xFFFFFFFFu);
}

TEST(TextFormat, KeepsTheDecimalPointInARussianLocale) {
  const char* ru = std::setlocale(LC_ALL, testing::kRussianLocale);
  ASSERT_NE(ru, nullptr) << "scripts/setup-deps generates ru_RU.UTF-8";
  EXPECT_EQ(CFormat("%f|%6.1f|%d", 1.5, -0.25, 42), "1.500000|  -0.2|42");
  std::setlocale(LC_ALL, "C");
}

TEST(ProgressPercent, FollowsTheBoxRule) {
  EXPECT_EQ(ProgressPercentText(0, 15, 7), "46%");
  EXPECT_EQ(ProgressPercentText(0, 100, 100), "100%");
  EXPECT_EQ(ProgressPercentText(0, 100, 107), "7%");
  EXPECT_EQ(ProgressPercentText(5, 5, 3), "");
}

}  // namespace
}  // namespace zet
