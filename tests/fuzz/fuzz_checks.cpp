// Independent checks for the fuzz targets: nothing here calls the engine.
#include "fuzz_checks.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>

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
  const std::size_t wanted = Byte() % (maxLength + 1);  // read before the size of the rest is taken
  const std::size_t length = std::min(wanted, rest_.size());
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

namespace {

// How an element may nest.
enum class Flow {
  Block,      // holds blocks; stands only where blocks may
  TextBlock,  // a block that holds text and inline elements only (p, headings, pre)
  Inline,     // inline, holding text and inline elements only
  Through,    // takes the place of its content (the classic page's font around everything)
  VoidBlock,  // a block with no content and no closing tag (hr)
  VoidInline  // an inline element with no content and no closing tag (br)
};

struct ElementRule {
  std::string_view name;
  Flow flow;
  std::string_view parents;  // the only elements it may stand directly in, space separated; "" for any
};

constexpr std::array<ElementRule, 52> kElements{{
    {"html", Flow::Block, ""},        {"head", Flow::Block, "html"},       {"body", Flow::Block, "html"},
    {"title", Flow::TextBlock, "head"}, {"meta", Flow::VoidBlock, "head"}, {"style", Flow::Block, "head"},
    {"header", Flow::Block, ""},      {"main", Flow::Block, ""},           {"footer", Flow::Block, ""},
    {"nav", Flow::Block, ""},         {"div", Flow::Block, ""},            {"center", Flow::Block, ""},
    {"form", Flow::Block, ""},        {"table", Flow::Block, ""},          {"thead", Flow::Block, "table"},
    {"tbody", Flow::Block, "table"},  {"tr", Flow::Block, "table thead tbody"},
    {"td", Flow::Block, "tr"},        {"th", Flow::Block, "tr"},           {"caption", Flow::TextBlock, "table"},
    {"ul", Flow::Block, ""},          {"ol", Flow::Block, ""},             {"li", Flow::Block, "ul ol"},
    {"dl", Flow::Block, ""},          {"dt", Flow::TextBlock, "dl"},       {"dd", Flow::Block, "dl"},
    {"blockquote", Flow::Block, ""},  {"pre", Flow::TextBlock, ""},        {"p", Flow::TextBlock, ""},
    {"h1", Flow::TextBlock, ""},      {"h2", Flow::TextBlock, ""},         {"h3", Flow::TextBlock, ""},
    {"h4", Flow::TextBlock, ""},      {"h5", Flow::TextBlock, ""},         {"h6", Flow::TextBlock, ""},
    {"hr", Flow::VoidBlock, ""},      {"br", Flow::VoidInline, ""},        {"input", Flow::VoidInline, ""},
    {"a", Flow::Inline, ""},          {"b", Flow::Inline, ""},             {"i", Flow::Inline, ""},
    {"em", Flow::Inline, ""},         {"strong", Flow::Inline, ""},        {"code", Flow::Inline, ""},
    {"span", Flow::Inline, ""},       {"time", Flow::Inline, ""},          {"label", Flow::Inline, ""},
    {"button", Flow::Inline, ""},     {"select", Flow::Inline, ""},        {"option", Flow::Inline, "select"},
    {"font", Flow::Through, ""},      {"script", Flow::Block, ""},
}};

// Elements that hold only their own kind of child.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kOnlyChildren{{
    {"ul", "li"}, {"ol", "li"}, {"dl", "dt dd"}, {"select", "option"}}};

// Elements no heading may stand in.
constexpr std::string_view kNoHeadingsIn = "ul ol li dl dt dd p pre a";

bool InList(std::string_view list, std::string_view name) {
  for (std::string_view word : Words(list)) {
    if (word == name) return true;
  }
  return false;
}

std::string LowerName(std::string_view name) {
  std::string lower;
  for (char c : name) lower.push_back(Lower(c));
  return lower;
}

const ElementRule* RuleOf(std::string_view name) {
  for (const ElementRule& rule : kElements) {
    if (rule.name == name) return &rule;
  }
  return nullptr;
}

// What is wrong with opening `rule` inside the open elements `open` (outermost first).
std::string PlacementProblem(const ElementRule& rule, const std::vector<const ElementRule*>& open) {
  const ElementRule* parent = nullptr;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    if ((*it)->flow != Flow::Through) {
      parent = *it;
      break;
    }
  }
  const std::string where = std::string(rule.name) + " in " + (parent ? std::string(parent->name) : "nothing");
  if (!rule.parents.empty() && !(parent && InList(rule.parents, parent->name))) return "misplaced " + where;
  for (const auto& [container, children] : kOnlyChildren) {
    if (parent && parent->name == container && !InList(children, rule.name)) return "misplaced " + where;
  }
  const bool block = rule.flow == Flow::Block || rule.flow == Flow::TextBlock || rule.flow == Flow::VoidBlock;
  const bool heading = rule.name.size() == 2 && rule.name[0] == 'h' && IsAsciiDigit(rule.name[1]);
  for (const ElementRule* outer : open) {
    const bool textOnly = outer->flow == Flow::TextBlock || outer->flow == Flow::Inline;
    if (block && textOnly) return "a block " + where + " inside " + std::string(outer->name);
    if (heading && InList(kNoHeadingsIn, outer->name)) return "a heading inside " + std::string(outer->name);
    if (rule.name == "a" && outer->name == "a") return "a link inside a link";
  }
  return {};
}

}  // namespace

std::string NestingProblem(const std::vector<Tag>& tags) {
  std::vector<const ElementRule*> open;
  for (const Tag& tag : tags) {
    const bool closing = tag.name.starts_with('/');
    const std::string name = LowerName(closing ? tag.name.substr(1) : tag.name);
    const ElementRule* rule = RuleOf(name);
    if (rule == nullptr) return "an element with no nesting rule: " + name;
    if (closing) {
      if (open.empty() || open.back() != rule) {
        return "</" + name + "> closes " + (open.empty() ? std::string("nothing") : std::string(open.back()->name));
      }
      open.pop_back();
      continue;
    }
    if (const std::string problem = PlacementProblem(*rule, open); !problem.empty()) return problem;
    if (rule->flow != Flow::VoidBlock && rule->flow != Flow::VoidInline) open.push_back(rule);
  }
  if (!open.empty()) return std::string("left open: ") + std::string(open.back()->name);
  return {};
}

bool HoldsForbiddenCodePoint(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return true;
    if (c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) return true;  // C1
    if (c == 0xEF && i + 2 < text.size()) {
      const auto b1 = static_cast<unsigned char>(text[i + 1]), b2 = static_cast<unsigned char>(text[i + 2]);
      if (b1 == 0xB7 && b2 >= 0x90 && b2 <= 0xAF) return true;  // U+FDD0 to U+FDEF
      if (b1 == 0xBF && (b2 == 0xBE || b2 == 0xBF)) return true;  // U+FFFE, U+FFFF
    }
    if (c >= 0xF0 && i + 3 < text.size()) {  // U+nFFFE and U+nFFFF in the other planes
      const auto b2 = static_cast<unsigned char>(text[i + 2]), b3 = static_cast<unsigned char>(text[i + 3]);
      if ((static_cast<unsigned char>(text[i + 1]) & 0x0F) == 0x0F && b2 == 0xBF && (b3 == 0xBE || b3 == 0xBF)) {
        return true;
      }
    }
  }
  return false;
}

namespace {

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// A line with digits and spacing blurred, so that page heads and feet that differ
// only in their page numbers match.
std::string BlurredLine(std::string_view line) {
  std::string key;
  for (std::string_view word : Words(line)) {
    if (!key.empty()) key.push_back(' ');
    for (char c : word) {
      if (!IsAsciiDigit(c)) {
        key.push_back(c);
      } else if (key.empty() || key.back() != '#') {
        key.push_back('#');
      }
    }
  }
  return key;
}

// The blurred lines next to page breaks: the line with the break and the
// nearest lines with text before and after it.
std::set<std::string> LinesNextToBreaks(const std::vector<std::string>& lines, const std::vector<bool>& breaks) {
  std::set<std::string> near;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!breaks[i]) continue;
    near.insert(BlurredLine(lines[i]));
    for (std::size_t before = i; before-- > 0;) {
      if (IsBlank(lines[before])) continue;
      near.insert(BlurredLine(lines[before]));
      break;
    }
    for (std::size_t after = i + 1; after < lines.size(); ++after) {
      if (IsBlank(lines[after])) continue;
      near.insert(BlurredLine(lines[after]));
      break;
    }
  }
  return near;
}

// The line after the quotation marks that open it (each after at most three
// spaces), and one space after the last.
std::string_view WithoutQuoteMarks(std::string_view line) {
  std::size_t at = 0;
  bool quoted = false;
  for (;;) {
    const std::size_t mark = line.find_first_not_of(' ', at);
    if (mark == std::string_view::npos || line[mark] != '>' || mark - at > 3) break;
    at = mark + 1;
    quoted = true;
  }
  if (!quoted) return line;
  line.remove_prefix(at);
  if (line.starts_with(' ')) line.remove_prefix(1);
  return line;
}

bool OnlyOf(std::string_view word, std::string_view characters) {
  return !word.empty() && word.find_first_not_of(characters) == std::string_view::npos;
}

// A list item's marker: a bullet, or a number, letter or roman numeral with ". " ")" or "( )".
bool IsListMarkerWord(std::string_view word) {
  for (std::string_view bullet : {"-", "*", "+", "o", "\xE2\x80\xA2", "\xC2\xB7"}) {
    if (word == bullet) return true;
  }
  const bool bracketed = word.starts_with('(');
  if (bracketed) word.remove_prefix(1);
  if (word.size() < 2 || word.size() > 5) return false;
  const char end = word.back();
  if (end != ')' && (bracketed || end != '.')) return false;
  word.remove_suffix(1);
  return OnlyOf(word, "0123456789abcdefghijklmnopqrstuvwxyz");
}

bool IsFenceWord(std::string_view word) { return word.starts_with("```") || word.starts_with("~~~"); }

bool IsPageFoot(std::string_view line) {
  const std::size_t end = line.find_last_not_of(" \t");
  if (end == std::string_view::npos || line[end] != ']') return false;
  const std::size_t open = line.rfind("[Page ", end);
  return open != std::string_view::npos && open + 6 < end && OnlyOf(line.substr(open + 6, end - open - 6), "0123456789");
}

// The words of one line of a structured text, each marked when it may be markup.
void AddLineWords(std::string_view line, bool furniture, std::vector<TextWord>& words) {
  const std::string_view rest = WithoutQuoteMarks(line);
  const std::vector<std::string_view> all = Words(line);
  const std::vector<std::string_view> text = Words(rest);
  const bool wholeLine = furniture || IsPageFoot(line) || OnlyOf(text.empty() ? "" : rest, "=-~*#_ \t") ||
                         (!text.empty() && IsFenceWord(text.front()));
  // Words of quotation marks alone; marks in front of a word's text leave the text.
  for (std::size_t i = 0; i + text.size() < all.size(); ++i) words.push_back({std::string(all[i]), true});
  std::size_t markedEnd = text.size();
  while (markedEnd > 1 && OnlyOf(text[markedEnd - 1], "#")) --markedEnd;
  std::size_t modeLine = text.size();
  if (!text.empty() && text.back().ends_with("-*-")) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i].find("-*-") != std::string_view::npos) {
        modeLine = i;
        break;
      }
    }
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool opening = i == 0 && (IsListMarkerWord(text[i]) || OnlyOf(text[i], "#") || OnlyOf(text[i], "*"));
    words.push_back({std::string(text[i]), wholeLine || opening || i >= markedEnd || i >= modeLine});
  }
}

}  // namespace

std::vector<TextWord> StructuredTextWords(std::string_view text) {
  std::vector<std::string> lines;
  std::vector<bool> breaks;
  for (std::string_view line : Lines(text)) {
    std::string kept;
    for (char c : line) {
      if (c != '\f') kept.push_back(c);
    }
    breaks.push_back(kept.size() != line.size());
    lines.push_back(std::move(kept));
  }
  const std::set<std::string> nearBreaks = LinesNextToBreaks(lines, breaks);
  std::vector<TextWord> words;
  for (const std::string& line : lines) {
    AddLineWords(line, !IsBlank(line) && nearBreaks.count(BlurredLine(line)) > 0, words);
  }
  return words;
}

bool ShowsAllText(const std::vector<TextWord>& words, const std::vector<std::string>& shown) {
  // The places in `words` a prefix of `shown` can have reached, each moved on past markup words.
  std::vector<std::size_t> places{0}, next;
  const auto passMarkup = [&](std::vector<std::size_t>& at) {
    std::vector<std::size_t> passed;
    for (std::size_t place : at) {
      for (; place < words.size() && words[place].markup; ++place) passed.push_back(place);
      passed.push_back(place);
    }
    std::sort(passed.begin(), passed.end());
    passed.erase(std::unique(passed.begin(), passed.end()), passed.end());
    at.swap(passed);
  };
  passMarkup(places);
  for (const std::string& word : shown) {
    next.clear();
    for (std::size_t place : places) {
      if (place < words.size() && words[place].text == word) next.push_back(place + 1);
    }
    if (next.empty()) return false;
    places.swap(next);
    passMarkup(places);
  }
  return std::binary_search(places.begin(), places.end(), words.size());
}

}  // namespace scrivane::fuzz
