#pragma once
// Persistent settings: sections of keys holding integers or strings.
// The desktop program and zet-cli keep them in one QSettings profile; tests
// use the in-memory store.
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace zet {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Reads fall back to the default when the key is absent or unreadable.
  virtual int ReadInt(const std::string& section, const std::string& key, int def) = 0;
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) = 0;
  // Write failures are not reported to the user.
  virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

class MemorySettingsStore : public SettingsStore {
 public:
  int ReadInt(const std::string& section, const std::string& key, int def) override;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) override;
  void WriteInt(const std::string& section, const std::string& key, int value) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;

  bool Has(const std::string& section, const std::string& key) const;
  // The raw stored text, as a profile on disk would hold it.
  std::optional<std::string> Raw(const std::string& section, const std::string& key) const;

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace zet
