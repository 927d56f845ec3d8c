#pragma once
// The settings profile on QSettings: organisation "Вистен", application "ЗЕТ"
// (on Linux $XDG_CONFIG_HOME/Вистен/ЗЕТ.conf), one group per section.
#include <memory>

#include "base/settings_store.h"

class QSettings;

namespace zet {

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  ~QtSettingsStore() override;

  int ReadInt(const std::string& section, const std::string& key, int def) override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteInt(const std::string& section, const std::string& key, int value) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

  QSettings& Settings() { return *settings_; }

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace zet
