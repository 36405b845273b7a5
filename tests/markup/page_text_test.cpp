// The inline allow-list for titles and footers, and forbidden code points.
#include <gtest/gtest.h>

#include "page_text.h"

namespace scrivane {
namespace {

struct SanitizeCase {
  const char* typed;
  const char* kept;
};

class SanitizeTest : public testing::TestWithParam<SanitizeCase> {};

TEST_P(SanitizeTest, KeepsOnlyTheAllowList) { EXPECT_EQ(SanitizeInlineHtml(GetParam().typed), GetParam().kept); }

INSTANTIATE_TEST_SUITE_P(
    Table, SanitizeTest,
    testing::Values(
        SanitizeCase{"Plain & simple", "Plain &amp; simple"},
        SanitizeCase{"<B>Bold</B> <em>and</EM> <code>x</code><br/>next", "<b>Bold</b> <em>and</em> <code>x</code><br>next"},
        SanitizeCase{"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        SanitizeCase{"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
        SanitizeCase{"<b onclick=\"alert(1)\">x</b>", "&lt;b onclick=&quot;alert(1)&quot;&gt;x&lt;/b&gt;"},
        SanitizeCase{"<a href=\"https://example.org/a b?x=1&amp;y=2\">site</a>",
                     "<a href=\"https://example.org/a%20b?x=1&amp;y=2\">site</a>"},
        SanitizeCase{"<a href='mailto:me@example.org'>me</a>", "<a href=\"mailto:me@example.org\">me</a>"},
        SanitizeCase{"<a href=\"javascript:alert(1)\">x</a>", "&lt;a href=&quot;javascript:alert(1)&quot;&gt;x&lt;/a&gt;"},
        SanitizeCase{"<a href=\" JavaScript:alert(1)\">x</a>", "&lt;a href=&quot; JavaScript:alert(1)&quot;&gt;x&lt;/a&gt;"},
        SanitizeCase{"<a href=\"http:\">x</a>", "&lt;a href=&quot;http:&quot;&gt;x&lt;/a&gt;"},
        SanitizeCase{"<a href=\"https://x.example/\"></a>end", "end"},  // an empty link has no name
        SanitizeCase{"<a href=\"http://a.example/\"><a href=\"http://b.example/\">b</a></a>",
                     "<a href=\"http://a.example/\">&lt;a href=&quot;http://b.example/&quot;&gt;b</a>&lt;/a&gt;"},
        // Balanced whatever is typed: unclosed elements close at the end, a
        // closing tag closes what was left open inside it, stray ones show.
        SanitizeCase{"<b><i>x</b> y</i>", "<b><i>x</i></b> y&lt;/i&gt;"},
        SanitizeCase{"<strong>open", "<strong>open</strong>"},
        SanitizeCase{"</span>x", "&lt;/span&gt;x"},
        SanitizeCase{"<b", "&lt;b"},
        SanitizeCase{"<b title=\"never closed>x", "&lt;b title=&quot;never closed&gt;x"},
        SanitizeCase{"a < b > c", "a &lt; b &gt; c"},
        SanitizeCase{"</title><script>x</script>", "&lt;/title&gt;&lt;script&gt;x&lt;/script&gt;"},
        // References: numeric and common named ones stay, the rest is escaped.
        SanitizeCase{"&copy; &#169; &#xA9; &nope; &#0; &#128; &#xD800; &", "&copy; &#169; &#xA9; &amp;nope; &amp;#0; "
                                                                         "&amp;#128; &amp;#xD800; &amp;"},
        SanitizeCase{"bell\x07 and \xEF\xBF\xBE", "bell\xEF\xBF\xBD and \xEF\xBF\xBD"}));

TEST(Sanitize, DeepNestingStaysLinear) {
  std::string typed;
  for (int i = 0; i < 20000; ++i) typed += "<b><a href=\"http://x.example/\"";
  const std::string kept = SanitizeInlineHtml(typed + "</i>");
  EXPECT_EQ(kept.find("<script"), std::string::npos);
  EXPECT_EQ(SanitizeInlineHtml(std::string(16, '(') + std::string(20, '<') + "b>x"),
            std::string(16, '(') + [] {
              std::string escaped;
              for (int i = 0; i < 19; ++i) escaped += "&lt;";
              return escaped;
            }() + "<b>x</b>");
}

TEST(InlineHtmlText, DropsTheTags) {
  EXPECT_EQ(InlineHtmlText(SanitizeInlineHtml("<b>A</b><br>B &amp; <a href=\"http://x.example/\">C</a>")),
            "A B &amp; C");
}

struct ForbiddenCase {
  const char* text;
  bool forbidden;
  const char* cleaned;
};

class ForbiddenTest : public testing::TestWithParam<ForbiddenCase> {};

TEST_P(ForbiddenTest, ReplacedByTheReplacementCharacter) {
  EXPECT_EQ(HasForbiddenCodePoints(GetParam().text), GetParam().forbidden);
  std::string cleaned;
  AppendWithoutForbidden(cleaned, GetParam().text);
  EXPECT_EQ(cleaned, GetParam().cleaned);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ForbiddenTest,
    testing::Values(ForbiddenCase{"tab\tform\ffeed caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", false,
                                  "tab\tform\ffeed caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
                    ForbiddenCase{"a long plain line of text that is more than sixteen bytes\x01", true,
                                  "a long plain line of text that is more than sixteen bytes\xEF\xBF\xBD"},
                    ForbiddenCase{"\x7F\xC2\x80\xC2\x9F\xC2\xA0", true, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xC2\xA0"},
                    ForbiddenCase{"\xEF\xB7\x90\xEF\xB7\xAF\xEF\xB7\xB0", true, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xB7\xB0"},
                    ForbiddenCase{"\xEF\xBF\xBF \xF0\x9F\xBF\xBE \xF4\x8F\xBF\xBF", true,
                                  "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD"},
                    ForbiddenCase{"not \xE9 UTF-8", true, "not \xEF\xBF\xBD UTF-8"}));

struct PageTextCase {
  const char* text;
  bool needsCleaning;
  const char* written;
};

class PageTextTest : public testing::TestWithParam<PageTextCase> {};

// A line as a modern page holds it: valid, without form feeds, in Normalization Form C.
TEST_P(PageTextTest, ValidWithoutFormFeedsComposed) {
  EXPECT_EQ(NeedsPageCleaning(GetParam().text), GetParam().needsCleaning);
  std::string written;
  AppendPageText(written, GetParam().text);
  EXPECT_EQ(written, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PageTextTest,
    testing::Values(PageTextCase{"caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xD0\xB9 \xF0\x9F\x98\x80", false,
                                 "caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xD0\xB9 \xF0\x9F\x98\x80"},
                    PageTextCase{"one\ftwo", true, "one two"},
                    // Past the first sixteen bytes, and in the last sixteen, which the quick pass overlaps.
                    PageTextCase{"a plain line longer than sixteen bytes,\twith a TAB", false,
                                 "a plain line longer than sixteen bytes,\twith a TAB"},
                    PageTextCase{"a plain line longer than sixteen bytes\fand a feed", true,
                                 "a plain line longer than sixteen bytes and a feed"},
                    PageTextCase{"a plain line longer than sixteen bytes: Cafe\xCC\x81", true,
                                 "a plain line longer than sixteen bytes: Caf\xC3\xA9"},
                    PageTextCase{"\f\fPage 2 \f", true, "Page 2 "},
                    PageTextCase{"a\t\fb\f\x01", true, "a\tb \xEF\xBF\xBD"},
                    PageTextCase{"Cafe\xCC\x81", true, "Caf\xC3\xA9"},  // e and a combining acute accent
                    PageTextCase{"\xE2\x84\xAB", true, "\xC3\x85"},    // the angstrom sign is A with a ring
                    PageTextCase{"a\xCC\xA3\xCC\x87", true, "\xE1\xBA\xA1\xCC\x87"},  // marks composed in order
                    PageTextCase{"\xEA\xB0\x80\xE1\x86\xA8", true, "\xEA\xB0\x81"},  // a Hangul syllable and its final
                    PageTextCase{"x\xCC\x81", true, "x\xCC\x81"},  // nothing to compose with: kept
                    PageTextCase{"\xE9t\xE9\f", true, "\xEF\xBF\xBDt\xEF\xBF\xBD"}));

}  // namespace
}  // namespace scrivane
