#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace scrivane
