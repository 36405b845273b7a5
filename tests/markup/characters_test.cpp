#include <gtest/gtest.h>

#include <string>

#include "markup.h"
#include "normal_form.h"
#include "utf8.h"

namespace scrivane {
namespace {

struct CharCase {
  const char* text;
  std::size_t chars;
  std::size_t lastOneBytes;
  std::size_t lastSixBytes;
};

class CharactersTest : public testing::TestWithParam<CharCase> {};

TEST_P(CharactersTest, CountsCodePointsNotBytes) {
  const CharCase& c = GetParam();
  EXPECT_EQ(CharCount(c.text), c.chars);
  EXPECT_EQ(TailBytes(c.text, 1), c.lastOneBytes);
  EXPECT_EQ(TailBytes(c.text, 6), c.lastSixBytes);
}

INSTANTIATE_TEST_SUITE_P(Table, CharactersTest,
                         testing::Values(CharCase{"", 0, 0, 0},                        //
                                         CharCase{"abc", 3, 1, 3},                     //
                                         CharCase{"j\xC3\xB6" "e", 3, 1, 4},           // o-umlaut
                                         CharCase{"a\xE2\x82\xAC", 2, 3, 4},           // euro sign
                                         CharCase{"x\xF0\x9F\x98\x80", 2, 4, 5},       // emoji
                                         CharCase{"abcdefgh", 8, 1, 6},                //
                                         CharCase{"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",
                                                  7, 2, 12},
                                         CharCase{"abcdefg\xC3\xA9hijklmnop", 17, 1, 6},  // across eight bytes
                                         CharCase{"\x80\x80\x80\x80\x80\x80\x80\x80\x80", 0, 9, 9}));

// Long texts are counted in rounds of many bytes; every round must add up.
TEST(CharactersTest, CountsLongTexts) {
  std::string text(600, 'a');
  for (int i = 0; i < 500; ++i) text += "\xE2\x82\xAC";
  EXPECT_EQ(CharCount(text), 1100u);
  EXPECT_EQ(CharCount(std::string(5000, '\xA9')), 0u);
  EXPECT_EQ(CharCount(std::string(4099, 'x')), 4099u);
}

// The ASCII runs are passed over sixteen and eight bytes at a time: a byte
// that is not ASCII is found wherever it falls in or after those blocks, and a
// character that composes is seen however much ASCII comes before it.
TEST(AsciiRuns, FoundAtEveryPlaceInTheBlocks) {
  for (std::size_t length = 0; length <= 40; ++length) {
    EXPECT_EQ(AsciiPrefix(std::string(length, 'a')), length);
    for (std::size_t at = 0; at < length; ++at) {
      std::string text(length, 'a');
      text[at] = '\x80';
      EXPECT_EQ(AsciiPrefix(text), at) << length << " " << at;
      const std::string before(at, 'a'), after(length - at, 'b');
      EXPECT_TRUE(MayNeedComposing(before + "e\xCC\x81" + after)) << length << " " << at;  // e, combining acute
      EXPECT_FALSE(MayNeedComposing(before + "\xC3\xA9" + after + "\xC3\xA9")) << length << " " << at;  // precomposed
    }
  }
}

}  // namespace
}  // namespace scrivane
