// The small character helpers of UTF-8 text, spelled once for the whole program:
// ASCII letter case and digits, hex digits, runs of ASCII skipped, one UTF-8
// sequence decoded, one code point written. Standard C++ (with the processor's
// vector instructions where the compiler offers them), so the engine and the
// programs share it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivane {

constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr bool IsAsciiDigit(char32_t c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiAlpha(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiAlnum(char32_t c) { return IsAsciiDigit(c) || IsAsciiAlpha(c); }
constexpr bool IsHexDigit(char c) { return IsAsciiDigit(c) || (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f'); }

// A UTF-8 continuation byte (10xxxxxx); every other byte starts a character.
constexpr bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The eight bytes at text[at], the first in the lowest bits; the text must hold them.
inline std::uint64_t EightBytesAt(std::string_view text, std::size_t at) {
  std::uint64_t bytes;
  std::memcpy(&bytes, text.data() + at, sizeof bytes);
  if constexpr (std::endian::native == std::endian::big) bytes = __builtin_bswap64(bytes);
  return bytes;
}

// Length of the ASCII prefix of `bytes`. Most text is ASCII, so it is passed over
// sixteen or eight bytes at a time.
inline std::size_t AsciiPrefix(std::string_view bytes) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= bytes.size(); i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
    if (const int high = _mm_movemask_epi8(block)) return i + static_cast<std::size_t>(__builtin_ctz(high));
  }
#endif
  for (; i + 8 <= bytes.size(); i += 8) {
    if (EightBytesAt(bytes, i) & 0x8080808080808080ull) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

// How hex digits above 9 are written.
enum class HexCase { Upper, Lower };

// The hex digit of the low four bits of `value`.
constexpr char HexDigit(unsigned value, HexCase letters = HexCase::Upper) {
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  const char digit = kDigits[value & 15];
  return letters == HexCase::Lower ? LowerAscii(digit) : digit;
}

// Appends `byte` as two hex digits.
inline void AppendHexByte(std::string& out, unsigned char byte, HexCase letters = HexCase::Upper) {
  out.push_back(HexDigit(byte >> 4, letters));
  out.push_back(HexDigit(byte, letters));
}

// Appends `byte` percent-encoded, as a URL holds it: "%" and two upper-case hex digits.
inline void AppendPercentEncoded(std::string& out, unsigned char byte) {
  out.push_back('%');
  AppendHexByte(out, byte);
}

// Decodes the sequence at text[i]; returns its length, or 0 when it is malformed
// (cut short, overlong, a surrogate, or past U+10FFFF).
inline std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& c) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(i);
  std::size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, c = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (at(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// The length of the sequence that `lead` starts, told by the lead byte alone;
// 0 for a byte that starts none (a continuation byte, C0, C1, F5 and above).
constexpr std::size_t Utf8SequenceLength(char lead) {
  const auto byte = static_cast<unsigned char>(lead);
  return byte < 0x80 ? 1 : byte < 0xC2 ? 0 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : byte < 0xF5 ? 4 : 0;
}

// Appends the code point `c` in UTF-8.
inline void AppendUtf8(std::string& out, char32_t c) {
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

}  // namespace scrivane
