#include "base/settings_store.h"

#include <charconv>

namespace zet {

int MemorySettingsStore::ReadInt(const std::string& section, const std::string& key, int def) {
  auto it = values_.find({section, key});
  if (it == values_.end()) return def;
  long long v = 0;
  const std::string& s = it->second;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return def;
  return static_cast<int>(v);
}

std::string MemorySettingsStore::ReadString(const std::string& section, const std::string& key,
                                            const std::string& def) {
  auto it = values_.find({section, key});
  return it == values_.end() ? def : it->second;
}

void MemorySettingsStore::WriteInt(const std::string& section, const std::string& key, int value) {
  values_[{section, key}] = std::to_string(value);
}

void MemorySettingsStore::WriteString(const std::string& section, const std::string& key,
                                      const std::string& value) {
  values_[{section, key}] = value;
}

bool MemorySettingsStore::Has(const std::string& section, const std::string& key) const {
  return values_.count({section, key}) != 0;
}

std::optional<std::string> MemorySettingsStore::Raw(const std::string& section,
                                                    const std::string& key) const {
  auto it = values_.find({section, key});
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

}  // namespace zet
