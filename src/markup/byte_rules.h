// The byte rules of the engine, spelled once: which bytes can start an escape,
// which can take part in a link, which end a line, what each byte is to the
// modern link rules, and the small byte helpers around them. The scalar code
// reads the table; the vector code lists the same classes as byte sets, and each
// set is checked against the table when it compiles.
// Internal to the engine (src/markup and src/conversion).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "markup.h"
#include "utf8.h"

namespace scrivane {

// A set of the classes below, one bit each.
using ByteClasses = std::uint16_t;

// The classes of a byte for escaping, line ends and finding link candidates.
inline constexpr ByteClasses kEscapeStart = 1;   // & < > " and C2, the lead byte of the pound sign
inline constexpr ByteClasses kLinkMark = 2;      // ":" of "://" and "mailto:", "@" of an address, "." after www/ftp
inline constexpr ByteClasses kLineEnd = 4;       // LF and CR
inline constexpr ByteClasses kSentenceMark = 8;  // , . : ; ? ! (trailing punctuation of a link)
inline constexpr ByteClasses kControl = 16;      // control characters but TAB and the line ends (no place in a page)
// A byte that may make its word change: escaped, or part of what makes a link.
inline constexpr ByteClasses kCandidate = kEscapeStart | kLinkMark;

// The classes of a character for the modern link rules. A byte that is a
// character by itself has them here; the others are kUnit, and the link rules
// class the character they start.
inline constexpr ByteClasses kHost = 32;       // in a URL's host name: letters, digits, - . _
inline constexpr ByteClasses kDomain = 64;     // in an address's domain: letters, digits, - .
inline constexpr ByteClasses kLocal = 128;     // in an address's local part: ASCII letters, digits, . _ + -
inline constexpr ByteClasses kEndsTail = 256;  // never in a path, query or fragment: controls, space, < > " | and wide punctuation
inline constexpr ByteClasses kFollows = 512;   // may follow a link: what ends a tail, sentence marks, quotes and brackets
inline constexpr ByteClasses kOpens = 1024;    // a link may start right after it: ( [ { < > " ' | : and wide punctuation
inline constexpr ByteClasses kUrlSafe = 2048;  // stays as it is in an HREF: letters, digits and ! $ ' ( ) * + , - . / : ; = ? @ _ ~
inline constexpr ByteClasses kUnit = 4096;     // a byte that starts a longer unit: "&" of an entity, or beyond ASCII

inline constexpr std::array<ByteClasses, 256> kByteRules = [] {
  std::array<ByteClasses, 256> rules{};
  const auto add = [&](std::string_view bytes, ByteClasses classes) {
    for (char c : bytes) rules[static_cast<unsigned char>(c)] |= classes;
  };
  add("&<>\"\xC2", kEscapeStart);
  add(":@.", kLinkMark);
  add("\n\r", kLineEnd);
  add(",.:;?!", kSentenceMark);
  for (unsigned c = 0; c < 0x20; ++c) {
    if (c != '\t' && c != '\n' && c != '\r') rules[c] |= kControl;
  }
  rules[0x7F] |= kControl;

  for (unsigned c = 0; c < 0x20; ++c) rules[c] |= kEndsTail | kFollows;
  rules[0x7F] |= kEndsTail | kFollows;
  for (unsigned c = 0; c < 0x80; ++c) {
    if (IsAsciiAlnum(c)) rules[c] |= kHost | kDomain | kLocal | kUrlSafe;
  }
  add("-.", kHost | kDomain | kLocal);
  add("_", kHost | kLocal);
  add("+", kLocal);
  add(" <>\"|", kEndsTail | kFollows);
  add(",.:;!?'`()[]{}", kFollows);
  add("([{<>\"'|:", kOpens);
  add("!$'()*+,-./:;=?@_~", kUrlSafe);
  rules['&'] |= kUnit;
  for (unsigned c = 0x80; c < 256; ++c) rules[c] |= kUnit;
  return rules;
}();

// True when `c` is in any of the classes `rules`.
constexpr bool HasRule(char c, ByteClasses rules) {
  return (kByteRules[static_cast<unsigned char>(c)] & rules) != 0;
}

// The classes as byte sets for the vector code, which compares with each byte.
inline constexpr std::array<char, 5> kEscapeStartBytes = {'&', '<', '>', '"', '\xC2'};
inline constexpr std::array<char, 8> kCandidateBytes = {'&', '<', '>', '"', '\xC2', ':', '@', '.'};
inline constexpr std::array<char, 2> kLineEndBytes = {'\n', '\r'};

// True when the bytes of `set` are exactly the bytes in one of the classes `rules`.
template <std::size_t N>
constexpr bool IsExactly(const std::array<char, N>& set, ByteClasses rules) {
  for (int b = 0; b < 256; ++b) {
    bool listed = false;
    for (char c : set) listed = listed || static_cast<unsigned char>(c) == b;
    if (listed != ((kByteRules[static_cast<std::size_t>(b)] & rules) != 0)) return false;
  }
  return true;
}
static_assert(IsExactly(kEscapeStartBytes, kEscapeStart));
static_assert(IsExactly(kCandidateBytes, kCandidate));
static_assert(IsExactly(kLineEndBytes, kLineEnd));

// True when `text` equals the lower-case ASCII `lower` once lower-cased.
constexpr bool EqualsLower(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (LowerAscii(text[i]) != lower[i]) return false;
  }
  return true;
}

constexpr bool StartsWithLower(std::string_view text, std::string_view lower) {
  return text.size() >= lower.size() && EqualsLower(text.substr(0, lower.size()), lower);
}

// True when the three bytes before p[i] are "www" (with changeWWW) or "ftp"
// (with changeFTP) in any letter case.
inline bool FollowsHostPrefix(const char* p, std::size_t i, const LinkOptions& links) {
  switch (LowerAscii(p[i - 1])) {  // most full stops end a sentence: one look rules them out
    case 'w': return links.changeWWW && LowerAscii(p[i - 2]) == 'w' && LowerAscii(p[i - 3]) == 'w';
    case 'p': return links.changeFTP && LowerAscii(p[i - 2]) == 't' && LowerAscii(p[i - 3]) == 'f';
    default: return false;
  }
}

// True when the candidate byte at p[i] (one of kCandidate) may make its word
// change under the classic or the modern link rules. The bytes of its line are
// known from p[lineStart] up to p[end]; with `more`, bytes after `end` may still
// come, and an answer that needs them is yes (the line is then looked at in
// full). Where it says no, the byte neither starts an escape nor helps make a
// link, so it leaves its word as it is.
template <bool kModern>
[[gnu::always_inline]] inline bool MayChangeWord(const char* p, std::size_t lineStart, std::size_t i, std::size_t end, bool more,
                   const LinkOptions& links) {
  const bool unknownAhead = more && i + 2 >= end;
  switch (p[i]) {
    case '&': case '<': case '>': case '"': return true;
    case '@': return links.emailCheck;
    case ':':
      if (unknownAhead || (i + 2 < end && p[i + 1] == '/' && p[i + 2] == '/')) return true;
      return kModern && i - lineStart >= 6 && EqualsLower(std::string_view(p + i - 6, 6), "mailto");
    case '.': {
      // Classic rules take a host only at the start of a word or TAB piece; modern
      // ones also after opening punctuation, so any "www." or "ftp." may be one.
      const std::size_t inLine = i - lineStart;
      if (inLine < 3 || (!kModern && inLine > 3 && p[i - 4] != ' ' && p[i - 4] != '\t')) return false;
      return FollowsHostPrefix(p, i, links);
    }
    default:  // C2, the pound sign when A3 follows
      return unknownAhead || (i + 1 < end && p[i + 1] == '\xA3');
  }
}

#if defined(__SSE2__)
// The bytes of `chunk` that are in `set`, as a mask of 0xFF bytes.
template <std::size_t N>
inline __m128i MatchAny(__m128i chunk, const std::array<char, N>& set) {
  return [&]<std::size_t... K>(std::index_sequence<K...>) {
    return (... | _mm_cmpeq_epi8(chunk, _mm_set1_epi8(set[K])));
  }(std::make_index_sequence<N>());
}
#endif

// Index of the first byte at or after `i` in one of the classes `kRules`, or n;
// `kBytes` lists the bytes of those classes for the vector code. Sixteen bytes at
// a time where the processor allows, since most text holds none.
template <ByteClasses kRules, const auto& kBytes>
inline std::size_t SkipToClass(const char* p, std::size_t i, std::size_t n) {
  static_assert(IsExactly(kBytes, kRules));
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    if (const int mask = _mm_movemask_epi8(MatchAny(bytes, kBytes))) {
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
  }
#endif
  while (i < n && !HasRule(p[i], kRules)) ++i;
  return i;
}

// Index of the first `byte` at or after `i`, or n. Sixteen bytes at a time where
// the processor allows; a text of sixteen bytes or more ends with one load that
// overlaps what was seen, so short fields take no byte-by-byte loop.
inline std::size_t FindByte(const char* p, std::size_t i, std::size_t n, char byte) {
#if defined(__SSE2__)
  if (n - i >= 16) {
    const __m128i wanted = _mm_set1_epi8(byte);
    const auto hits = [&](std::size_t at) {
      return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at)), wanted));
    };
    for (; i + 16 <= n; i += 16) {
      if (const int mask = hits(i)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
    if (i == n) return n;
    // The bytes of the last load before `i` were seen to differ, so its first hit is past them.
    const int mask = hits(n - 16);
    return mask == 0 ? n : n - 16 + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < n && p[i] != byte) ++i;
  return i;
}

}  // namespace scrivane
