// The byte rules of the engine, spelled once: which bytes can start an escape,
// which can take part in a link, which end a line, and the small byte helpers
// around them. The scalar code reads the table; the vector code lists the same
// classes as byte sets, and each set is checked against the table when it compiles.
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

namespace scrivane {

// The classes of a byte, as bits.
inline constexpr std::uint8_t kEscapeStart = 1;   // & < > " and C2, the lead byte of the pound sign
inline constexpr std::uint8_t kLinkMark = 2;      // ":" of "://" and "mailto:", "@" of an address, "." after www/ftp
inline constexpr std::uint8_t kLineEnd = 4;       // LF and CR
inline constexpr std::uint8_t kSentenceMark = 8;  // , . : ; ? ! (trailing punctuation of a link)
inline constexpr std::uint8_t kControl = 16;      // control characters but TAB and the line ends (no place in a page)
// A byte that may make its word change: escaped, or part of what makes a link.
inline constexpr std::uint8_t kCandidate = kEscapeStart | kLinkMark;

inline constexpr std::array<std::uint8_t, 256> kByteRules = [] {
  std::array<std::uint8_t, 256> rules{};
  for (unsigned char c : std::string_view("&<>\"\xC2")) rules[c] |= kEscapeStart;
  for (unsigned char c : std::string_view(":@.")) rules[c] |= kLinkMark;
  for (unsigned char c : std::string_view("\n\r")) rules[c] |= kLineEnd;
  for (unsigned char c : std::string_view(",.:;?!")) rules[c] |= kSentenceMark;
  for (unsigned c = 0; c < 0x20; ++c) {
    if (c != '\t' && c != '\n' && c != '\r') rules[c] |= kControl;
  }
  rules[0x7F] |= kControl;
  return rules;
}();

// True when `c` is in any of the classes `rules`.
constexpr bool HasRule(char c, std::uint8_t rules) {
  return (kByteRules[static_cast<unsigned char>(c)] & rules) != 0;
}

// The classes as byte sets for the vector code, which compares with each byte.
inline constexpr std::array<char, 5> kEscapeStartBytes = {'&', '<', '>', '"', '\xC2'};
inline constexpr std::array<char, 8> kCandidateBytes = {'&', '<', '>', '"', '\xC2', ':', '@', '.'};
inline constexpr std::array<char, 2> kLineEndBytes = {'\n', '\r'};

// True when the bytes of `set` are exactly the bytes in one of the classes `rules`.
template <std::size_t N>
constexpr bool IsExactly(const std::array<char, N>& set, std::uint8_t rules) {
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

// A UTF-8 continuation byte (10xxxxxx); every other byte starts a character.
constexpr bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

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

}  // namespace scrivane
