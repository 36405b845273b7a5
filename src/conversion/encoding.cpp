// UTF-8 validation and the Windows-1252 code page. The five bytes the code page
// leaves undefined (81 8D 8F 90 9D) map to the control characters of the same
// value, as Windows itself maps them, so every byte survives a round trip.
#include "encoding.h"

#include <array>
#include <cstdint>

#include "utf8.h"

namespace scrivane {
namespace {

constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(unsigned char byte) {
  return (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : byte;
}

// The Windows-1252 byte for a character, or -1 when the code page has none.
int ByteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t i = AsciiPrefix(bytes); i < bytes.size();) {
    char32_t c;
    const std::size_t length = DecodeUtf8(bytes, i, c);
    if (length == 0) return false;
    i += length;
    if (length > 1) i += AsciiPrefix(bytes.substr(i));
  }
  return true;
}

void AppendUtf8FromWindows1252(std::string& out, std::string_view bytes) {
  for (char byte : bytes) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(byte)));
}

void AppendWindows1252FromUtf8(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t ascii = AsciiPrefix(text.substr(i));
    out.append(text.data() + i, ascii);
    i += ascii;
    if (i == text.size()) break;
    char32_t c;
    const std::size_t length = DecodeUtf8(text, i, c);
    if (length == 0) {  // not UTF-8 after all: keep the byte as it is
      out.push_back(text[i++]);
      continue;
    }
    const int byte = ByteOf(c);
    if (byte >= 0) {
      out.push_back(static_cast<char>(byte));
    } else {
      out.append("&#").append(std::to_string(static_cast<std::uint32_t>(c))).push_back(';');
    }
    i += length;
  }
}

}  // namespace scrivane
