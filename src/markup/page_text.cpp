// The inline-markup allow-list and the forbidden code points of modern pages.
// The sanitizer makes one pass: every "<" either starts a tag it keeps (parsed
// within a bounded length, so the pass stays linear) or is escaped, and the
// kept elements are closed in order, so the result nests correctly anywhere
// phrasing content may stand.
#include "page_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "markup.h"
#include "normal_form.h"
#include "utf8.h"

namespace scrivane {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::size_t kMaxTagLength = 2048;
constexpr std::size_t kMaxDepth = 16;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsForbidden(char32_t c) {
  if (c < 0x20) return c != '\t' && c != '\n' && c != '\f' && c != '\r';
  if (c >= 0x7F && c <= 0x9F) return true;
  return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// Index of the next byte at or after `i` that may start a forbidden code point
// (a control but TAB, DEL, or any byte above it), or n. Sixteen at a time where
// the processor allows, since most text is plain ASCII.
#if defined(__SSE2__)
unsigned Suspects(const char* p) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // As signed bytes, the controls and everything from 0x80 up are below 0x20.
  const __m128i low = _mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20));
  const __m128i del = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F));
  const __m128i tab = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t'));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(tab, _mm_or_si128(low, del))));
}
#endif

std::size_t SkipAllowed(const char* p, std::size_t i, std::size_t n) {
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    if (const unsigned mask = Suspects(p + i)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  if (i < n && n >= 16) {
    // The last sixteen bytes, overlapping what was seen: short lines end here.
    const unsigned mask = Suspects(p + n - 16) >> (i - (n - 16));
    return mask == 0 ? n : i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  for (; i < n; ++i) {
    const auto byte = static_cast<unsigned char>(p[i]);
    if ((byte < 0x20 && byte != '\t') || byte >= 0x7F) return i;
  }
  return n;
}

// Length of the forbidden code point or malformed byte at text[i], or 0 when the
// code point there is allowed; `length` gets the code point's length either way.
std::size_t ForbiddenAt(std::string_view text, std::size_t i, std::size_t& length) {
  char32_t c = 0;
  length = DecodeUtf8(text, i, c);
  if (length == 0) {
    length = 1;
    return 1;
  }
  return IsForbidden(c) ? length : 0;
}

// Named references passed through as typed; any other name is escaped.
constexpr std::array<std::string_view, 36> kNamedReferences = {
    "amp",   "lt",     "gt",     "quot",   "apos",   "nbsp",  "copy",  "reg",   "trade",
    "pound", "euro",   "yen",    "cent",   "sect",   "para",  "middot", "bull", "hellip",
    "mdash", "ndash",  "lsquo",  "rsquo",  "ldquo",  "rdquo", "laquo", "raquo", "deg",
    "plusmn", "times", "divide", "frac12", "frac14", "frac34", "shy",  "iexcl", "iquest"};

// Length of a character reference at text[i] ("&...;") that may stay as it is, or 0.
std::size_t ReferenceAt(std::string_view text, std::size_t i) {
  std::size_t j = i + 1;
  if (j < text.size() && text[j] == '#') {
    ++j;
    const bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
    if (hex) ++j;
    std::uint32_t value = 0;
    std::size_t digits = 0;
    for (; j < text.size() && digits < 7 && (hex ? IsHexDigit(text[j]) : IsAsciiDigit(text[j])); ++j, ++digits) {
      const char d = LowerAscii(text[j]);
      value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(IsAsciiDigit(d) ? d - '0' : d - 'a' + 10);
    }
    if (digits == 0 || j >= text.size() || text[j] != ';') return 0;
    const bool usable = value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF) && value != '\r' &&
                        value != 0 && !IsForbidden(value);
    return usable ? j + 1 - i : 0;
  }
  const std::size_t end = text.find(';', j);
  if (end == std::string_view::npos || end - j > 8) return 0;
  const std::string_view name = text.substr(j, end - j);
  return std::find(kNamedReferences.begin(), kNamedReferences.end(), name) != kNamedReferences.end() ? end + 1 - i
                                                                                                   : 0;
}

// Text with & < > " escaped, except character references that may stay.
void AppendText(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '&') {
      if (const std::size_t length = ReferenceAt(text, i)) {
        out.append(text.substr(i, length));
        i += length - 1;
      } else {
        out.append("&amp;");
      }
    } else if (c == '<') {
      out.append("&lt;");
    } else if (c == '>') {
      out.append("&gt;");
    } else if (c == '"') {
      out.append("&quot;");
    } else {
      out.push_back(c);
    }
  }
}

struct Attribute {
  std::string name;  // lower-case
  std::string_view value;
};

struct Tag {
  bool closing = false;
  std::string name;  // lower-case
  std::vector<Attribute> attributes;
};

// Parses the tag at html[at] ("<" ...">"); returns the index after it, or npos
// when no well-formed tag of bounded length starts there.
std::size_t ParseTag(std::string_view html, std::size_t at, Tag& tag) {
  const std::string_view text = html.substr(at, kMaxTagLength);
  std::size_t i = 1;
  tag = {};
  if (i < text.size() && text[i] == '/') {
    tag.closing = true;
    ++i;
  }
  if (i >= text.size() || !IsAsciiAlpha(text[i])) return std::string_view::npos;
  while (i < text.size() && (IsAsciiAlpha(text[i]) || IsAsciiDigit(text[i]))) tag.name.push_back(LowerAscii(text[i++]));
  for (;;) {
    const std::size_t before = i;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size()) return std::string_view::npos;
    if (text[i] == '>') return at + i + 1;
    if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '>') return at + i + 2;
    if (i == before) return std::string_view::npos;  // attributes are set apart by white space
    Attribute attribute;
    while (i < text.size() && !IsSpace(text[i]) && std::string_view("/>=\"'<`").find(text[i]) == std::string_view::npos) {
      attribute.name.push_back(LowerAscii(text[i++]));
    }
    if (attribute.name.empty()) return std::string_view::npos;
    std::size_t j = i;
    while (j < text.size() && IsSpace(text[j])) ++j;
    if (j < text.size() && text[j] == '=') {
      ++j;
      while (j < text.size() && IsSpace(text[j])) ++j;
      if (j >= text.size()) return std::string_view::npos;
      if (text[j] == '"' || text[j] == '\'') {
        const std::size_t close = text.find(text[j], j + 1);
        if (close == std::string_view::npos) return std::string_view::npos;
        attribute.value = text.substr(j + 1, close - j - 1);
        i = close + 1;
      } else {
        const std::size_t start = j;
        while (j < text.size() && !IsSpace(text[j]) && text[j] != '>') {
          if (std::string_view("\"'<=`").find(text[j]) != std::string_view::npos) return std::string_view::npos;
          ++j;
        }
        attribute.value = text.substr(start, j - start);
        i = j;
      }
    }
    tag.attributes.push_back(std::move(attribute));
  }
}

// The href to write for a typed one: only http, https and mailto addresses, with
// what a URL may not hold percent-encoded and the rest escaped; "" when refused.
std::string SafeHref(std::string_view typed) {
  std::string value;
  for (std::size_t i = 0; i < typed.size(); ++i) {  // "&amp;" typed in the attribute stands for "&"
    if (typed.substr(i, 5) == "&amp;") {
      value.push_back('&');
      i += 4;
    } else {
      value.push_back(typed[i]);
    }
  }
  const std::size_t first = value.find_first_not_of(" \t\n\r\f");
  const std::size_t last = value.find_last_not_of(" \t\n\r\f");
  value = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
  const std::size_t colon = value.find(':');
  if (colon == std::string::npos) return {};
  std::string scheme;
  for (char c : value.substr(0, colon)) scheme.push_back(LowerAscii(c));
  if (scheme != "http" && scheme != "https" && scheme != "mailto") return {};
  const std::size_t rest = scheme == "mailto" ? colon + 1 : colon + 3;
  if (scheme != "mailto" && value.compare(colon, 3, "://") != 0) return {};
  if (value.size() <= rest) return {};
  std::string href = scheme;
  bool fragment = false;
  for (std::size_t i = colon; i < value.size(); ++i) {
    const auto byte = static_cast<unsigned char>(value[i]);
    const bool strayPercent = value[i] == '%' && !(i + 2 < value.size() && IsHexDigit(value[i + 1]) &&
                                                   IsHexDigit(value[i + 2]));
    const bool secondHash = value[i] == '#' && std::exchange(fragment, true);
    if (byte <= 0x20 || byte == 0x7F || strayPercent || secondHash ||
        std::string_view("\"<>\\^`{|}[]").find(value[i]) != std::string_view::npos) {
      AppendPercentEncoded(href, byte);
    } else if (value[i] == '&') {
      href.append("&amp;");
    } else {
      href.push_back(value[i]);
    }
  }
  return href;
}

// A kept element open in the output: where its start tag begins and ends.
struct OpenElement {
  std::string name;
  std::size_t start;
  std::size_t content;
};

// Writes the element's end tag, or takes its start tag back when nothing came
// after it: an empty link would have no name to read out.
void Close(std::string& out, const OpenElement& element) {
  if (out.size() == element.content) {
    out.resize(element.start);
  } else {
    out.append("</").append(element.name).push_back('>');
  }
}

// Closes the open elements, innermost first, until `keep` are left.
void CloseDownTo(std::string& out, std::vector<OpenElement>& open, std::size_t keep) {
  while (open.size() > keep) {
    Close(out, open.back());
    open.pop_back();
  }
}

// The address a kept start tag carries ("" for none), or nothing when its
// attributes make it shown as text: only a link's one safe href is kept.
std::optional<std::string> KeptHref(const Tag& tag) {
  std::string href;
  for (const Attribute& attribute : tag.attributes) {
    if (tag.name != "a" || attribute.name != "href" || !href.empty()) return std::nullopt;
    href = SafeHref(attribute.value);
    if (href.empty()) return std::nullopt;
  }
  return href;
}

bool IsKept(std::string_view name) {
  for (std::string_view kept : {"b", "i", "em", "strong", "code", "span", "a"}) {
    if (name == kept) return true;
  }
  return false;
}

}  // namespace

std::string SanitizeInlineHtml(std::string_view html) {
  std::string clean;
  if (HasForbiddenCodePoints(html)) {
    AppendWithoutForbidden(clean, html);
    html = clean;
  }
  std::string out;
  std::vector<OpenElement> open;  // kept elements not yet closed, innermost last
  Tag tag;
  std::size_t text = 0;  // start of the text not yet written
  for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
    const std::size_t end = ParseTag(html, at, tag);
    if (end == std::string_view::npos) continue;
    const auto named = [&](const OpenElement& element) { return element.name == tag.name; };
    bool kept = false;
    if (tag.name == "br") {
      kept = !tag.closing && tag.attributes.empty();
      if (kept) {
        AppendText(out, html.substr(text, at - text));
        out.append("<br>");
      }
    } else if (IsKept(tag.name) && tag.closing) {
      const auto match = std::find_if(open.rbegin(), open.rend(), named);
      kept = tag.attributes.empty() && match != open.rend();
      if (kept) {
        AppendText(out, html.substr(text, at - text));
        // Elements left open inside it close with it.
        CloseDownTo(out, open, open.size() - static_cast<std::size_t>(match - open.rbegin()) - 1);
      }
    } else if (IsKept(tag.name) && open.size() < kMaxDepth &&
               !(tag.name == "a" && std::any_of(open.begin(), open.end(), named))) {
      const std::optional<std::string> href = KeptHref(tag);
      kept = href.has_value();
      if (kept) {
        AppendText(out, html.substr(text, at - text));
        const std::size_t start = out.size();
        out.append("<").append(tag.name);
        if (!href->empty()) out.append(" href=\"").append(*href).append("\"");
        out.push_back('>');
        open.push_back({tag.name, start, out.size()});
      }
    }
    if (!kept) continue;  // shown as text
    text = end;
    at = end - 1;
  }
  AppendText(out, html.substr(text));
  CloseDownTo(out, open, 0);
  return out;
}

std::string InlineHtmlText(std::string_view sanitized) {
  std::string text;
  for (std::size_t i = 0; i < sanitized.size(); ++i) {
    if (sanitized[i] != '<') {
      text.push_back(sanitized[i]);
      continue;
    }
    const std::size_t end = sanitized.find('>', i);
    if (sanitized.substr(i, 4) == "<br>") text.push_back(' ');
    if (end == std::string_view::npos) break;
    i = end;
  }
  return text;
}

bool HasForbiddenCodePoints(std::string_view text) {
  std::size_t length = 0;
  for (std::size_t i = SkipAllowed(text.data(), 0, text.size()); i < text.size();
       i = SkipAllowed(text.data(), i + length, text.size())) {
    if (ForbiddenAt(text, i, length) > 0) return true;
  }
  return false;
}

void AppendWithoutForbidden(std::string& out, std::string_view text) {
  std::size_t done = 0;
  std::size_t length = 0;
  for (std::size_t i = SkipAllowed(text.data(), 0, text.size()); i < text.size();
       i = SkipAllowed(text.data(), i + length, text.size())) {
    const std::size_t forbidden = ForbiddenAt(text, i, length);
    if (forbidden == 0) continue;
    out.append(text.substr(done, i - done)).append(kReplacement);
    done = i + forbidden;
  }
  out.append(text.substr(done));
}

bool NeedsPageCleaning(std::string_view text) {
  // Printable ASCII and TABs, as most lines are, hold no form feed, nothing forbidden
  // and nothing to compose: one quick pass settles them.
  if (SkipAllowed(text.data(), 0, text.size()) == text.size()) return false;
  return text.find('\f') != std::string_view::npos || HasForbiddenCodePoints(text) || MayNeedComposing(text);
}

void AppendPageText(std::string& out, std::string_view text) {
  std::string valid;
  AppendWithoutForbidden(valid, text);
  std::string unfed;
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\f'; };
  for (std::size_t i = 0; i < valid.size(); ++i) {
    if (valid[i] != '\f') {
      unfed.push_back(valid[i]);
    } else if (!unfed.empty() && !isSpace(unfed.back()) && i + 1 < valid.size() && !isSpace(valid[i + 1])) {
      unfed.push_back(' ');
    }
  }
  if (MayNeedComposing(unfed)) {
    AppendComposed(out, unfed);
  } else {
    out.append(unfed);
  }
}

}  // namespace scrivane
