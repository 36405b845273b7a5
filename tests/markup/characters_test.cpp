#include <gtest/gtest.h>

#include "markup.h"

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
                                                  7, 2, 12}));

}  // namespace
}  // namespace scrivane
