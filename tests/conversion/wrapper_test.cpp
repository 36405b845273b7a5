// The page wrapper around the body: head, title banner, font and centring, foot.
#include <gtest/gtest.h>

#include "convert_helpers.h"
#include "page_frame.h"
#include "page_plan.h"
#include "product.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::Fragment;

const std::string kFoot =
    "<BR><HR>\r\n"
    "<center>Web Page created with Scrivane v" + std::string(kVersionText) +
    " by <A HREF=\"mailto:scrivane@example.org\">"
    "The Scrivane Project</A><BR>\r\n"
    "<A HREF=\"https://scrivane.example.org/\">https://scrivane.example.org/</A><BR>\r\n"
    "Date: DATE</center><BR><BR>\r\n"
    "</BODY></HTML>\r\n";

ConversionOptions Page(void (*change)(ConversionOptions&)) {
  ConversionOptions options = Fragment(OutputFormat::Smart);
  options.webPage = true;
  options.title = "T";
  change(options);
  return options;
}

struct WrapperCase {
  const char* name;
  ConversionOptions options;
  std::string expected;
};

class WrapperTest : public testing::TestWithParam<WrapperCase> {};

TEST_P(WrapperTest, WrapsTheBody) { EXPECT_EQ(ConvertText("hello", GetParam().options).document, GetParam().expected); }

std::string Name(const testing::TestParamInfo<WrapperCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(
    Table, WrapperTest,
    testing::Values(
        WrapperCase{"FragmentIsJustTheBody", Fragment(OutputFormat::Smart), "hello \r\n"},
        WrapperCase{"FaceOnly", [] { auto o = Fragment(OutputFormat::Smart); o.fontFace = "Arial"; return o; }(),
                    "<FONT FACE=\"Arial\">\r\nhello \r\n</FONT>\r\n"},
        WrapperCase{"CentredFont",
                    [] {
                      auto o = Fragment(OutputFormat::Smart);
                      o.centre = true;
                      o.fontSize = "4";
                      o.fontColor = "#FF0000";
                      return o;
                    }(),
                    "<CENTER>\r\n<FONT SIZE=\"4\" COLOR=\"#FF0000\">\r\nhello \r\n</FONT>\r\n</CENTER>\r\n"},
        WrapperCase{"PlainPage", Page([](ConversionOptions&) {}),
                    "<HTML>\r\n<HEAD>\r\n<TITLE>T</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                    "<CENTER><FONT SIZE=\"+2\"><B>T</B></FONT></CENTER><BR>\r\nhello \r\n" + kFoot},
        WrapperCase{"EmptyTitleStillHasBanner", Page([](ConversionOptions& o) { o.title = ""; }),
                    "<HTML>\r\n<HEAD>\r\n<TITLE></TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                    "<CENTER><FONT SIZE=\"+2\"><B></B></FONT></CENTER><BR>\r\nhello \r\n" + kFoot},
        WrapperCase{"EveryPageProperty",
                    Page([](ConversionOptions& o) {
                      o.title = "My <I>notes</I>";
                      o.charSet = "utf-8";
                      o.bgColor = "#FFFFFF";
                      o.textColor = "#000000";
                      o.bgImage = "paper.png";
                      o.centre = true;
                      o.fontFace = "Times";
                    }),
                    "<HTML>\r\n<HEAD>\r\n<TITLE>My <I>notes</I></TITLE>\r\n"
                    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=utf-8\">\r\n</HEAD>\r\n"
                    "<BODY BACKGROUND=\"paper.png\" TEXT=\"#000000\" BGCOLOR=\"#FFFFFF\">\r\n"
                    "<CENTER><FONT SIZE=\"+2\"><B>My <I>notes</I></B></FONT></CENTER><BR>\r\n"
                    "<CENTER>\r\n<FONT FACE=\"Times\">\r\nhello \r\n</FONT>\r\n</CENTER>\r\n" + kFoot},
        WrapperCase{"AttributeQuotesEscaped", Page([](ConversionOptions& o) { o.bgImage = "a\"b.png"; }),
                    "<HTML>\r\n<HEAD>\r\n<TITLE>T</TITLE>\r\n</HEAD>\r\n<BODY BACKGROUND=\"a&quot;b.png\">\r\n"
                    "<CENTER><FONT SIZE=\"+2\"><B>T</B></FONT></CENTER><BR>\r\nhello \r\n" + kFoot},
        WrapperCase{"FooterWritten", Page([](ConversionOptions& o) { o.footer = "<I>by me</I>\nline two\n"; }),
                    "<HTML>\r\n<HEAD>\r\n<TITLE>T</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                    "<CENTER><FONT SIZE=\"+2\"><B>T</B></FONT></CENTER><BR>\r\nhello \r\n<BR><HR>\r\n"
                    "<I>by me</I>\r\nline two\r\n" + kFoot.substr(std::string("<BR><HR>\r\n").size())},
        WrapperCase{"FooterPlaceholderLeftOut",
                    Page([](ConversionOptions& o) { o.footer = "Enter your footer here icluding any html tags.\n"; }),
                    "<HTML>\r\n<HEAD>\r\n<TITLE>T</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                    "<CENTER><FONT SIZE=\"+2\"><B>T</B></FONT></CENTER><BR>\r\nhello \r\n" + kFoot}),
    Name);

struct FontSizeCase {
  std::string face;
  std::string size;
  OutputFormat format;
  std::string expected;
};

class EffectiveFontSizeTest : public testing::TestWithParam<FontSizeCase> {};

TEST_P(EffectiveFontSizeTest, RaisedOnlyForOriginalFormat) {
  ConversionOptions options;
  options.fontFace = GetParam().face;
  options.fontSize = GetParam().size;
  options.format = GetParam().format;
  EXPECT_EQ(PlanPage(options).fontSize, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, EffectiveFontSizeTest,
                         testing::Values(FontSizeCase{"", "", OutputFormat::OriginalFormat, ""},
                                         FontSizeCase{"Arial", "", OutputFormat::OriginalFormat, "+1"},
                                         FontSizeCase{"", "3", OutputFormat::OriginalFormat, "4"},
                                         FontSizeCase{"", "+2", OutputFormat::OriginalFormat, "3"},
                                         FontSizeCase{"", "-1", OutputFormat::OriginalFormat, "0"},
                                         FontSizeCase{"", "big", OutputFormat::OriginalFormat, "big"},
                                         FontSizeCase{"", "+", OutputFormat::OriginalFormat, "+"},
                                         FontSizeCase{"", "3", OutputFormat::Smart, "3"},
                                         FontSizeCase{"Arial", "", OutputFormat::HtmlList, ""}));

// What the plan reads from the options: names compared lower-case, the page
// style's link rules, encoding and footer blanks, and when the banner shows the
// document's own title.
struct PlanCase {
  void (*change)(ConversionOptions&);
  bool (*holds)(const PagePlan&);
  const char* what;
};

TEST(PagePlan, ReadFromTheOptions) {
  const PlanCase cases[] = {
      {[](ConversionOptions& o) { o.listType = "ORDERED"; }, [](const PagePlan& p) { return p.list == ListKind::Ordered; },
       "list type in capitals"},
      {[](ConversionOptions& o) { o.listType = "ol"; }, [](const PagePlan& p) { return p.list == ListKind::None; },
       "an unknown list type"},
      {[](ConversionOptions& o) { o.separator = "Tab"; }, [](const PagePlan& p) { return p.separator == "\t"; },
       "a named separator"},
      {[](ConversionOptions& o) { o.separator = " | "; }, [](const PagePlan& p) { return p.separator == " | "; },
       "a separator of its own"},
      {[](ConversionOptions& o) { o.modern = true; },
       [](const PagePlan& p) { return p.style == PageStyle::Modern && p.links.modern && !p.keepsInputEncoding; },
       "a modern page: modern links, always UTF-8"},
      {[](ConversionOptions&) {}, [](const PagePlan& p) { return !p.links.modern && p.keepsInputEncoding; },
       "a classic page: its own links and encoding"},
      {[](ConversionOptions& o) { o.footer = "\fEnter your footer here\n"; o.modern = true; },
       [](const PagePlan& p) { return p.texts.footer.empty(); }, "a prompt among the modern page's blanks"},
      {[](ConversionOptions& o) { o.footer = "\fnote\n"; }, [](const PagePlan& p) { return p.texts.footer == "\fnote"; },
       "a classic footer keeps its form feed"},
      {[](ConversionOptions& o) { o.title = " Converted by Scrivane\f"; },
       [](const PagePlan& p) { return p.showsDocumentTitle; }, "the default title, padded"},
      {[](ConversionOptions& o) { o.title = "Mine"; }, [](const PagePlan& p) { return !p.showsDocumentTitle; },
       "a title of the user's"},
      {[](ConversionOptions& o) { o.webPage = false; }, [](const PagePlan& p) { return !p.showsDocumentTitle; },
       "a fragment has no banner"},
  };
  for (const PlanCase& c : cases) {
    ConversionOptions options;
    c.change(options);
    EXPECT_TRUE(c.holds(PlanPage(options))) << c.what;
  }
}

// The footer as both styles take it: trimmed of their blanks, placeholders
// dropped, then cut into the lines it was typed as.
struct FooterCase {
  std::string_view typed;
  std::string_view blanks;
  std::vector<std::string_view> lines;  // empty: no footer
};

TEST(PageFrame, FooterLines) {
  const FooterCase cases[] = {
      {"  Enter your footer here\r\n", kLineBlanks, {}},
      {"Enter your footer here icluding any html tags.", kHtmlBlanks, {}},
      {" \t\r\n", kLineBlanks, {}},
      {"one", kLineBlanks, {"one"}},
      {"a\r\nb\rc\nd", kLineBlanks, {"a", "b", "c", "d"}},
      {"a\r\n\r\nb", kLineBlanks, {"a", "", "b"}},
      {"\fa\f", kLineBlanks, {"\fa\f"}},  // the classic document keeps form feeds
      {"\fa\f", kHtmlBlanks, {"a"}},
  };
  for (const FooterCase& c : cases) {
    const std::string_view footer = UserFooter(c.typed, c.blanks);
    const std::vector<std::string_view> lines = footer.empty() ? std::vector<std::string_view>{} : TypedLines(footer);
    EXPECT_EQ(lines, c.lines) << c.typed;
  }
}

}  // namespace
}  // namespace scrivane
