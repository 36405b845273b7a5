#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "byte_rules.h"
#include "markup.h"
#include "markup_reference.h"

namespace scrivane {
namespace {

struct SplitCase {
  const char* text;
  const char* delimiter;
  int count;
  std::vector<std::string> parts;
};

class SplitStringTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitStringTest, SplitsAtEveryDelimiter) {
  const SplitCase& c = GetParam();
  std::vector<std::string_view> parts{"untouched"};
  EXPECT_EQ(SplitString(c.text, c.delimiter, parts), c.count);
  if (c.count < 0) {
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0], "untouched");
    return;
  }
  EXPECT_EQ(std::vector<std::string>(parts.begin(), parts.end()), c.parts);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitStringTest,
    testing::Values(SplitCase{"", " ", 1, {""}},                            // empty line: one empty word
                    SplitCase{"one", " ", 1, {"one"}},                      // no delimiter
                    SplitCase{"a  b", " ", 3, {"a", "", "b"}},              // two spaces: empty middle
                    SplitCase{"a ", " ", 2, {"a", ""}},                     // trailing space
                    SplitCase{" a", " ", 2, {"", "a"}},                     // leading space
                    SplitCase{"a", "", -1, {}},                             // empty delimiter
                    SplitCase{"a--b--c", "--", 3, {"a", "b", "c"}},         // long delimiter
                    SplitCase{"a---b", "--", 2, {"a", "-b"}},               // taken whole, left to right
                    SplitCase{"x\ty\t", "\t", 3, {"x", "y", ""}}));

TEST(SplitStringBounds, NoFixedLimitOnWordsOrPieces) {
  std::string line;
  for (int i = 0; i < 25000; ++i) line += "w ";
  std::vector<std::string_view> parts;
  EXPECT_EQ(SplitString(line, " ", parts), 25001);
  EXPECT_EQ(parts.back(), "");

  const std::string tabs(1200, '\t');
  EXPECT_EQ(SplitString(tabs, "\t", parts), 1201);
}

// The byte search agrees with the library's wherever the byte stands, from any
// start, in texts around the vector width (whose last load overlaps what was
// seen), with a later match that must not win and a byte above ASCII.
TEST(FindByte, FindsTheFirstMatchFromAnyStart) {
  for (const char byte : {',', '\xC3'}) {
    for (std::size_t size = 0; size <= 40; ++size) {
      for (std::size_t place = 0; place <= size; ++place) {  // at `size`: nowhere
        std::string text(size, 'a');
        if (place < size) text[place] = byte;
        if (place + 7 < size) text[place + 7] = byte;
        for (std::size_t from = 0; from <= size; ++from) {
          EXPECT_EQ(FindByte(text.data(), from, size, byte), std::min(text.find(byte, from), size))
              << "size " << size << ", byte at " << place << ", from " << from;
        }
      }
    }
  }
}

}  // namespace
}  // namespace scrivane
