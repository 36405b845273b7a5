#include <gtest/gtest.h>

#include "markup.h"
#include "markup_reference.h"

namespace scrivane {
namespace {

struct EscapeCase {
  const char* input;
  const char* expected;
};

class EscapeHtmlTest : public testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeHtmlTest, EscapesTheFiveCharacters) {
  std::string word = GetParam().input;
  EscapeHtml(word);
  EXPECT_EQ(word, GetParam().expected);

  std::string appended = "x";
  AppendEscaped(appended, GetParam().input);
  EXPECT_EQ(appended, std::string("x") + GetParam().expected);
  EXPECT_EQ(NeedsNoEscaping(GetParam().input), std::string(GetParam().input) == GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EscapeHtmlTest,
    testing::Values(EscapeCase{"", ""},                                          // empty stays empty
                    EscapeCase{"plain", "plain"},                                // common word
                    EscapeCase{"<>", "&lt;&gt;"},                                // brackets
                    EscapeCase{"\"\xC2\xA3<&>", "&quot;&pound;&lt;&amp;&gt;"},   // all five, in order
                    EscapeCase{"&amp;", "&amp;amp;"},                            // typed entity keeps letters
                    EscapeCase{"&lt;", "&amp;lt;"},                              // likewise
                    EscapeCase{"it's", "it's"},                                  // apostrophe untouched
                    EscapeCase{"caf\xC3\xA9", "caf\xC3\xA9"},                    // accented letter untouched
                    EscapeCase{"\xC3\xA3", "\xC3\xA3"},                          // a-tilde ends in A3 too
                    EscapeCase{"a\tb", "a\tb"},                                  // TAB kept
                    EscapeCase{"\xC2\xA3" "5", "&pound;5"},                      // pound sign
                    EscapeCase{"\xC2", "\xC2"},                                  // a lone lead byte
                    EscapeCase{"&&&", "&amp;&amp;&amp;"},                        // runs
                    EscapeCase{"a\"b\"c", "a&quot;b&quot;c"}));

TEST(EscapeHtmlLinear, LongRunsOfSpecialCharacters) {
  std::string word(200000, '&');
  EscapeHtml(word);
  EXPECT_EQ(word.size(), 200000u * 5);
  EXPECT_EQ(word.substr(0, 10), "&amp;&amp;");
}

}  // namespace
}  // namespace scrivane
