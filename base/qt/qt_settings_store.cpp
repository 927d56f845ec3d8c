#include "base/qt/qt_settings_store.h"

#include <QSettings>
#include <QString>

namespace zet {
namespace {
QString Path(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}
}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Вистен"), QStringLiteral("ЗЕТ"))) {}

QtSettingsStore::~QtSettingsStore() = default;

int QtSettingsStore::ReadInt(const std::string& section, const std::string& key, int def) {
  QVariant v = settings_->value(Path(section, key));
  if (!v.isValid()) return def;
  bool ok = false;
  // Stored values may exceed the int range (a 32-bit unsigned line-level
  // value); keep the low 32 bits as the registry would.
  qlonglong n = v.toLongLong(&ok);
  return ok ? static_cast<int>(static_cast<quint32>(n)) : def;
}

std::string QtSettingsStore::ReadString(const std::string& section, const std::string& key,
                                        const std::string& def) {
  QVariant v = settings_->value(Path(section, key));
  if (!v.isValid()) return def;
  return v.toString().toStdString();
}

void QtSettingsStore::WriteInt(const std::string& section, const std::string& key, int value) {
  settings_->setValue(Path(section, key), value);
  settings_->sync();
}

void QtSettingsStore::WriteString(const std::string& section, const std::string& key,
                                  const std::string& value) {
  settings_->setValue(Path(section, key), QString::fromStdString(value));
  settings_->sync();
}

}  // namespace zet
