// One QApplication and a throw-away settings location for every desktop test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace {

class ShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    settingsDir_ = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_->path());
    if (!QApplication::instance()) {
      static int argc = 1;
      static char arg0[] = "test_ui";
      static char* argv[] = {arg0, nullptr};
      app_ = std::make_unique<QApplication>(argc, argv);
    }
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QTemporaryDir> settingsDir_;
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const auto* const kShellEnv = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace
