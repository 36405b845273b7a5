// The body of each format, byte for byte, for fragments (no page wrapper).
#include <gtest/gtest.h>

#include "convert_helpers.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::Fragment;

struct FormatCase {
  const char* name;
  std::string input;
  ConversionOptions options;
  std::string expected;
};

ConversionOptions With(OutputFormat format, void (*change)(ConversionOptions&)) {
  ConversionOptions options = Fragment(format);
  change(options);
  return options;
}

class FormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, WritesTheBody) {
  const auto recorded = ConvertText(GetParam().input, GetParam().options);
  EXPECT_TRUE(recorded.result.delivered);
  EXPECT_EQ(recorded.document, GetParam().expected);
}

std::string Name(const testing::TestParamInfo<FormatCase>& info) { return info.param.name; }

const std::string kA = "<A HREF=\"http://a.com\">http://a.com</A>";
const std::string kB = "<A HREF=\"http://b.com\">http://b.com</A>";

INSTANTIATE_TEST_SUITE_P(
    Smart, FormatTest,
    testing::Values(
        FormatCase{"Paragraphs", "one two\nthree\n\nfour", Fragment(OutputFormat::Smart),
                   "one two \r\nthree \r\n<P>\r\nfour \r\n"},
        FormatCase{"TwoSpacesKept", "a  b", Fragment(OutputFormat::Smart), "a  b \r\n"},
        FormatCase{"LeadingAndTrailingSpaces", " a ", Fragment(OutputFormat::Smart), " a  \r\n"},
        FormatCase{"Escaping", "\xC2\xA3" "5 & <b> \"q\"", Fragment(OutputFormat::Smart),
                   "&pound;5 &amp; &lt;b&gt; &quot;q&quot; \r\n"},
        FormatCase{"TabBetweenAddresses", "http://a.com\thttp://b.com", Fragment(OutputFormat::Smart),
                   kA + "\t" + kB + " \r\n"},
        FormatCase{"TabThenHost", "x\twww.c.org", Fragment(OutputFormat::Smart),
                   "x\t<A HREF=\"http://www.c.org\">www.c.org</A> \r\n"},
        FormatCase{"SentenceWithLinks", "See http://a.com. Mail joe@x.org or www.y.net now",
                   Fragment(OutputFormat::Smart),
                   "See " + kA + ". Mail <A HREF=\"mailto:joe@x.org\">joe@x.org</A> or "
                   "<A HREF=\"http://www.y.net\">www.y.net</A> now \r\n"},
        FormatCase{"LinkOptionsOff", "www.y.net joe@x.org ftp.z.org http://a.com",
                   With(OutputFormat::Smart, [](ConversionOptions& o) { o.links = {false, false, false, false}; }),
                   "www.y.net joe@x.org ftp.z.org " + kA + " \r\n"},
        FormatCase{"EmptyInput", "", Fragment(OutputFormat::Smart), ""},
        FormatCase{"CrLfAndBareLf", "a\r\nb\nc\rd", Fragment(OutputFormat::Smart),
                   "a \r\nb \r\nc \r\nd \r\n"},
        FormatCase{"NonAscii", "caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC", Fragment(OutputFormat::Smart),
                   "caf\xC3\xA9 na\xC3\xAFve \xE2\x82\xAC \r\n"}),
    Name);

INSTANTIATE_TEST_SUITE_P(
    Linefeeds, FormatTest,
    testing::Values(FormatCase{"EveryLineBreaks", "a\n\nb", Fragment(OutputFormat::OriginalLinefeeds),
                               "a <BR>\r\n <BR>\r\nb <BR>\r\n"}),
    Name);

INSTANTIATE_TEST_SUITE_P(
    Preformatted, FormatTest,
    testing::Values(FormatCase{"Pre", "a\n  b\n", Fragment(OutputFormat::OriginalFormat),
                               "<PRE>\r\na \r\n  b \r\n</PRE>\r\n"},
                    FormatCase{"FaceGetsSizePlusOne", "x",
                               With(OutputFormat::OriginalFormat, [](ConversionOptions& o) { o.fontFace = "Arial"; }),
                               "<FONT FACE=\"Arial\" SIZE=\"+1\">\r\n<PRE>\r\nx \r\n</PRE>\r\n</FONT>\r\n"},
                    FormatCase{"SizeRaised", "x",
                               With(OutputFormat::OriginalFormat, [](ConversionOptions& o) { o.fontSize = "+2"; }),
                               "<FONT SIZE=\"3\">\r\n<PRE>\r\nx \r\n</PRE>\r\n</FONT>\r\n"},
                    FormatCase{"LargestSizeKeptAsTyped", "x",
                               With(OutputFormat::OriginalFormat,
                                    [](ConversionOptions& o) { o.fontSize = "9223372036854775807"; }),
                               "<FONT SIZE=\"9223372036854775807\">\r\n<PRE>\r\nx \r\n</PRE>\r\n</FONT>\r\n"},
                    FormatCase{"SizeBeyondANumberKeptAsTyped", "x",
                               With(OutputFormat::OriginalFormat,
                                    [](ConversionOptions& o) { o.fontSize = "99999999999999999999"; }),
                               "<FONT SIZE=\"99999999999999999999\">\r\n<PRE>\r\nx \r\n</PRE>\r\n</FONT>\r\n"},
                    FormatCase{"ColourOnlyNoSize", "x",
                               With(OutputFormat::OriginalFormat, [](ConversionOptions& o) { o.fontColor = "red"; }),
                               "<FONT COLOR=\"red\">\r\n<PRE>\r\nx \r\n</PRE>\r\n</FONT>\r\n"},
                    FormatCase{"NoCentring", "x",
                               With(OutputFormat::OriginalFormat, [](ConversionOptions& o) { o.centre = false; }),
                               "<PRE>\r\nx \r\n</PRE>\r\n"}),
    Name);

INSTANTIATE_TEST_SUITE_P(
    List, FormatTest,
    testing::Values(FormatCase{"Unordered", "x\n\ny",
                               With(OutputFormat::HtmlList, [](ConversionOptions& o) { o.listType = "Unordered"; }),
                               "<UL>\r\n<LI>x \r\n<LI> \r\n<LI>y \r\n</UL>\r\n"},
                    FormatCase{"OrderedAnyCase", "x",
                               With(OutputFormat::HtmlList, [](ConversionOptions& o) { o.listType = "oRdErEd"; }),
                               "<OL>\r\n<LI>x \r\n</OL>\r\n"},
                    FormatCase{"LinkInFirstWord", "www.a.org x",
                               With(OutputFormat::HtmlList, [](ConversionOptions& o) { o.listType = "Ordered"; }),
                               "<OL>\r\n<LI><A HREF=\"http://www.a.org\">www.a.org</A> x \r\n</OL>\r\n"}),
    Name);

const std::string kTable = "<TABLE BORDER=\"1\">\r\n";
const std::string kEndTable = "</TABLE>\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, FormatTest,
    testing::Values(
        FormatCase{"Comma", "a,b\n\nc", With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "comma"; }),
                   kTable + "<TR><TD>a</TD><TD>b</TD></TR>\r\n<TR><TD>c</TD></TR>\r\n" + kEndTable},
        FormatCase{"QuotedFields", "\"x, y\",\"say \"\"hi\"\"\",",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "Comma"; }),
                   kTable + "<TR><TD>x, y</TD><TD>say &quot;hi&quot;</TD><TD></TD></TR>\r\n" + kEndTable},
        FormatCase{"UnclosedQuote", "\"a,b",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "comma"; }),
                   kTable + "<TR><TD>a,b</TD></TR>\r\n" + kEndTable},
        FormatCase{"Tab", "a b\tc", With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "tab"; }),
                   kTable + "<TR><TD>a b</TD><TD>c</TD></TR>\r\n" + kEndTable},
        FormatCase{"SemiColon", "a;b,c",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "semi-colon"; }),
                   kTable + "<TR><TD>a</TD><TD>b,c</TD></TR>\r\n" + kEndTable},
        FormatCase{"TypedSeparator", "a|b||c", With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "|"; }),
                   kTable + "<TR><TD>a</TD><TD>b</TD><TD></TD><TD>c</TD></TR>\r\n" + kEndTable},
        FormatCase{"LongSeparatorTakenWhole", "a---b--",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "--"; }),
                   kTable + "<TR><TD>a</TD><TD>-b</TD><TD></TD></TR>\r\n" + kEndTable},
        FormatCase{"FieldsPastSixteenBytes",
                   "abcdefghijklmnopqrstu,vwxyz0123456789ABCDEFG,H\n\"quoted, with \"\"marks\"\" past sixteen\",x,0123456789abcdef",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "comma"; }),
                   kTable + "<TR><TD>abcdefghijklmnopqrstu</TD><TD>vwxyz0123456789ABCDEFG</TD><TD>H</TD></TR>\r\n"
                            "<TR><TD>quoted, with &quot;marks&quot; past sixteen</TD><TD>x</TD><TD>0123456789abcdef</TD></TR>\r\n" +
                       kEndTable},
        FormatCase{"EmptySeparator", "a,b", With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = ""; }),
                   kTable + "<TR><TD>a,b</TD></TR>\r\n" + kEndTable},
        FormatCase{"LinksAndEscapes", "www.a.org,x & y,http://a.com",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "comma"; }),
                   kTable + "<TR><TD><A HREF=\"http://www.a.org\">www.a.org</A></TD><TD>x &amp; y</TD><TD>" + kA +
                       "</TD></TR>\r\n" + kEndTable},
        FormatCase{"HostsStartingFields", "a;www.x.org;FTP.y.org",
                   With(OutputFormat::HtmlTable, [](ConversionOptions& o) { o.separator = "semi-colon"; }),
                   kTable + "<TR><TD>a</TD><TD><A HREF=\"http://www.x.org\">www.x.org</A></TD><TD>"
                            "<A HREF=\"ftp://FTP.y.org\">FTP.y.org</A></TD></TR>\r\n" + kEndTable},
        FormatCase{"NeverCentred", "a", With(OutputFormat::HtmlTable, [](ConversionOptions&) {}),
                   kTable + "<TR><TD>a</TD></TR>\r\n" + kEndTable}),
    Name);

const std::string kForm = "<FORM NAME=\"FN7\">\r\n<SELECT NAME=\"SN7\">\r\n";

INSTANTIATE_TEST_SUITE_P(
    SelectionBox, FormatTest,
    testing::Values(
        FormatCase{"OptionsFromLinkLines", "Home page http://a.com\nno link here\nwww.y.org\n(joe@x.org)",
                   Fragment(OutputFormat::SelectionBox),
                   kForm + "<OPTION VALUE=\"http://a.com\">Home page</OPTION>\r\n"
                           "<OPTION VALUE=\"http://www.y.org\">www.y.org</OPTION>\r\n"
                           "<OPTION VALUE=\"mailto:joe@x.org\">joe@x.org</OPTION>\r\n"
                           "</SELECT>\r\n</FORM>\r\n"},
        FormatCase{"LabelEscaped", "Tom & Jerry <fan site> http://a.com", Fragment(OutputFormat::SelectionBox),
                   kForm + "<OPTION VALUE=\"http://a.com\">Tom &amp; Jerry &lt;fan site&gt;</OPTION>\r\n"
                           "</SELECT>\r\n</FORM>\r\n"},
        FormatCase{"GoButton", "http://a.com",
                   With(OutputFormat::SelectionBox,
                        [](ConversionOptions& o) {
                          o.goButton = true;
                          o.target = "_blank";
                        }),
                   kForm + "<OPTION VALUE=\"http://a.com\">http://a.com</OPTION>\r\n</SELECT>\r\n"
                           "<INPUT TYPE=\"Button\" VALUE=\"Go\"\r\n"
                           "\tonClick=\"\r\n"
                           "\tvar LinkObj=document.FN7.SN7;\r\n"
                           "\tvar Index=LinkObj.selectedIndex;\r\n"
                           "\tvar link=LinkObj.options[Index].value;\r\n"
                           "\twindow.open(link,'_blank')\">\r\n"
                           "</FORM>\r\n"},
        FormatCase{"TargetCannotBreakOut", "http://a.com",
                   With(OutputFormat::SelectionBox,
                        [](ConversionOptions& o) {
                          o.goButton = true;
                          o.target = "x'\");alert(1)//";
                        }),
                   kForm + "<OPTION VALUE=\"http://a.com\">http://a.com</OPTION>\r\n</SELECT>\r\n"
                           "<INPUT TYPE=\"Button\" VALUE=\"Go\"\r\n"
                           "\tonClick=\"\r\n"
                           "\tvar LinkObj=document.FN7.SN7;\r\n"
                           "\tvar Index=LinkObj.selectedIndex;\r\n"
                           "\tvar link=LinkObj.options[Index].value;\r\n"
                           "\twindow.open(link,'x\\'&quot;);alert(1)//')\">\r\n"
                           "</FORM>\r\n"},
        FormatCase{"TargetLineEndsStayInTheString", "http://a.com",
                   With(OutputFormat::SelectionBox,
                        [](ConversionOptions& o) {
                          o.goButton = true;
                          o.target = "a\r\nb\\";
                        }),
                   kForm + "<OPTION VALUE=\"http://a.com\">http://a.com</OPTION>\r\n</SELECT>\r\n"
                           "<INPUT TYPE=\"Button\" VALUE=\"Go\"\r\n"
                           "\tonClick=\"\r\n"
                           "\tvar LinkObj=document.FN7.SN7;\r\n"
                           "\tvar Index=LinkObj.selectedIndex;\r\n"
                           "\tvar link=LinkObj.options[Index].value;\r\n"
                           "\twindow.open(link,'a\\r\\nb\\\\')\">\r\n"
                           "</FORM>\r\n"},
        FormatCase{"ScriptUrlsGiveNoOption", "javascript://x%0Aalert(1)", Fragment(OutputFormat::SelectionBox),
                   kForm + "</SELECT>\r\n</FORM>\r\n"},
        FormatCase{"Centred", "http://a.com",
                   With(OutputFormat::SelectionBox, [](ConversionOptions& o) { o.centre = true; }),
                   "<CENTER>\r\n" + kForm + "<OPTION VALUE=\"http://a.com\">http://a.com</OPTION>\r\n"
                                            "</SELECT>\r\n</FORM>\r\n</CENTER>\r\n"}),
    Name);

// The modern link rules: lower-case anchors with valid URLs, and the selection
// box's option values are those URLs.
INSTANTIATE_TEST_SUITE_P(
    Modern, FormatTest,
    testing::Values(
        FormatCase{"Sentence", "See (www.x.org), <me@x.org>. http://x.org/a...",
                   With(OutputFormat::Smart, [](ConversionOptions& o) { o.links.modern = true; }),
                   "See (<a href=\"https://www.x.org\">www.x.org</a>), &lt;<a href=\"mailto:me@x.org\">me@x.org</a>&gt;. "
                   "<a href=\"http://x.org/a\">http://x.org/a</a>... \r\n"},
        FormatCase{"NewTabNofollow", "x http://b\xC3\xBC" "cher.de/\xC3\xA9",
                   With(OutputFormat::OriginalLinefeeds,
                        [](ConversionOptions& o) {
                          o.links.modern = o.links.newTab = o.links.nofollow = true;
                        }),
                   "x <a href=\"http://xn--bcher-kva.de/%C3%A9\" target=\"_blank\" rel=\"noopener noreferrer nofollow "
                   "ugc\">http://b\xC3\xBC" "cher.de/\xC3\xA9</a> <BR>\r\n"},
        FormatCase{"MailtoNeedsNoSlashes", "write to mailto:me@x.org",
                   With(OutputFormat::HtmlList,
                        [](ConversionOptions& o) {
                          o.links.modern = true;
                          o.links.emailCheck = false;  // only the scheme makes the line change
                          o.listType = "Unordered";
                        }),
                   "<UL>\r\n<LI>write to <a href=\"mailto:me@x.org\">mailto:me@x.org</a> \r\n</UL>\r\n"},
        FormatCase{"OptionValuesAreTheUrls", "Shop b\xC3\xBC" "cher.de:www.b\xC3\xBC" "cher.de/a&b\nnot hppt://x.org",
                   With(OutputFormat::SelectionBox, [](ConversionOptions& o) { o.links.modern = true; }),
                   kForm + "<OPTION VALUE=\"https://www.xn--bcher-kva.de/a&amp;b\">Shop</OPTION>\r\n"
                           "</SELECT>\r\n</FORM>\r\n"}),
    Name);

ConversionOptions StructuredWith(bool modern, void (*change)(ConversionOptions&) = [](ConversionOptions&) {}) {
  ConversionOptions options = Fragment(OutputFormat::Structured);
  options.modern = modern;
  change(options);
  return options;
}

const std::string kStructured =
    "Notes\n=====\n\nSee http://a.com & more,\nwrapped.\n\n- one\n- two *x* 2*3*4\n\n> quoted\n\n\tcode <b>\n";

INSTANTIATE_TEST_SUITE_P(
    Structured, FormatTest,
    testing::Values(
        FormatCase{"Classic", kStructured, StructuredWith(false),
                   "<H2>Notes</H2>\r\n<P>See " + kA + " &amp; more,\r\nwrapped.</P>\r\n<UL>\r\n<LI>one</LI>\r\n<LI>two *x* 2*3*4</LI>\r\n"
                   "</UL>\r\n<BLOCKQUOTE>\r\n<P>quoted</P>\r\n</BLOCKQUOTE>\r\n<PRE>\tcode &lt;b&gt;</PRE>\r\n"},
        FormatCase{"Modern", kStructured, StructuredWith(true),
                   "<h2 id=\"notes\">Notes</h2>\n<p>See <a href=\"http://a.com\">http://a.com</a> &amp; more,\nwrapped.</p>\n<ul>\n<li>one</li>\n"
                   "<li>two *x* 2*3*4</li>\n</ul>\n<blockquote>\n<p>quoted</p>\n</blockquote>\n"
                   "<pre>\tcode &lt;b&gt;</pre>\n"},
        FormatCase{"InlineMarksAndLineBreaks", kStructured,
                   StructuredWith(true, [](ConversionOptions& o) { o.inlineMarks = o.keepLineBreaks = true; }),
                   "<h2 id=\"notes\">Notes</h2>\n<p>See <a href=\"http://a.com\">http://a.com</a> &amp; more,<br>\nwrapped.</p>\n<ul>\n"
                   "<li>one</li>\n<li>two <strong>x</strong> 2*3*4</li>\n</ul>\n<blockquote>\n<p>quoted</p>\n"
                   "</blockquote>\n<pre>\tcode &lt;b&gt;</pre>\n"},
        FormatCase{"HeadingsWithIdsAndContents", "Intro.\n\nA & B\n-----\n\nx\n\nA & B\n-----\n\ny\n",
                   StructuredWith(true, [](ConversionOptions& o) { o.contents = true; }),
                   "<nav class=\"contents\" aria-labelledby=\"toc_title\">\n<h2 id=\"toc_title\">Contents</h2>\n"
                   "<ul>\n<li><a href=\"#a-b\">A &amp; B</a></li>\n<li><a href=\"#a-b_2\">A &amp; B</a>"
                   "</li>\n</ul>\n</nav>\n<p>Intro.</p>\n<h2 id=\"a-b\">A &amp; B</h2>\n<p>x</p>\n"
                   "<h2 id=\"a-b_2\">A &amp; B</h2>\n<p>y</p>\n"},
        FormatCase{"ClassicContentsAnchors", "Intro.\n\nPart\n----\n\nx\n",
                   StructuredWith(false, [](ConversionOptions& o) { o.contents = true; }),
                   "<P><B>Contents</B></P>\r\n<UL>\r\n<LI><A HREF=\"#part\">Part</A></LI>\r\n</UL>\r\n"
                   "<P>Intro.</P>\r\n<H2><A NAME=\"part\">Part</A></H2>\r\n<P>x</P>\r\n"},
        // A link in a heading stays out of the contents' link, and out of the classic name anchor.
        FormatCase{"ClassicContentsOfALinkedHeading", "Intro.\n\nGet http://a.com\n----------------\n\nx\n",
                   StructuredWith(false, [](ConversionOptions& o) { o.contents = true; }),
                   "<P><B>Contents</B></P>\r\n<UL>\r\n<LI><A HREF=\"#get-http-a-com\">Get http://a.com</A></LI>\r\n"
                   "</UL>\r\n<P>Intro.</P>\r\n<H2><A NAME=\"get-http-a-com\"></A>Get " + kA + "</H2>\r\n<P>x</P>\r\n"},
        FormatCase{"ModernContentsOfALinkedHeading", "Intro.\n\nGet http://a.com\n----------------\n\nx\n",
                   StructuredWith(true, [](ConversionOptions& o) { o.contents = true; }),
                   "<nav class=\"contents\" aria-labelledby=\"toc_title\">\n<h2 id=\"toc_title\">Contents</h2>\n"
                   "<ul>\n<li><a href=\"#get-http-a-com\">Get http://a.com</a></li>\n</ul>\n</nav>\n<p>Intro.</p>\n"
                   "<h2 id=\"get-http-a-com\">Get <a href=\"http://a.com\">http://a.com</a></h2>\n<p>x</p>\n"},
        // An overlined heading's text is the line between the rules, escaped as that line needs.
        FormatCase{"OverlinedHeadingIsEscaped", "----------\nsay \"<hi>\"\n----------\n\nx\n", StructuredWith(false),
                   "<H2>say &quot;&lt;hi&gt;&quot;</H2>\r\n<P>x</P>\r\n"},
        FormatCase{"FormFeedsAreNoText", "One.\n\f\nTwo.\f\n",
                   StructuredWith(true), "<p>One.</p>\n<p>Two.</p>\n"}),
    Name);

}  // namespace
}  // namespace scrivane
