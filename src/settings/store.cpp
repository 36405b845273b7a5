// The INI file behind the settings: QSettings does the reading and writing; the
// raw-line reader below recovers values QSettings turns into lists or other types.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStringList>

#include <cstdio>

#include "settings.h"

namespace scrivane {
namespace {

const QString kGeneralSection = QStringLiteral("General");

// Our file stays a few kilobytes; anything far larger is not ours and is left alone
// (QSettings would read it whole into memory).
constexpr qint64 kLargestUsableFile = 4 * 1024 * 1024;

QString UserStorePath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/Scrivan/Scrivan.ini");
}

// QSettings writes its top-level keys under [General]; a group of that name would read [%General].
QString KeyPath(const QString& section, const QString& key) {
  return section == kGeneralSection ? key : section + QLatin1Char('/') + key;
}

// A missing file is fine (it is created on the first write); a folder, a device, a pipe
// or an oversized file is not opened at all.
bool IsUsableStoreFile(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) return !info.isSymLink();
  return info.isFile() && info.size() <= kLargestUsableFile;
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }
bool IsLineEnd(char ch) { return ch == '\n' || ch == '\r'; }

// One logical line of an INI file: a newline inside double quotes or after a
// backslash continues it, and an unquoted ';' ends it (the rest is a comment).
QByteArrayView NextLogicalLine(QByteArrayView data, qsizetype& pos) {
  while (pos < data.size() && (IsBlank(data[pos]) || IsLineEnd(data[pos]))) ++pos;
  const qsizetype start = pos;
  bool inQuotes = false;
  qsizetype end = pos;
  while (end < data.size()) {
    const char ch = data[end];
    if (ch == '\\' && end + 1 < data.size()) {
      end += 2;
      continue;
    }
    if (ch == '"') inQuotes = !inQuotes;
    if (!inQuotes && (IsLineEnd(ch) || (ch == ';' && end > start))) break;
    if (ch == ';' && end == start) {  // comment line
      while (end < data.size() && !IsLineEnd(data[end])) ++end;
      pos = end;
      return {};
    }
    ++end;
  }
  pos = end;
  while (pos < data.size() && !IsLineEnd(data[pos])) ++pos;  // an inline comment's text
  return data.sliced(start, end - start);
}

// Every key's raw value text, by the key path QSettings uses ("Input", "Files/In0").
QHash<QString, QByteArray> RawIniValues(const QString& path) {
  QHash<QString, QByteArray> values;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return values;
  QByteArray data = file.readAll();
  if (data.startsWith("\xEF\xBB\xBF")) data.remove(0, 3);
  QString group;  // "" for the top level
  qsizetype pos = 0;
  while (pos < data.size()) {
    const QByteArrayView line = NextLogicalLine(data, pos);
    if (line.isEmpty()) continue;
    if (line.front() == '[') {
      const qsizetype close = line.indexOf(']');
      const QString name = QString::fromUtf8(line.sliced(1, (close < 0 ? line.size() : close) - 1)).trimmed();
      if (name.compare(kGeneralSection, Qt::CaseInsensitive) == 0) group.clear();
      else if (name == QStringLiteral("%General")) group = kGeneralSection + QLatin1Char('/');
      else group = name + QLatin1Char('/');
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QString key = QString::fromUtf8(line.first(equals)).trimmed();
    values.insert(group + key, line.sliced(equals + 1).toByteArray());
  }
  return values;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// Decodes a raw INI value as QSettings does (escapes, quotes, outer blanks), except
// that commas are ordinary characters: "a, b" is the text "a, b", not a list.
QString DecodeIniValue(QByteArrayView raw) {
  QString text;
  QByteArray pending;  // literal UTF-8 bytes not yet decoded
  const auto flush = [&] {
    text += QString::fromUtf8(pending);
    pending.clear();
  };
  qsizetype keepFrom = 0;  // trailing blanks before this length were quoted or escaped
  bool inQuotes = false;
  qsizetype i = 0;
  while (i < raw.size() && IsBlank(raw[i])) ++i;
  while (i < raw.size()) {
    const char ch = raw[i++];
    if (ch == '"') {
      flush();
      inQuotes = !inQuotes;
      keepFrom = text.size();
      continue;
    }
    if (ch != '\\') {
      pending += ch;
      continue;
    }
    flush();
    if (i >= raw.size()) break;
    const char code = raw[i++];
    static constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                                           {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                                           {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    bool known = false;
    for (const auto& escape : kEscapes) {
      if (code == escape[0]) {
        text += QLatin1Char(escape[1]);
        known = true;
        break;
      }
    }
    if (!known && code == 'x') {
      char32_t value = 0;
      while (i < raw.size() && HexDigit(raw[i]) >= 0 && value <= 0xFFF) value = value * 16 + HexDigit(raw[i++]);
      text += QChar(static_cast<char16_t>(value));
    } else if (!known && code >= '0' && code <= '7') {
      char32_t value = code - '0';
      while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7' && value <= 0xFFF) value = value * 8 + (raw[i++] - '0');
      text += QChar(static_cast<char16_t>(value));
    } else if (!known && IsLineEnd(code)) {  // a continued line
      if (i < raw.size() && IsLineEnd(raw[i]) && raw[i] != code) ++i;
    }
    keepFrom = text.size();  // an unknown escape drops its character, as QSettings does
  }
  flush();
  qsizetype end = text.size();
  if (!inQuotes) {
    while (end > keepFrom && (text[end - 1] == QLatin1Char(' ') || text[end - 1] == QLatin1Char('\t'))) --end;
  }
  text.truncate(end);
  return text;
}

}  // namespace

SettingsStore::SettingsStore() : SettingsStore(UserStorePath()) {}

SettingsStore::SettingsStore(const QString& path) : path_(path) {
  if (IsUsableStoreFile(path)) {
    settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
  } else {
    std::fprintf(stderr, "Settings file %s is not a settings file this program can use; defaults apply.\n",
                 qUtf8Printable(path));
  }
}

SettingsStore::~SettingsStore() = default;

std::optional<QString> SettingsStore::Read(const QString& section, const QString& key) const {
  if (!settings_) return std::nullopt;
  const QString keyPath = KeyPath(section, key);
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
  settings_->setValue(KeyPath(section, key), value);
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
  return DecodeIniValue(RawIniValues(path_).value(keyPath));
}

void SettingsStore::KeepListValuesAsText() {
  // Writing makes QSettings rewrite the whole file, and it would write a list back
  // with its own spacing; set such values to their original text first.
  if (listValuesKept_) return;
  listValuesKept_ = true;
  QHash<QString, QByteArray> raw;
  for (const QString& keyPath : settings_->allKeys()) {
    if (keyPath.isEmpty() || settings_->value(keyPath).typeId() != QMetaType::QStringList) continue;
    if (raw.isEmpty()) raw = RawIniValues(path_);
    settings_->setValue(keyPath, DecodeIniValue(raw.value(keyPath)));
  }
}

}  // namespace scrivane
