#include <gtest/gtest.h>

#include <string>

#include "markup.h"
#include "markup_reference.h"

namespace scrivane {
namespace {

// Anchor text as MakeLinks writes it.
std::string A(const std::string& href, const std::string& text) {
  return "<A HREF=\"" + href + "\">" + text + "</A>";
}
std::string A(const std::string& both) { return A(both, both); }

constexpr LinkOptions kAll{true, true, true, true};
constexpr LinkOptions kNoPunctuation{true, true, true, false};
constexpr LinkOptions kNone{false, false, false, false};

struct LinkCase {
  std::string word;  // as it reaches MakeLinks, i.e. already escaped
  LinkOptions options;
  std::string expected;
};

class MakeLinksTest : public testing::TestWithParam<LinkCase> {};

TEST_P(MakeLinksTest, RewritesTheWord) {
  std::string word = GetParam().word;
  MakeLinks(word, GetParam().options);
  EXPECT_EQ(word, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, MakeLinksTest,
    testing::Values(
        LinkCase{"http://example.com.", kAll, A("http://example.com") + "."},
        LinkCase{"http://example.com.", kNoPunctuation, A("http://example.com.")},
        LinkCase{"http://x.com?!", kAll, A("http://x.com?") + "!"},             // one mark only
        LinkCase{"http://x.com..", kAll, A("http://x.com.") + "."},
        LinkCase{"http://x.com/&quot;", kAll, A("http://x.com/&quot;")},        // entity keeps its ;
        LinkCase{"&quot;http://x.com/&quot;", kAll, "&quot;" + A("http://x.com/") + "&quot;"},
        LinkCase{"(http://x.com),", kAll, "(" + A("http://x.com") + "),"},
        LinkCase{"(http://x.com),", kNoPunctuation, A("(http://x.com),")},
        LinkCase{"(http://x.com).", kAll, "(" + A("http://x.com") + ")."},
        LinkCase{"[http://x.com]", kAll, "[" + A("http://x.com") + "]"},
        LinkCase{"{http://x.com}", kAll, "{" + A("http://x.com") + "}"},
        LinkCase{"'http://x.com'", kAll, "'" + A("http://x.com") + "'"},
        LinkCase{"(&quot;http://x.com&quot;).", kAll,
                 "(&quot;" + A("http://x.com") + "&quot;)."},                    // quotes inside brackets
        LinkCase{"&quot;(http://x.com)&quot;", kAll,
                 "&quot;" + A("(http://x.com)") + "&quot;"},                     // brackets inside quotes stay
        LinkCase{"&lt;http://x.com&gt;", kAll, "&lt;http://x.com&gt;"},         // ; before :// fails
        // The ; of an entity the escaping wrote is no punctuation mark: cut off, the
        // entity would break and the browser would show a stray ";".
        LinkCase{"http://x.com/a&gt;", kAll, A("http://x.com/a&gt;")},
        LinkCase{"http://x.com/?a&amp;", kAll, A("http://x.com/?a&amp;")},
        LinkCase{"http://x.com/&lt;", kAll, A("http://x.com/&lt;")},
        LinkCase{"http://x.com/&pound;", kAll, A("http://x.com/&pound;")},
        LinkCase{"http://x.com/a&gt;.", kAll, A("http://x.com/a&gt;") + "."},
        LinkCase{"(http://x.com/&amp;)", kAll, "(" + A("http://x.com/&amp;") + ")"},
        LinkCase{"http://x.com/a;", kAll, A("http://x.com/a") + ";"},           // a real semicolon goes
        LinkCase{"&lt;http://x.com&gt;", kNoPunctuation, "&lt;http://x.com&gt;"},
        LinkCase{"e.g.http://x.com", kAll, "e.g.http://x.com"},                 // punctuation in scheme
        LinkCase{"HTTP://X.COM/A", kAll, A("HTTP://X.COM/A")},                  // capitals kept
        LinkCase{"http://www.x.com", kNone, A("http://www.x.com")},             // no option governs URLs
        LinkCase{"ftp://files.x.org/a", kNone, A("ftp://files.x.org/a")},
        LinkCase{"://x.com", kAll, "://x.com"},                                 // not a URL
        LinkCase{"http://caf\xC3\xA9.fr/\xC3\xA9t\xC3\xA9.", kAll,
                 A("http://caf\xC3\xA9.fr/\xC3\xA9t\xC3\xA9") + "."}));

INSTANTIATE_TEST_SUITE_P(
    ScriptSchemes, MakeLinksTest,
    testing::Values(LinkCase{"javascript://x%0Aalert(1)", kAll, "javascript://x%0Aalert(1)"},
                    LinkCase{"JavaScript://x%0Aalert(1).", kAll, "JavaScript://x%0Aalert(1)."},
                    LinkCase{"vbscript://x", kAll, "vbscript://x"},
                    LinkCase{"DATA://text/html,x", kAll, "DATA://text/html,x"},
                    LinkCase{"\x01javascript://x", kAll, "\x01javascript://x"},
                    LinkCase{"java\x0Bscript://x", kAll, "java\x0Bscript://x"},
                    LinkCase{"(javascript://x).", kAll, "(javascript://x)."},
                    LinkCase{"&quot;javascript://x&quot;", kAll, "&quot;javascript://x&quot;"},
                    LinkCase{"javascripts://x", kAll, A("javascripts://x")}));

INSTANTIATE_TEST_SUITE_P(
    Hosts, MakeLinksTest,
    testing::Values(LinkCase{"www.example.com", kAll, A("http://www.example.com", "www.example.com")},
                    LinkCase{"WWW.Example.com", kAll, A("http://WWW.Example.com", "WWW.Example.com")},
                    LinkCase{"WWW.Example.com", kNone, "WWW.Example.com"},
                    LinkCase{"www.x.com,", kAll, A("http://www.x.com,", "www.x.com,")},  // comma stays inside
                    LinkCase{"ftp.x.org", kAll, A("ftp://ftp.x.org", "ftp.x.org")},
                    LinkCase{"FTP.x.org", LinkOptions{false, true, false, false}, A("ftp://FTP.x.org", "FTP.x.org")},
                    LinkCase{"ftp.x.org", LinkOptions{true, false, true, true}, "ftp.x.org"},
                    LinkCase{"www", kAll, "www"},
                    LinkCase{"wwwx.com", kAll, "wwwx.com"}));

INSTANTIATE_TEST_SUITE_P(
    Email, MakeLinksTest,
    testing::Values(
        LinkCase{"a@b.c", kAll, "a@b.c"},                                       // five characters
        LinkCase{"ab@c.d", kAll, A("mailto:ab@c.d", "ab@c.d")},                 // six
        LinkCase{"\xC3\xA9@x.y", kAll, "\xC3\xA9@x.y"},                         // five characters, six bytes
        LinkCase{"j\xC3\xB6" "e@x.de", kAll, A("mailto:j\xC3\xB6" "e@x.de", "j\xC3\xB6" "e@x.de")},
        LinkCase{"@abc.def", kAll, "@abc.def"},                                 // at sign first
        LinkCase{"abc@def", kAll, "abc@def"},                                   // no full stop
        LinkCase{".abc@def", kAll, ".abc@def"},                                 // full stop only first
        LinkCase{"joe@x.com", LinkOptions{true, true, false, true}, "joe@x.com"},
        LinkCase{"(joe@x.com)", kAll, "(" + A("mailto:joe@x.com", "joe@x.com") + ")"},
        LinkCase{"(joe@x.com).", kAll, "(" + A("mailto:joe@x.com)", "joe@x.com)") + "."},
        LinkCase{"'joe@x.com'", kAll, "'" + A("mailto:joe@x.com", "joe@x.com") + "'"},
        LinkCase{"[joe@x.co\xC3\xA9", kAll, "[" + A("mailto:joe@x.co", "joe@x.co") + "\xC3\xA9"},
        // An escaped last character closes as its whole entity.
        LinkCase{"(joe@x.com&gt;", kAll, "(" + A("mailto:joe@x.com", "joe@x.com") + "&gt;"},
        LinkCase{"'joe@x.com&amp;", kAll, "'" + A("mailto:joe@x.com", "joe@x.com") + "&amp;"},
        LinkCase{"{joe@x.com&quot;", kAll, "{" + A("mailto:joe@x.com", "joe@x.com") + "&quot;"},
        LinkCase{"(joe@x.com;", kAll, "(" + A("mailto:joe@x.com", "joe@x.com") + ";"},
        LinkCase{"&quot;joe@x.com&quot;", kAll, "&quot;" + A("mailto:joe@x.com", "joe@x.com") + "&quot;"},
        LinkCase{"&lt;joe@x.com&gt;", kAll, "&lt;" + A("mailto:joe@x.com", "joe@x.com") + "&gt;"},
        // A wrapper whose closing half is missing keeps every character of the word.
        LinkCase{"&quot;a@b.c", kAll, "&quot;" + A("mailto:a@b.c", "a@b.c")},
        LinkCase{"&lt;a@.", kAll, "&lt;" + A("mailto:a@.", "a@.")},
        LinkCase{"&quot;joe@example.com", kAll, "&quot;" + A("mailto:joe@example.com", "joe@example.com")},
        LinkCase{"&quot;joe@example.com&quot;,", kAll,
                 "&quot;" + A("mailto:joe@example.com&quot;,", "joe@example.com&quot;,")},
        LinkCase{"", kAll, ""}));

struct StripCase {
  std::string word;
  std::string core;
  std::string opening;
  std::string closing;
};

class StripBracketsTest : public testing::TestWithParam<StripCase> {};

TEST_P(StripBracketsTest, RemovesOnePair) {
  std::string word = GetParam().word;
  std::string opening = "stale", closing = "stale";
  StripBrackets(word, opening, closing);
  EXPECT_EQ(word, GetParam().core);
  EXPECT_EQ(opening, GetParam().opening);
  EXPECT_EQ(closing, GetParam().closing);
}

INSTANTIATE_TEST_SUITE_P(Table, StripBracketsTest,
                         testing::Values(StripCase{"(a)", "a", "(", ")"}, StripCase{"[a]", "a", "[", "]"},
                                         StripCase{"{a}", "a", "{", "}"}, StripCase{"(a]", "(a]", "", ""},
                                         StripCase{"((a))", "(a)", "(", ")"}, StripCase{"()", "", "(", ")"},
                                         StripCase{"(", "(", "", ""}, StripCase{"", "", "", ""}));

class StripQuotesTest : public testing::TestWithParam<StripCase> {};

TEST_P(StripQuotesTest, RemovesOnePair) {
  std::string word = GetParam().word;
  std::string quote = "stale";
  StripQuotes(word, quote);
  EXPECT_EQ(word, GetParam().core);
  EXPECT_EQ(quote, GetParam().opening);
}

INSTANTIATE_TEST_SUITE_P(Table, StripQuotesTest,
                         testing::Values(StripCase{"'a'", "a", "'", ""},
                                         StripCase{"\"a\"", "a", "\"", ""},
                                         StripCase{"&quot;a&quot;", "a", "&quot;", ""},
                                         StripCase{"&quot;&quot;", "", "&quot;", ""},
                                         StripCase{"'a", "'a", "", ""},
                                         StripCase{"'", "'", "", ""},  // a lone quote is no pair
                                         StripCase{"&amp;a&amp;", "&amp;a&amp;", "", ""},
                                         StripCase{"'a\"", "'a\"", "", ""}, StripCase{"", "", "", ""}));

TEST(MakeUrlLink, LinksAnyWordHandedToIt) {
  std::string word = "(http://x.com).";
  MakeUrlLink(word, true);
  EXPECT_EQ(word, "(" + A("http://x.com") + ").");
  word = "(http://x.com).";
  MakeUrlLink(word, false);
  EXPECT_EQ(word, A("(http://x.com)."));
}

struct PunctuationCase {
  const char* ch;
  bool expected;
};

class IsPunctuationTest : public testing::TestWithParam<PunctuationCase> {};

TEST_P(IsPunctuationTest, ExactlyTheSixMarks) { EXPECT_EQ(IsPunctuation(GetParam().ch), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Table, IsPunctuationTest,
                         testing::Values(PunctuationCase{"", false}, PunctuationCase{"..", false},
                                         PunctuationCase{"-", false}, PunctuationCase{".", true},
                                         PunctuationCase{"!", true}, PunctuationCase{",", true},
                                         PunctuationCase{":", true}, PunctuationCase{";", true},
                                         PunctuationCase{"?", true}, PunctuationCase{"'", false},
                                         PunctuationCase{")", false}, PunctuationCase{"\xE3\x80\x82", false}));

TEST(FindLink, GivesTheAddressOfEachKind) {
  Link link;
  ASSERT_TRUE(FindLink("(http://x.com).", kAll, link));
  EXPECT_EQ(link.before, "(");
  EXPECT_EQ(link.Address(), "http://x.com");
  EXPECT_EQ(link.after, ").");
  ASSERT_TRUE(FindLink("www.x.com", kAll, link));
  EXPECT_EQ(link.Address(), "http://www.x.com");
  ASSERT_TRUE(FindLink("joe@x.com", kAll, link));
  EXPECT_EQ(link.Address(), "mailto:joe@x.com");
  EXPECT_EQ(link.text, "joe@x.com");
  EXPECT_FALSE(FindLink("plain", kAll, link));
}

// Words built to hurt: every routine stays linear in the word's length.
TEST(MakeLinksLinear, HostileWordsFinish) {
  for (const std::string unit : {"://", "(", "@.", "&quot;", "\xC3\xA9", ".", "&"}) {
    std::string word;
    while (word.size() < 300000) word += unit;
    std::string copy = word;
    MakeLinks(copy, kAll);
    EXPECT_GE(copy.size(), word.size()) << unit;
  }
}

}  // namespace
}  // namespace scrivane
