// Modern link rules: URLs with an allowed scheme, www. and ftp. hosts and
// e-mail addresses, starting at a word's start or after opening punctuation,
// with sentence punctuation, quotes and unmatched closing brackets left outside.
//
// The word arrives escaped, so it is read a unit at a time: one character, or
// one entity EscapeHtml wrote, which a link boundary never cuts. The HREF is
// built from what the text stands for: the host in its ASCII form, and every
// byte a URL may not hold percent-encoded, so it is a valid URL in a valid
// attribute. Every scan only moves forward over runs that no later start
// revisits, so a word of any content takes linear time.
#include "modern_links.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "byte_rules.h"
#include "host_name.h"
#include "utf8.h"

namespace scrivane {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr char32_t kBadByte = 0x110000;  // a byte that starts no UTF-8 character

// One character of escaped text: what it stands for and how many bytes it takes.
struct Unit {
  char32_t c = 0;
  std::size_t size = 0;  // 0 past the end
};

constexpr std::array<std::pair<std::string_view, char32_t>, 5> kEntities{{
    {"&amp;", U'&'}, {"&lt;", U'<'}, {"&gt;", U'>'}, {"&quot;", U'"'}, {"&pound;", U'\u00A3'}}};

Unit UnitAt(std::string_view text, std::size_t i) {
  if (i >= text.size()) return {};
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80 && lead != '&') return {lead, 1};
  if (lead == '&') {
    const char second = i + 1 < text.size() ? text[i + 1] : 0;
    for (const auto& [entity, c] : kEntities) {
      if (entity[1] == second && text.compare(i, entity.size(), entity) == 0) return {c, entity.size()};
    }
    return {lead, 1};
  }
  char32_t c = 0;
  const std::size_t length = DecodeUtf8(text, i, c);
  return length == 0 ? Unit{kBadByte, 1} : Unit{c, length};
}

// Non-ASCII characters that are no letters: C1 controls, spaces, punctuation and
// symbols of Latin-1, general and supplemental punctuation, CJK and full-width
// punctuation. All other non-ASCII characters count as letters.
bool IsWidePunctuation(char32_t c) {
  return (c >= 0x80 && c <= 0xBF) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c <= 0x206F) ||
         (c >= 0x2E00 && c <= 0x2E7F) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE10 && c <= 0xFE1F) ||
         (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
         (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF) ||
         c > 0x10FFFF;
}

// Symbols and pictographs (miscellaneous symbols, dingbats, emoji): host names
// may hold them, and a link may start right after one, as after punctuation.
bool IsPictograph(char32_t c) { return (c >= 0x2600 && c <= 0x27BF) || (c >= 0x1F000 && c <= 0x1FAFF); }

// Joiners and dashes that stay inside a path when letters follow: en and em
// dash, zero-width non-joiner and joiner.
bool JoinsPathWords(char32_t c) { return c == 0x2013 || c == 0x2014 || c == 0x200C || c == 0x200D; }

// The classes of a byte for the link rules; kUnit when the character it starts decides.
ByteClasses ClassesOfByte(char c) { return kByteRules[static_cast<unsigned char>(c)]; }

// The classes of a character; kBadByte, a byte that is no character, ends links but opens none.
ByteClasses ClassesOf(char32_t c) {
  if (c < 0x80) return kByteRules[c] & ~kUnit;
  if (IsPictograph(c)) return kHost | kDomain | kOpens;
  if (!IsWidePunctuation(c)) return kHost | kDomain;
  return c == kBadByte ? kEndsTail | kFollows : kEndsTail | kFollows | kOpens;
}

// Moves over units from `i` while their classes meet `kMask` (`kIn`) or miss
// it (!`kIn`); returns where it stopped. A byte that is a unit by itself takes
// the short way.
template <ByteClasses kMask, bool kIn>
std::size_t Scan(std::string_view text, std::size_t i) {
  const std::size_t n = text.size();
  while (i < n) {
    const ByteClasses k = ClassesOfByte(text[i]);
    if ((k & kUnit) == 0) {
      if (((k & kMask) != 0) != kIn) break;
      ++i;
      continue;
    }
    const Unit u = UnitAt(text, i);
    if (((ClassesOf(u.c) & kMask) != 0) != kIn) break;
    i += u.size;
  }
  return i;
}

// True when the next unit, if any, may follow the end of a link.
bool EndsLinkAt(std::string_view text, std::size_t i) {
  return i >= text.size() || (ClassesOf(UnitAt(text, i).c) & kFollows) != 0;
}

// A hyphen or underscore, which may not start or end a label.
bool IsLabelEdge(char c) { return c == '-' || c == '_'; }

bool IsIpv4(std::string_view host) {
  int parts = 0;
  for (std::size_t start = 0; start <= host.size(); ++parts) {
    const std::size_t dot = std::min(host.find('.', start), host.size());
    const std::string_view part = host.substr(start, dot - start);
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) return false;
    int value = 0;
    for (char c : part) {
      if (!IsAsciiDigit(c)) return false;
      value = value * 10 + (c - '0');
    }
    if (value > 255) return false;
    start = dot + 1;
  }
  return parts == 4;
}

// The text between the brackets of an IPv6 host: eight groups of up to four hex
// digits, one "::" standing for one or more of them, a dotted IPv4 for the last two.
bool IsIpv6(std::string_view text) {
  int groups = 0;
  bool compressed = false;
  std::size_t i = 0;
  if (text.starts_with("::")) {
    compressed = true;
    i = 2;
  }
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && IsHexDigit(text[j])) ++j;
    if (j < text.size() && text[j] == '.') {
      if (!IsIpv4(text.substr(i))) return false;
      groups += 2;
      break;
    }
    if (j == i || j - i > 4) return false;
    ++groups;
    if (j == text.size()) break;
    if (text[j] != ':' || j + 1 == text.size()) return false;
    i = j + 1;
    if (text[i] == ':') {
      if (compressed) return false;
      compressed = true;
      ++i;
    }
  }
  return compressed ? groups < 8 : groups == 8;
}

// Checks a host name in ASCII: labels of letters, digits and hyphens (and in
// URLs underscores, but not in the last two labels), none empty or longer than
// 63 or with a hyphen or underscore at either end; the last of two or more
// labels without a hyphen (but in IDNA form) and not all digits unless the
// whole is an IPv4 address. An e-mail domain has two labels at
// least; a URL's host may be one label, as on a local network. ParseHost
// checks the same on its way over a name; this is for names it cannot take in
// one pass.
bool IsHostName(std::string_view host, bool url) {
  if (host.size() > 253) return false;
  std::size_t labels = 0, lastLabel = 0, underscoreLabel = kNone;
  for (std::size_t i = 0;; ++i) {
    const std::size_t start = i;
    for (; i < host.size() && host[i] != '.'; ++i) {
      if ((ClassesOfByte(host[i]) & kDomain) != 0) continue;  // letters, digits and hyphens
      if (host[i] != '_' || !url) return false;
      underscoreLabel = labels;
    }
    if (i == start || i - start > 63 || IsLabelEdge(host[start]) || IsLabelEdge(host[i - 1])) return false;
    ++labels;
    lastLabel = start;
    if (i == host.size()) break;
  }
  if (labels < 2 && !url) return false;
  if (underscoreLabel != kNone && underscoreLabel + 2 >= labels) return false;
  const std::string_view top = host.substr(lastLabel);
  if (labels >= 2 && top.find('-') != kNone && !StartsWithLower(top, "xn--")) return false;
  bool allDigits = true;
  for (char c : top) allDigits = allDigits && IsAsciiDigit(c);
  return !allDigits || (url && IsIpv4(host));
}

// The ASCII form of a host name with non-ASCII letters (through IDNA) in
// `ascii`; false when there is none, or it is no valid host name.
bool IdnaHost(std::string_view host, bool url, std::string& ascii) {
  // A label of more than 63 characters has no ASCII form of 63 bytes; saying
  // so at once also keeps giant labels away from the encoding's quadratic time.
  std::size_t characters = 0;
  for (std::size_t i = 0; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '.') {
      if (characters > 63) return false;
      characters = 0;
    } else if (!IsContinuation(host[i])) {
      ++characters;
    }
  }
  return EncodeHostName(host, ascii) && IsHostName(ascii, url);
}

// Where a link's host lies, and its ASCII form when that is not as written.
struct Host {
  std::size_t start = 0;
  std::size_t end = kNone;  // kNone: no valid host
  std::string ascii;        // for names with non-ASCII letters; else empty
  bool bracketed = false;   // an IPv6 address in brackets
  bool runsOn = false;      // text runs on after the name with a hyphen
};

// ParseHost for a name with characters beyond ASCII, or cut by an entity: its
// ASCII start, text[from, unitAt), is all host characters, so the units are
// read on from `unitAt`, the first byte that starts a longer one.
void ParseNonAsciiHost(std::string_view text, std::size_t from, std::size_t unitAt, bool url, Host& host) {
  const ByteClasses mask = url ? kHost : kDomain;
  bool ascii = true;
  std::size_t end = unitAt;
  while (end < text.size()) {
    const Unit u = UnitAt(text, end);
    if ((ClassesOf(u.c) & mask) == 0) break;
    ascii = ascii && u.c < 0x80;
    end += u.size;
  }
  while (end > from && text[end - 1] == '.') --end;
  const std::string_view name = text.substr(from, end - from);
  if (name.empty() || name.size() > 253 * 4) return;  // over 253 characters
  if (ascii ? IsHostName(name, url) : IdnaHost(name, url, host.ascii)) host.end = end;
}

// Parses an IPv6 address in brackets at text[from], as a URL's host.
void ParseBracketedHost(std::string_view text, std::size_t from, Host& host) {
  const std::size_t close = text.substr(0, from + 48).find(']', from);  // an address is short
  if (close != kNone && IsIpv6(text.substr(from + 1, close - from - 1))) host.end = close + 1;
}

// Parses the host at text[from]: a name, or for URLs an IPv6 address in
// brackets. Full stops after a name end the sentence, not the host.
void ParseHost(std::string_view text, std::size_t from, bool url, Host& host) {
  host.start = from;
  host.end = kNone;
  host.ascii.clear();
  host.bracketed = url && from < text.size() && text[from] == '[';
  host.runsOn = false;
  if (host.bracketed) return ParseBracketedHost(text, from, host);
  const ByteClasses mask = url ? kHost : kDomain;
  // One pass over a name in ASCII checks its labels on the way, as IsHostName does.
  const char* p = text.data();
  std::size_t i = from, labelStart = from, labels = 0, lastLabel = from, previousLabel = from, closedAt = from;
  std::size_t underscore = kNone;
  bool bad = false, emptyLabel = false;
  // A label ends at `at`: at most 63 characters, no hyphen at either edge.
  const auto closeLabel = [&](std::size_t at) {
    bad = bad || at - labelStart > 63 || IsLabelEdge(p[labelStart]) || IsLabelEdge(p[at - 1]);
    ++labels;
    previousLabel = lastLabel;
    lastLabel = labelStart;
  };
  for (; i < text.size(); ++i) {
    const char c = p[i];
    if ((ClassesOfByte(c) & mask) == 0) break;
    if (c != '.') {
      bad = bad || emptyLabel;  // an empty label inside the name
      if (c == '_') underscore = i;
      continue;
    }
    if (i == labelStart) {
      emptyLabel = true;  // only full stops may follow, which end the sentence
    } else {
      closeLabel(i);
      closedAt = i;
    }
    labelStart = i + 1;
  }
  if (i < text.size() && (ClassesOfByte(p[i]) & kUnit) != 0) {
    ParseNonAsciiHost(text, from, i, url, host);  // letters beyond ASCII, or an entity
    return;
  }
  std::size_t end = closedAt;
  if (labelStart < i) {  // the last label, not ended by a full stop
    closeLabel(i);
    end = i;
  }
  if (bad || end == from || end - from > 253) return;
  if ((labels < 2 && !url) || (underscore != kNone && underscore >= previousLabel)) return;
  // A top-level label is letters, or an IDNA label: a hyphen in the last of
  // two or more labels is text run on after the name, which ends before it.
  std::size_t topEnd = end;
  if (labels >= 2 && !StartsWithLower(text.substr(lastLabel), "xn--")) {
    topEnd = std::min(text.substr(0, end).find('-', lastLabel), end);
  }
  bool allDigits = true;
  for (std::size_t k = lastLabel; k < topEnd; ++k) allDigits = allDigits && IsAsciiDigit(p[k]);
  if (allDigits && !(url && topEnd == end && IsIpv4(text.substr(from, end - from)))) return;
  host.end = topEnd;
  host.runsOn = topEnd < end;
}

// A port after a host: ":" and up to five digits no more than 65535. Returns where
// it ends; `from` when there is none (a ":" without digits ends a sentence);
// kNone when the digits are no port.
std::size_t ParsePort(std::string_view text, std::size_t from) {
  if (from + 1 >= text.size() || text[from] != ':' || !IsAsciiDigit(text[from + 1])) return from;
  std::size_t end = from + 1;
  long value = 0;
  while (end < text.size() && IsAsciiDigit(text[end]) && end - from <= 5) value = value * 10 + (text[end++] - '0');
  if (value > 65535 || (end < text.size() && IsAsciiDigit(text[end]))) return kNone;
  return end;
}

// True when the apostrophe at text[at] closes one that opened inside the tail
// text[from, at): an opening one follows no letter or digit, a closing one
// follows one and no letter or digit follows it (an apostrophe inside a word
// is neither).
bool ClosesApostrophe(std::string_view text, std::size_t from, std::size_t at) {
  const auto isWordByte = [&](std::size_t i) {
    return i < at && (IsAsciiAlnum(static_cast<unsigned char>(text[i])) || static_cast<unsigned char>(text[i]) >= 0x80);
  };
  int open = 0;
  for (std::size_t i = from; i < at; ++i) {
    if (text[i] != '\'') continue;
    if (i == from || !isWordByte(i - 1)) {
      ++open;
    } else if (!isWordByte(i + 1) && open > 0) {
      --open;
    }
  }
  return open > 0;
}

// The length of a joiner or dash (JoinsPathWords) ending text[from, end), or 0.
std::size_t JoinerAtEnd(std::string_view text, std::size_t from, std::size_t end) {
  if (end - from < 3 || text[end - 3] != '\xE2' || text[end - 2] != '\x80') return 0;
  const char last = text[end - 1];
  return last == '\x93' || last == '\x94' || last == '\x8C' || last == '\x8D' ? 3 : 0;
}

// Moves `end` back over what ends a tail but belongs to the sentence: sentence
// punctuation, apostrophes that close none inside it, joiners and dashes, "|",
// and closing brackets without an opening one inside; an entity is never cut.
std::size_t TrimTail(std::string_view text, std::size_t from, std::size_t end) {
  std::array<std::size_t, 3> opened{}, closed{};  // ( [ {, and ) ] }; never part of an entity
  bool counted = false;
  // Whether the last apostrophe closes one is asked once: the apostrophes
  // before it go with it, so a run of them takes linear time.
  int apostropheCloses = -1;
  while (end > from) {
    const char last = text[end - 1];
    if (last == ';') {
      bool entity = false;
      for (const auto& [name, c] : kEntities) entity = entity || text.substr(from, end - from).ends_with(name);
      if (entity) break;
    }
    if (last == '\'' && apostropheCloses < 0) apostropheCloses = ClosesApostrophe(text, from, end - 1) ? 1 : 0;
    if (HasRule(last, kSentenceMark) || last == '|' || (last == '\'' && apostropheCloses == 0)) {
      --end;
      continue;
    }
    if (const std::size_t joiner = JoinerAtEnd(text, from, end); joiner > 0) {
      end -= joiner;
      continue;
    }
    const std::size_t k = last == ')' ? 0 : last == ']' ? 1 : last == '}' ? 2 : 3;
    if (k == 3) break;
    if (!counted) {  // most links end otherwise, so brackets are counted only now
      counted = true;
      for (std::size_t i = from; i < end; ++i) {
        if (const std::size_t open = std::string_view("([{").find(text[i]); open != kNone) ++opened[open];
        if (const std::size_t close = std::string_view(")]}").find(text[i]); close != kNone) ++closed[close];
      }
    }
    if (closed[k] <= opened[k]) break;
    --closed[k];
    --end;
  }
  return end;
}

// The end of a path, query or fragment starting at text[from]: its units up to
// the first that never belongs to one, less what TrimTail leaves outside; an
// entity is never cut. Inside a tail, "|" belongs to a query, en and em dashes
// and zero-width joiners join words, and double quotes pair as brackets do: an
// opening one follows no letter or digit and a letter follows it, and a tail
// never ends inside a pair. `urlSafe` turns false when the tail holds what a
// URL must encode.
std::size_t TailEnd(std::string_view text, std::size_t from, bool& urlSafe) {
  std::size_t end = from, openQuote = kNone;
  bool safe = true;
  while (end < text.size()) {
    const ByteClasses k = ClassesOfByte(text[end]);
    if ((k & (kEndsTail | kUnit)) == 0) {
      safe &= (k & kUrlSafe) != 0;
      ++end;
      continue;
    }
    if ((k & kUnit) == 0) {
      if (text[end] != '|' || text.substr(from, end - from).find('?') == kNone) break;
      safe = false;
      ++end;
      continue;
    }
    const Unit u = UnitAt(text, end);
    if (u.c == '"') {
      const std::size_t next = end + u.size;
      const bool opens = end > from && !IsAsciiAlnum(static_cast<unsigned char>(text[end - 1])) &&
                         next < text.size() &&
                         (IsAsciiAlnum(static_cast<unsigned char>(text[next])) || static_cast<unsigned char>(text[next]) >= 0x80);
      if (openQuote != kNone) {
        openQuote = kNone;
      } else if (opens) {
        openQuote = end;
      } else {
        break;
      }
    } else if ((ClassesOf(u.c) & kEndsTail) != 0 && !JoinsPathWords(u.c)) {
      break;
    }
    safe = false;
    end += u.size;
  }
  urlSafe = urlSafe && safe;
  return TrimTail(text, from, openQuote != kNone ? openQuote : end);
}

// Appends the text a stretch of escaped text stands for, as a URL may hold it:
// bytes outside the URL code points percent-encoded, "%" kept only before two
// hex digits, "#" kept once, and "&" written as an attribute needs it.
void AppendUrlText(std::string_view escaped, std::string& href, bool& hashSeen) {
  for (std::size_t i = 0; i < escaped.size();) {
    std::size_t run = i;  // most of a URL stays as it is
    while (run < escaped.size() && (ClassesOfByte(escaped[run]) & kUrlSafe) != 0) ++run;
    href.append(escaped.substr(i, run - i));
    if (run == escaped.size()) return;
    i = run;
    const auto b = static_cast<unsigned char>(escaped[i]);
    const Unit u = b == '&' ? UnitAt(escaped, i) : Unit{b, 1};
    if (u.c == '&') {
      href.append("&amp;");
    } else if (u.size > 1) {  // the entity of < > " or the pound sign
      std::string bytes;
      AppendUtf8(bytes, u.c);
      for (char c : bytes) AppendPercentEncoded(href, static_cast<unsigned char>(c));
    } else if (b == '%' && i + 2 < escaped.size() && IsHexDigit(escaped[i + 1]) && IsHexDigit(escaped[i + 2])) {
      href.push_back('%');
    } else if (b == '#' && !hashSeen) {
      hashSeen = true;
      href.push_back('#');
    } else {
      AppendPercentEncoded(href, b);
    }
    i += u.size;
  }
}

// Where the host starts in an authority starting at text[from]: after the user
// information and its "@" when there is some, else at `from`. User information
// is ASCII letters, digits, "%" and - . _ ~ ! $ & ' ( ) * + , ; = :, and not
// empty; kNone when an "@" follows none.
std::size_t UserInfoEnd(std::string_view text, std::size_t from) {
  constexpr std::string_view kMarks = "-._~!$'()*+,;=:%";
  std::size_t i = from;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '@') return i > from ? i + 1 : kNone;
    if (c == '&' && text.compare(i, 5, "&amp;") == 0) {
      i += 5;
    } else if (IsAsciiAlnum(static_cast<unsigned char>(c)) || kMarks.find(c) != kNone) {
      ++i;
    } else {
      break;
    }
  }
  return from;
}

// Where the authority of a URL starting at text[from] (after its "//") ends:
// at the first "/", "?", "#", backslash, or what no authority holds.
std::size_t AuthorityEnd(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '/' || c == '?' || c == '#' || c == '\\') break;
    if (c == '&' && text.compare(i, 5, "&amp;") != 0) break;
    if ((ClassesOfByte(c) & (kEndsTail | kUnit)) == kEndsTail) break;
    ++i;
  }
  return i;
}

// After a host: an optional port, then a path, query or fragment, or nothing
// but what may follow a link. Returns the link's end, or kNone.
std::size_t FinishUrl(std::string_view text, const Host& host, bool& urlSafe) {
  if (host.end == kNone || host.runsOn) return host.end;
  const std::size_t portEnd = ParsePort(text, host.end);
  if (portEnd == kNone) return kNone;
  if (portEnd < text.size() && (text[portEnd] == '/' || text[portEnd] == '?' || text[portEnd] == '#')) {
    return TailEnd(text, portEnd, urlSafe);
  }
  return EndsLinkAt(text, portEnd) ? portEnd : kNone;
}

constexpr std::string_view kQuote = "&quot;";
constexpr std::size_t kLongestLocalPart = 64;

// The end of a quoted local part at text[from] (escaped quotes around printable
// ASCII but quotes, backslash, < and >), or kNone.
std::size_t QuotedLocalEnd(std::string_view text, std::size_t from) {
  const std::size_t limit = std::min(text.size(), from + kQuote.size() + 5 * kLongestLocalPart);
  for (std::size_t i = from + kQuote.size(); i < limit;) {
    const Unit u = UnitAt(text, i);
    if (u.c == '"') return i > from + kQuote.size() ? i + u.size : kNone;
    if (u.c <= 0x20 || u.c >= 0x7F || u.c == '\\' || u.c == '<' || u.c == '>') return kNone;
    i += u.size;
  }
  return kNone;
}

// An e-mail address at text[from]: a local part, "@", and a domain name. The
// local part is ASCII letters, digits and . _ + - (with `bare`, an address
// not written after "mailto:", also % and ?) with no full stop at either end
// or doubled, or a quoted string.
void ParseAddress(std::string_view text, std::size_t from, bool bare, Host& domain) {
  domain.end = kNone;
  std::size_t at = from;
  if (text.compare(from, kQuote.size(), kQuote) == 0) {
    at = QuotedLocalEnd(text, from);
    if (at == kNone) return;
  } else {
    for (at = Scan<kLocal, true>(text, at); bare && at < text.size() && (text[at] == '%' || text[at] == '?');) {
      at = Scan<kLocal, true>(text, at + 1);
    }
    const std::string_view local = text.substr(from, at - from);
    if (local.empty() || local.front() == '.' || local.back() == '.' || local.find("..") != kNone) return;
  }
  if (at >= text.size() || text[at] != '@') return;
  ParseHost(text, at + 1, false, domain);
}

// Writes the HREF of the address text[start, end): "mailto:", the local part
// with what a mailto URL must encode percent-encoded (a "?" would start its
// header fields), "@", and the domain in its ASCII form.
void WriteAddressHref(std::string_view text, std::size_t start, const Host& domain, std::string& href) {
  href.assign("mailto:");
  const std::size_t at = domain.start - 1;
  for (std::size_t i = start; i < at;) {  // up to the "@"
    const std::size_t run = i;  // most of a local part stays as it is
    while (i < at && (ClassesOfByte(text[i]) & kUrlSafe) != 0 && text[i] != '?') ++i;
    href.append(text.substr(run, i - run));
    if (i == at) break;
    // A "?", "&", an entity's character or one beyond ASCII: percent-encoded.
    const Unit u = UnitAt(text, i);
    std::string bytes;
    AppendUtf8(bytes, u.c);
    for (char c : bytes) AppendPercentEncoded(href, static_cast<unsigned char>(c));
    i += u.size;
  }
  href.push_back('@');
  if (domain.ascii.empty()) {
    href.append(text.substr(domain.start, domain.end - domain.start));
  } else {
    href.append(domain.ascii);
  }
}

// Writes the HREF of the link text[start, end) with the given host: `prefix`,
// then the text as a URL may hold it, the host in its ASCII form. `urlSafe`
// says the text needs no encoding: it is the HREF as it stands.
void WriteHref(std::string_view text, std::size_t start, std::size_t end, const Host& host, bool urlSafe,
               std::string_view prefix, std::string& href) {
  href.assign(prefix);
  if (urlSafe && host.ascii.empty()) {
    href.append(text.substr(start, end - start));
    return;
  }
  bool hashSeen = false;
  if (host.ascii.empty() && !host.bracketed) {  // the host stays as written
    AppendUrlText(text.substr(start, end - start), href, hashSeen);
    return;
  }
  AppendUrlText(text.substr(start, host.start - start), href, hashSeen);
  if (host.bracketed) {
    href.append(text.substr(host.start, host.end - host.start));
  } else {
    href.append(host.ascii);
  }
  AppendUrlText(text.substr(host.end, end - host.end), href, hashSeen);
}

// The link starting at text[start], its HREF in `href`; returns its end, or
// kNone. With `schemeOnly`, only a URL with a scheme may start there.
std::size_t LinkAt(std::string_view text, std::size_t start, const LinkOptions& options, bool schemeOnly,
                   Host& host, std::string& href) {
  // Every kind of link starts with a character of a local part (the schemes and
  // host prefixes are letters) or the quote of a quoted one, so most starts are
  // done with at once.
  if ((ClassesOfByte(text[start]) & kLocal) == 0 && text[start] != '&') return kNone;
  // A scheme, a name and a port in ASCII need no encoding; a tail may.
  bool urlSafe = true;
  const std::string_view rest = text.substr(start);
  switch (LowerAscii(text[start])) {
    case 'h': case 'f': case 's':
      for (std::string_view scheme : {"http://", "https://", "ftp://", "ftps://", "sftp://"}) {
        if (!StartsWithLower(rest, scheme)) continue;
        const std::size_t hostStart = UserInfoEnd(text, start + scheme.size());
        if (hostStart == kNone) return kNone;
        ParseHost(text, hostStart, true, host);
        const std::size_t end = FinishUrl(text, host, urlSafe);
        if (end != kNone) WriteHref(text, start, end, host, urlSafe && !host.bracketed, {}, href);
        return end;
      }
      break;
    case 'm':
      if (StartsWithLower(rest, "mailto:")) {
        ParseAddress(text, start + 7, false, host);
        if (host.end == kNone) return kNone;
        std::size_t end = host.end;
        if (end + 1 < text.size() && text[end] == '?') {
          end = TailEnd(text, end, urlSafe);
        } else if (!EndsLinkAt(text, end)) {
          return kNone;
        }
        WriteHref(text, start, end, host, urlSafe, {}, href);
        return end;
      }
      break;
    default: break;
  }
  if (schemeOnly) return kNone;
  const bool www = options.changeWWW && StartsWithLower(rest, "www.");
  const bool ftp = options.changeFTP && StartsWithLower(rest, "ftp.");
  if (www || ftp) {
    ParseHost(text, start, true, host);
    if (host.end != kNone && host.end <= start + 4) host.end = kNone;  // a label after the prefix
    const std::size_t end = FinishUrl(text, host, urlSafe);
    if (end != kNone) {
      WriteHref(text, start, end, host, urlSafe, www ? "https://" : "ftp://", href);
      return end;
    }
  }
  if (options.emailCheck) {  // also after a failed host: www.x.org@y.org
    ParseAddress(text, start, true, host);
    if (host.end != kNone && EndsLinkAt(text, host.end)) {
      WriteAddressHref(text, start, host, href);
      return host.end;
    }
  }
  return kNone;
}

}  // namespace

bool FindModernLink(std::string_view word, const LinkOptions& options, Link& link, bool atStart) {
  Host host;
  bool mayStart = atStart;  // at the start, and after opening punctuation
  bool afterAt = false;  // right after "@", where only a URL with a scheme may start
  std::size_t authorityEnd = 0;  // no link starts inside a URL's authority
  for (std::size_t i = 0; i < word.size();) {
    if ((mayStart || afterAt) && i >= authorityEnd) {
      const std::size_t end = LinkAt(word, i, options, !mayStart, host, link.href);
      if (end != kNone) {
        link.before = word.substr(0, i);
        link.scheme = {};
        link.text = word.substr(i, end - i);
        link.after = word.substr(end);
        return true;
      }
    }
    const ByteClasses k = ClassesOfByte(word[i]);
    afterAt = word[i] == '@';
    if ((k & kUnit) == 0) {
      mayStart = (k & kOpens) != 0;
      if (word[i] == ':' && word.compare(i + 1, 2, "//") == 0) authorityEnd = AuthorityEnd(word, i + 3);
      ++i;
    } else {
      const Unit u = UnitAt(word, i);
      mayStart = (ClassesOf(u.c) & kOpens) != 0;
      i += u.size;
    }
  }
  link.href.clear();
  return false;
}

}  // namespace scrivane
