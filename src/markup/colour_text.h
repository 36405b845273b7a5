// Colours edited as web colour text ("#RRGGBB") and held as 32-bit values with
// red in the lowest byte (0x00BBGGRR), as the window's swatches use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scrivane {

// The swatch colour shown for text that is not a colour (0x00C0C0C0).
inline constexpr std::uint32_t kLightGrey = 0x00C0C0C0;

// The colour of up to six hex digits after the first character, or nullopt when they are not hex.
// Three digits are read as browsers read "#rgb"; fewer, four or five are left-padded with zeros.
std::optional<std::uint32_t> ParseColourText(std::string_view text);

// As ParseColourText, with light grey for text that is not a colour.
std::uint32_t ColourFromText(std::string_view text);

// "#RRGGBB" in upper-case digits for a 0x00BBGGRR value.
std::string ColourToText(std::uint32_t colour);

// The text a colour box keeps on losing the focus: upper-cased; "#rgb" doubled to "#RRGGBB", other
// short "#" texts left-padded to six digits; six bare hex digits get their "#".
std::string NormaliseColourText(std::string_view text);

}  // namespace scrivane
