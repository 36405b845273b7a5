// The INI file behind the settings: QSettings does the reading and writing; the
// plain reader of ini_values.h recovers values QSettings turns into lists or other types.
#include <QSettings>
#include <QStringList>

#include "ini_values.h"
#include "qt_text.h"
#include "settings.h"

namespace scrivane {
namespace {

const QString kGeneralSection = QStringLiteral("General");

}  // namespace

SettingsStore::SettingsStore() : SettingsStore(FromStd(UserStorePath())) {}

SettingsStore::SettingsStore(const QString& path) : path_(path) {
  if (IsUsableStoreFile(ToStd(path))) {
    settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
  } else {
    WarnUnusableStore(ToStd(path));
  }
}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::Read(const QString& section, const QString& key) const {
  if (!settings_) return std::nullopt;
  const QString keyPath = FromStd(IniKeyPath(ToStd(section), ToStd(key)));
  if (!settings_->contains(keyPath)) return std::nullopt;
  const QVariant value = settings_->value(keyPath);
  if (value.typeId() == QMetaType::QString) return value.toString();
  return RawText(keyPath);
}

QString SettingsStore::Read(const QString& section, const QString& key, const QString& fallback) const {
  return Read(section, key).value_or(fallback);
}

void SettingsStore::Write(const QString& section, const QString& key, const QString& value) {
  if (!settings_) return;
  KeepListValuesAsText();
  settings_->setValue(FromStd(IniKeyPath(ToStd(section), ToStd(key))), value);
}

void SettingsStore::Delete(const QString& section) {
  if (!settings_) return;
  KeepListValuesAsText();
  if (section == kGeneralSection) {
    for (const QString& key : settings_->childKeys()) settings_->remove(key);
  } else {
    settings_->remove(section);
  }
}

void SettingsStore::Sync() {
  if (settings_) settings_->sync();
}

QString SettingsStore::FilePath() const { return path_; }

QString SettingsStore::RawText(const QString& keyPath) const {
  const RawIniValues raw = ReadRawIniValues(ToStd(path_));
  const auto found = raw.find(ToStd(keyPath));
  return FromStd(DecodeIniValue(found == raw.end() ? std::string_view() : found->second));
}

void SettingsStore::KeepListValuesAsText() {
  // Writing makes QSettings rewrite the whole file, and it would write a list back
  // with its own spacing; set such values to their original text first.
  if (listValuesKept_) return;
  listValuesKept_ = true;
  RawIniValues raw;
  for (const QString& keyPath : settings_->allKeys()) {
    if (keyPath.isEmpty() || settings_->value(keyPath).typeId() != QMetaType::QStringList) continue;
    if (raw.empty()) raw = ReadRawIniValues(ToStd(path_));
    const auto found = raw.find(ToStd(keyPath));
    settings_->setValue(keyPath, FromStd(DecodeIniValue(found == raw.end() ? std::string_view() : found->second)));
  }
}

}  // namespace scrivane
