// Conversions between web colour text and 0x00BBGGRR colour values.
#include "colour_text.h"

#include "byte_rules.h"
#include "markup.h"

namespace scrivane {
namespace {

constexpr std::size_t kColourDigits = 6;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::optional<std::uint32_t> ParseColourText(std::string_view text) {
  // The first character is skipped whatever it is (normally "#"); it may be several bytes long.
  std::size_t start = text.empty() ? 0 : 1;
  while (start < text.size() && IsContinuation(text[start])) ++start;
  const std::string_view digits = text.substr(start, kColourDigits);
  // Six characters of text may be more than six bytes, but any non-ASCII byte is not a digit anyway.
  if (digits.empty()) return std::nullopt;
  std::uint32_t rgb = 0;
  for (char c : digits) {
    const int value = HexValue(c);
    if (value < 0) return std::nullopt;
    rgb = rgb * 16 + static_cast<std::uint32_t>(value);
  }
  // Fewer digits count as left-padded with zeros: "#FF" is 0x0000FF, blue.
  const std::uint32_t red = (rgb >> 16) & 0xFF;
  const std::uint32_t green = (rgb >> 8) & 0xFF;
  const std::uint32_t blue = rgb & 0xFF;
  return (blue << 16) | (green << 8) | red;
}

std::uint32_t ColourFromText(std::string_view text) {
  return ParseColourText(text).value_or(kLightGrey);
}

std::string ColourToText(std::uint32_t colour) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::uint32_t channels[] = {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
  std::string text = "#";
  for (std::uint32_t channel : channels) {
    text += kDigits[channel >> 4];
    text += kDigits[channel & 0xF];
  }
  return text;
}

std::string NormaliseColourText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) result += AsciiUpper(c);
  if (result.empty() || result.front() != '#') return result;
  const std::size_t length = CharCount(result);
  if (length < kColourDigits + 1) result.insert(1, kColourDigits + 1 - length, '0');
  return result;
}

}  // namespace scrivane
