#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "colour_text.h"

namespace scrivane {
namespace {

struct ParseCase {
  const char* text;
  std::optional<std::uint32_t> colour;  // 0x00BBGGRR
};

class ParseColourTextTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseColourTextTest, ReadsDigitsAfterTheFirstCharacter) {
  const ParseCase& c = GetParam();
  EXPECT_EQ(ParseColourText(c.text), c.colour) << c.text;
  EXPECT_EQ(ColourFromText(c.text), c.colour.value_or(kLightGrey)) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseColourTextTest,
    testing::Values(ParseCase{"#FF0000", 0x0000FF},       // red lands in the lowest byte
                    ParseCase{"#00FF00", 0x00FF00},
                    ParseCase{"#0000FF", 0xFF0000},       // blue in the third byte
                    ParseCase{"#123456", 0x563412},
                    ParseCase{"#abcdef", 0xEFCDAB},       // lower-case digits
                    ParseCase{"#FF", 0xFF0000},           // short text is left-padded: blue
                    ParseCase{"#1", 0x010000},
                    ParseCase{"#00f", 0xFF0000},          // three digits as browsers read them: blue
                    ParseCase{"#abc", 0xCCBBAA},
                    ParseCase{"#00FF", 0xFF0000},         // four: padded again
                    ParseCase{"#0g0", std::nullopt},
                    ParseCase{"#C0C0C0", kLightGrey},     // same swatch as invalid text
                    ParseCase{"#12345678", 0x563412},     // only six digits are read
                    ParseCase{"x123456", 0x563412},       // the first character is not tested
                    ParseCase{"\xC3\xA9" "00FF00", 0x00FF00},  // a two-byte first character
                    ParseCase{"#1234\xC3\xA9", std::nullopt},  // non-ASCII among the digits
                    ParseCase{"#", std::nullopt},         // no digits at all
                    ParseCase{"", std::nullopt},
                    ParseCase{"white", std::nullopt},     // colour names are not recognised
                    ParseCase{"black", std::nullopt},
                    ParseCase{"#12 456", std::nullopt},   // a space is not a digit
                    ParseCase{"#-12345", std::nullopt},
                    ParseCase{"#GG0000", std::nullopt}));

struct ToTextCase {
  std::uint32_t colour;
  const char* text;
};

class ColourToTextTest : public testing::TestWithParam<ToTextCase> {};

TEST_P(ColourToTextTest, WritesRedGreenBlue) {
  const ToTextCase& c = GetParam();
  EXPECT_EQ(ColourToText(c.colour), c.text);
  EXPECT_EQ(ParseColourText(c.text), c.colour);  // and reads back the same
}

INSTANTIATE_TEST_SUITE_P(Table, ColourToTextTest,
                         testing::Values(ToTextCase{0x000000, "#000000"}, ToTextCase{0x0000FF, "#FF0000"},
                                         ToTextCase{0xFF0000, "#0000FF"}, ToTextCase{0x563412, "#123456"},
                                         ToTextCase{0xEFCDAB, "#ABCDEF"}, ToTextCase{0xFFFFFF, "#FFFFFF"},
                                         ToTextCase{0x000A0B, "#0B0A00"}));

TEST(ColourToText, IgnoresTheTopByte) { EXPECT_EQ(ColourToText(0xFF0000FF), "#FF0000"); }

struct NormaliseCase {
  const char* text;
  const char* normalised;
};

class NormaliseColourTextTest : public testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseColourTextTest, UpperCasesAndPads) {
  EXPECT_EQ(NormaliseColourText(GetParam().text), GetParam().normalised);
}

INSTANTIATE_TEST_SUITE_P(Table, NormaliseColourTextTest,
                         testing::Values(NormaliseCase{"", ""},                    // empty stays empty
                                         NormaliseCase{"#ff", "#0000FF"},          // padded on the left
                                         NormaliseCase{"#", "#000000"},
                                         NormaliseCase{"#abcdef", "#ABCDEF"},      // seven: only upper-cased
                                         NormaliseCase{"#abcdef12", "#ABCDEF12"},  // longer: kept
                                         NormaliseCase{"white", "WHITE"},          // no "#": upper-cased only
                                         NormaliseCase{"ff", "FF"},
                                         NormaliseCase{"#00f", "#0000FF"},         // "#rgb" as browsers read it
                                         NormaliseCase{"#aBc", "#AABBCC"},
                                         NormaliseCase{"#abcd", "#00ABCD"},        // other short forms padded
                                         NormaliseCase{"#0g0", "#0000G0"},
                                         NormaliseCase{"ff00aa", "#FF00AA"},       // six bare digits
                                         NormaliseCase{"ff00ag", "FF00AG"},
                                         NormaliseCase{"ff00aa1", "FF00AA1"},
                                         NormaliseCase{"#\xC3\xA9", "#00000\xC3\xA9"}));  // counts characters

}  // namespace
}  // namespace scrivane
