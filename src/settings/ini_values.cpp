// A small INI reader that follows the store's writer: logical lines, [sections],
// key=value pairs, and the escapes and quotes it writes.
#include "ini_values.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "utf8.h"

namespace scrivane {
namespace {

const std::string_view kGeneralSection = "General";

// Our file stays a few kilobytes; anything far larger is not ours and is left alone.
constexpr off_t kLargestUsableFile = 4 * 1024 * 1024;

bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }
bool IsLineEnd(char ch) { return ch == '\n' || ch == '\r'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// One logical line: a newline inside double quotes or after a backslash continues it,
// and an unquoted ';' ends it (the rest is a comment).
std::string_view NextLogicalLine(std::string_view data, std::size_t& pos) {
  while (pos < data.size() && (IsBlank(data[pos]) || IsLineEnd(data[pos]))) ++pos;
  const std::size_t start = pos;
  bool inQuotes = false;
  std::size_t end = pos;
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
  return data.substr(start, end - start);
}

int HexValue(char ch) { return IsAsciiDigit(ch) ? ch - '0' : LowerAscii(ch) - 'a' + 10; }

// UTF-16 code units from numeric escapes, paired into characters as they come.
class EscapedUnits {
 public:
  void Add(std::string& text, char32_t unit) {
    if (unit >= 0xDC00 && unit <= 0xDFFF && high_ != 0) {
      AppendUtf8(text, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
      high_ = 0;
      return;
    }
    Flush(text);
    if (unit >= 0xD800 && unit <= 0xDBFF) high_ = unit;
    else AppendUtf8(text, unit >= 0xDC00 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit);
  }
  // A high half with no low half after it stands for nothing readable.
  void Flush(std::string& text) {
    if (high_ != 0) AppendUtf8(text, 0xFFFD);
    high_ = 0;
  }

 private:
  char32_t high_ = 0;
};

// Decodes the escape after a backslash at raw[i - 1]; returns false for an unknown one.
bool TakeEscape(std::string_view raw, std::size_t& i, std::string& text, EscapedUnits& units) {
  static constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},
                                         {'r', '\r'}, {'t', '\t'}, {'v', '\v'}, {'"', '"'},
                                         {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
  const char code = raw[i++];
  for (const auto& escape : kEscapes) {
    if (code != escape[0]) continue;
    units.Flush(text);
    text += escape[1];
    return true;
  }
  char32_t value = 0;
  if (code == 'x') {
    while (i < raw.size() && IsHexDigit(raw[i]) && value <= 0xFFF) value = value * 16 + HexValue(raw[i++]);
  } else if (code >= '0' && code <= '7') {
    value = code - '0';
    while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7' && value <= 0xFFF) value = value * 8 + (raw[i++] - '0');
  } else {
    units.Flush(text);
    // A continued line; any other unknown escape drops its character.
    if (IsLineEnd(code) && i < raw.size() && IsLineEnd(raw[i]) && raw[i] != code) ++i;
    return false;
  }
  units.Add(text, value);
  return true;
}

// Appends the literal character at raw[i] and returns its length; a malformed
// sequence becomes U+FFFD, one byte at a time.
std::size_t AppendLiteral(std::string_view raw, std::size_t i, std::string& text) {
  if (static_cast<unsigned char>(raw[i]) < 0x80) {
    text += raw[i];
    return 1;
  }
  char32_t c = 0;
  const std::size_t length = DecodeUtf8(raw, i, c);
  if (length == 0) {
    AppendUtf8(text, 0xFFFD);
    return 1;
  }
  text.append(raw.substr(i, length));
  return length;
}

}  // namespace

std::string UserStorePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = config != nullptr && config[0] == '/' ? config : "";
  if (base.empty()) {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config";
  }
  return base + "/Scrivan/Scrivan.ini";
}

bool IsUsableStoreFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    struct stat link {};
    return lstat(path.c_str(), &link) != 0;  // missing is fine, a dangling link is not
  }
  return S_ISREG(info.st_mode) && info.st_size <= kLargestUsableFile;
}

void WarnUnusableStore(const std::string& path) {
  std::fprintf(stderr, "Settings file %s is not a settings file this program can use; defaults apply.\n", path.c_str());
}

std::string IniKeyPath(std::string_view section, std::string_view key) {
  if (section == kGeneralSection) return std::string(key);
  return std::string(section) + '/' + std::string(key);
}

RawIniValues ReadRawIniValues(const std::string& path) {
  RawIniValues values;
  std::ifstream file(path, std::ios::binary);
  if (!file) return values;
  std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (data.starts_with("\xEF\xBB\xBF")) data.erase(0, 3);
  std::string group;  // "" for the top level
  std::size_t pos = 0;
  while (pos < data.size()) {
    const std::string_view line = NextLogicalLine(data, pos);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name = Trimmed(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
      if (EqualsIgnoringCase(name, kGeneralSection)) group.clear();
      else if (name == "%General") group = std::string(kGeneralSection) + '/';
      else group = std::string(name) + '/';
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos) continue;
    values.insert_or_assign(group + std::string(Trimmed(line.substr(0, equals))), std::string(line.substr(equals + 1)));
  }
  return values;
}

std::string DecodeIniValue(std::string_view raw) {
  std::string text;
  EscapedUnits units;
  std::size_t keepFrom = 0;  // trailing blanks before this length were quoted or escaped
  bool inQuotes = false;
  std::size_t i = 0;
  while (i < raw.size() && IsBlank(raw[i])) ++i;
  while (i < raw.size()) {
    const char ch = raw[i];
    if (ch != '\\' && ch != '"') {
      units.Flush(text);
      i += AppendLiteral(raw, i, text);
      continue;
    }
    ++i;
    if (ch == '"') {
      units.Flush(text);
      inQuotes = !inQuotes;
    } else if (i == raw.size()) {
      break;
    } else {
      TakeEscape(raw, i, text, units);
    }
    keepFrom = text.size();
  }
  units.Flush(text);
  std::size_t end = text.size();
  if (!inQuotes) {
    while (end > keepFrom && IsBlank(text[end - 1])) --end;
  }
  text.resize(end);
  return text;
}

StoredValues::StoredValues(const std::string& path) {
  if (IsUsableStoreFile(path)) raw_ = ReadRawIniValues(path);
  else WarnUnusableStore(path);
}

std::optional<std::string> StoredValues::Find(std::string_view section, std::string_view key) const {
  const auto found = raw_.find(IniKeyPath(section, key));
  if (found == raw_.end()) return std::nullopt;
  std::string text = DecodeIniValue(found->second);
  // The writer doubles a text's leading '@' so that it is not read as a typed value.
  if (text.starts_with("@@")) text.erase(0, 1);
  return text;
}

}  // namespace scrivane
