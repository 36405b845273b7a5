// Independent checks for the fuzz targets: nothing here calls the engine.
#include "fuzz_checks.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace scrivane::fuzz {
namespace {

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Bytes shown as they are when printable ASCII, else as \xNN.
std::string Printable(std::string_view bytes, std::size_t limit) {
  std::string shown;
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      shown.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown.append(hex);
    }
  }
  if (bytes.size() > limit) shown.append("...");
  return shown;
}

constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Parses "&#N;" or "&#xN;" at the start of `text`; returns its length, or 0.
std::size_t NumericReference(std::string_view text, char32_t& c) {
  std::size_t i = 2;
  const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
  if (hex) ++i;
  const std::size_t digits = i;
  std::uint64_t value = 0;
  for (; i < text.size() && i - digits < 8; ++i) {
    const char d = text[i];
    if (IsAsciiDigit(d)) {
      value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(d - '0');
    } else if (hex && Lower(d) >= 'a' && Lower(d) <= 'f') {
      value = value * 16 + static_cast<std::uint64_t>(Lower(d) - 'a' + 10);
    } else {
      break;
    }
  }
  if (i == digits || i >= text.size() || text[i] != ';' || value > 0x10FFFF) return 0;
  c = static_cast<char32_t>(value);
  return i + 1;
}

}  // namespace

void Fail(std::string_view property, std::string_view detail, std::string_view input) {
  std::fprintf(stderr, "\n*** property broken: %.*s\n*** detail: %s\n*** input (%zu bytes): %s\n",
               static_cast<int>(property.size()), property.data(), Printable(detail, 600).c_str(), input.size(),
               Printable(input, 2000).c_str());
  std::abort();
}

std::uint8_t ByteReader::Byte() {
  if (rest_.empty()) return 0;
  const auto byte = static_cast<std::uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return byte;
}

std::string ByteReader::Text(std::size_t maxLength) {
  const std::size_t length = std::min<std::size_t>(Byte() % (maxLength + 1), rest_.size());
  std::string text(rest_.substr(0, length));
  rest_.remove_prefix(length);
  return text;
}

std::string ReadHtml(std::string_view document, std::vector<Tag>& tags, std::string& text) {
  tags.clear();
  text.clear();
  std::size_t i = 0;
  const std::size_t n = document.size();
  while (i < n) {
    const std::size_t open = document.find('<', i);
    const std::string_view run = document.substr(i, open == std::string_view::npos ? std::string_view::npos : open - i);
    std::string decoded;
    if (!DecodeEntities(run, decoded)) return "an & that starts no entity in the text " + std::string(run);
    text.append(run);
    if (open == std::string_view::npos) break;
    i = open + 1;
    Tag tag;
    if (i < n && document[i] == '/') tag.name.push_back(document[i++]);
    if (i >= n || !IsAsciiAlpha(document[i])) return "a < that opens no tag at " + std::to_string(open);
    while (i < n && (IsAsciiAlpha(document[i]) || IsAsciiDigit(document[i]))) tag.name.push_back(document[i++]);
    for (;;) {
      const std::size_t spaceStart = i;
      while (i < n && IsHtmlSpace(document[i])) ++i;
      if (i >= n) return "an unclosed tag " + tag.name;
      if (document[i] == '>') {
        ++i;
        break;
      }
      if (i == spaceStart || tag.name.front() == '/') return "text inside the tag " + tag.name;
      std::string name;
      while (i < n && (IsAsciiAlpha(document[i]) || document[i] == '-')) name.push_back(document[i++]);
      if (name.empty() || i + 1 >= n || document[i] != '=' || document[i + 1] != '"') {
        return "an attribute that is not NAME=\"value\" in " + tag.name;
      }
      i += 2;
      const std::size_t close = document.find('"', i);
      if (close == std::string_view::npos) return "an unclosed attribute value in " + tag.name;
      const std::string_view value = document.substr(i, close - i);
      if (value.find_first_of("<>") != std::string_view::npos) return "a < or > inside " + name + " of " + tag.name;
      tag.attributes.emplace_back(std::move(name), std::string(value));
      i = close + 1;
    }
    tags.push_back(std::move(tag));
  }
  return {};
}

bool DecodeEntities(std::string_view text, std::string& out) {
  constexpr std::array<std::pair<std::string_view, char32_t>, 5> kNamed{{
      {"&amp;", U'&'}, {"&lt;", U'<'}, {"&gt;", U'>'}, {"&quot;", U'"'}, {"&pound;", U'\u00A3'}}};
  std::size_t done = 0;
  for (std::size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', done)) {
    out.append(text.substr(done, at - done));
    const std::string_view rest = text.substr(at);
    std::size_t length = 0;
    char32_t c = 0;
    for (const auto& [entity, character] : kNamed) {
      if (rest.starts_with(entity)) {
        length = entity.size();
        c = character;
        break;
      }
    }
    if (length == 0 && rest.starts_with("&#")) length = NumericReference(rest, c);
    if (length == 0) return false;
    AppendUtf8(out, c);
    done = at + length;
  }
  out.append(text.substr(done));
  return true;
}

bool StartsScript(std::string_view value) {
  // URL parsing drops leading and trailing C0 controls and spaces, then every TAB, LF and CR.
  const auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!value.empty() && isTrimmed(value.front())) value.remove_prefix(1);
  while (!value.empty() && isTrimmed(value.back())) value.remove_suffix(1);
  std::string scheme;
  for (char c : value) {
    if (c == '\t' || c == '\n' || c == '\r') continue;
    if (c == ':') break;
    const bool allowed = scheme.empty() ? IsAsciiAlpha(c)
                                        : (IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.');
    if (!allowed) return false;  // no scheme: a relative address
    scheme.push_back(Lower(c));
  }
  return scheme == "javascript" || scheme == "vbscript" || scheme == "data";
}

std::string HrefProblem(std::string_view value) {
  constexpr std::string_view kCodePoints = "!$&'()*+,-./:;=?@_~%#[]";
  const auto isHex = [](char c) { return IsAsciiDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f'); };
  const std::size_t authority = value.find("://");
  const std::size_t hostEnd =
      authority == std::string_view::npos ? 0 : std::min(value.find_first_of("/?#", authority + 3), value.size());
  bool hash = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const std::string at = " at " + std::to_string(i);
    if (!IsAsciiAlpha(c) && !IsAsciiDigit(c) && kCodePoints.find(c) == std::string_view::npos) {
      return "a byte outside the URL code points" + at;
    }
    if (c == '&' && value.substr(i, 5) != "&amp;") return "an & that is not &amp;" + at;
    if (c == '%' && (i + 2 >= value.size() || !isHex(value[i + 1]) || !isHex(value[i + 2]))) {
      return "a % without two hex digits" + at;
    }
    if (c == '#' && std::exchange(hash, true)) return "a second #" + at;
    if ((c == '[' || c == ']') && i >= hostEnd) return "a bracket outside the host" + at;
  }
  return {};
}

bool HasAllowedScheme(std::string_view value) {
  std::string lower;
  for (char c : value.substr(0, 8)) lower.push_back(Lower(c));
  for (std::string_view scheme : {"http://", "https://", "ftp://", "ftps://", "sftp://", "mailto:"}) {
    if (lower.starts_with(scheme)) return true;
  }
  return false;
}

std::string PercentDecoded(std::string_view text) {
  const auto hex = [](char c) {
    return IsAsciiDigit(c) ? c - '0' : (Lower(c) >= 'a' && Lower(c) <= 'f') ? Lower(c) - 'a' + 10 : -1;
  };
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
      i += 2;
    } else {
      decoded.push_back(text[i]);
    }
  }
  return decoded;
}

bool IsUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 1;
    char32_t c = lead;
    char32_t minimum = 0;
    if (lead >= 0x80) {
      if (lead >= 0xC0 && lead < 0xE0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
      } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
      } else if (lead >= 0xF0 && lead < 0xF8) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
      } else {
        return false;
      }
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string Utf8FromWindows1252(std::string_view bytes) {
  std::string text;
  for (char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    AppendUtf8(text, b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b);
  }
  return text;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsHtmlSpace(text[i])) continue;
    if (i > start) words.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  return words;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

}  // namespace scrivane::fuzz
