// Conversions between web colour text and 0x00BBGGRR colour values.
#include "colour_text.h"

#include <algorithm>

#include "byte_rules.h"
#include "markup.h"
#include "utf8.h"

namespace scrivane {
namespace {

constexpr std::size_t kColourDigits = 6;
// "#rgb": each digit stands for two, as browsers read it.
constexpr std::size_t kShortDigits = 3;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool AllHex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return HexValue(c) >= 0; });
}

// "abc" as "aabbcc".
std::string Doubled(std::string_view digits) {
  std::string doubled;
  for (char c : digits) doubled.append(2, c);
  return doubled;
}

}  // namespace

std::optional<std::uint32_t> ParseColourText(std::string_view text) {
  // The first character is skipped whatever it is (normally "#"); it may be several bytes long.
  std::size_t start = text.empty() ? 0 : 1;
  while (start < text.size() && IsContinuation(text[start])) ++start;
  const std::string_view digits = text.substr(start, kColourDigits);
  // Six characters of text may be more than six bytes, but any non-ASCII byte is not a digit anyway.
  if (digits.empty() || !AllHex(digits)) return std::nullopt;
  const std::string expanded = digits.size() == kShortDigits ? Doubled(digits) : std::string(digits);
  std::uint32_t rgb = 0;
  for (char c : expanded) {
    const int value = HexValue(c);
    if (value < 0) return std::nullopt;
    rgb = rgb * 16 + static_cast<std::uint32_t>(value);
  }
  // Other short forms count as left-padded with zeros: "#FF" is 0x0000FF, blue.
  const std::uint32_t red = (rgb >> 16) & 0xFF;
  const std::uint32_t green = (rgb >> 8) & 0xFF;
  const std::uint32_t blue = rgb & 0xFF;
  return (blue << 16) | (green << 8) | red;
}

std::uint32_t ColourFromText(std::string_view text) {
  return ParseColourText(text).value_or(kLightGrey);
}

std::string ColourToText(std::uint32_t colour) {
  const std::uint32_t channels[] = {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
  std::string text = "#";
  for (std::uint32_t channel : channels) {
    AppendHexByte(text, static_cast<unsigned char>(channel));
  }
  return text;
}

std::string NormaliseColourText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) result += AsciiUpper(c);
  // Six bare digits are a colour whose "#" was left out.
  if (result.size() == kColourDigits && AllHex(result)) return "#" + result;
  if (result.empty() || result.front() != '#') return result;
  if (result.size() == kShortDigits + 1 && AllHex(std::string_view(result).substr(1))) {
    return "#" + Doubled(std::string_view(result).substr(1));
  }
  const std::size_t length = CharCount(result);
  if (length < kColourDigits + 1) result.insert(1, kColourDigits + 1 - length, '0');
  return result;
}

}  // namespace scrivane
