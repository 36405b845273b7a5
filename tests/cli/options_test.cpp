// scrivane-convert's options: each one reaches the document, the stored
// settings are a starting point, and a wrong command line is refused.
#include <QFile>

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "product.h"
#include "program_sandbox.h"

namespace scrivane {
namespace {

using testing_support::Joined;
using testing_support::Outcome;
using testing_support::Sandbox;

const std::string kText =
    "Title line www.example.org ftp.example.org mail@example.org http://example.org/x.\n"
    "a,b;c\td\n";
// A text with headings and marks, for the structured format's options.
const std::string kShapedText = "Intro\n=====\n\nSome *bold* text.\n\nUsage\n=====\n\nRun it.\n";

struct OptionCase {
  const char* name;
  std::vector<std::string> base;    // the run compared against
  std::vector<std::string> option;  // added to `base`
  const char* present;  // in the document with the option, not without ("" when none)
  const char* absent;   // in the document without the option, not with it ("" when none)
  const char* stored;   // the [General] keys of the settings store
  const std::string* input = &kText;
};

class OptionTest : public testing::TestWithParam<OptionCase> {};

TEST_P(OptionTest, ChangesTheDocument) {
  const OptionCase& c = GetParam();
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.StoreSettings(std::string("[General]\n") + c.stored);
  const Outcome without = sandbox.Run(c.base, {.input = *c.input});
  const Outcome with = sandbox.Run(Joined({c.base, c.option}), {.input = *c.input});
  ASSERT_EQ(without.status, 0) << without.err;
  ASSERT_EQ(with.status, 0) << with.err;
  EXPECT_EQ(with.err, "");
  if (*c.present != '\0') {
    EXPECT_EQ(without.out.find(c.present), std::string::npos) << without.out;
    EXPECT_NE(with.out.find(c.present), std::string::npos) << with.out;
  }
  if (*c.absent != '\0') {
    EXPECT_NE(without.out.find(c.absent), std::string::npos) << without.out;
    EXPECT_EQ(with.out.find(c.absent), std::string::npos) << with.out;
  }
}

const std::vector<std::string> kNone;
const std::vector<std::string> kSettings{"--settings"};

INSTANTIATE_TEST_SUITE_P(
    Table, OptionTest,
    testing::Values(
        OptionCase{"FormatLinefeeds", kNone, {"--format", "linefeeds"}, "</A>. <BR>\r\n", "", ""},
        OptionCase{"FormatPre", kNone, {"--format", "pre"}, "<PRE>\r\n", "", ""},
        OptionCase{"FormatList", kNone, {"--format", "LIST"}, "<UL>\r\n<LI>Title", "", ""},
        OptionCase{"FormatTable", kNone, {"--format", "table"}, "<TD>a</TD><TD>b;c\td</TD>", "", ""},
        OptionCase{"FormatSelect", kNone, {"--format", "select"}, "<OPTION VALUE=\"http://www.example.org\">", "",
                   ""},
        OptionCase{"FormatStructured", kNone, {"--format", "structured"}, "<P>Title line", "", ""},
        // The text has no heading: its first line names the page.
        OptionCase{"StructuredTitle", kNone, {"--format", "structured"}, "<TITLE>Title line www.example.org",
                   "<TITLE>Converted by Scrivane</TITLE>", ""},
        OptionCase{"LineBreaks", {"--format", "structured"}, {"--line-breaks"}, "</A>.<BR>\r\na,b;c", "", ""},
        OptionCase{"JoinLinesOverSettings", kSettings, {"--join-lines"}, "", "<BR>\r\na,b;c",
                   "OutFormat=6\nKeepLineBreaks=1\n"},
        OptionCase{"Contents", {"--format", "structured"}, {"--contents"}, "<LI><A HREF=\"#usage\">Usage</A></LI>", "",
                   "", &kShapedText},
        OptionCase{"NoContentsOverSettings", kSettings, {"--no-contents"}, "", "<A HREF=\"#usage\">",
                   "OutFormat=6\nContents=1\n", &kShapedText},
        OptionCase{"InlineMarks", {"--format", "structured"}, {"--inline-marks"}, "Some <B>bold</B> text.", "*bold*",
                   "", &kShapedText},
        OptionCase{"ListType", {"--format", "list"}, {"--list-type", "Ordered"}, "<OL>", "<UL>", ""},
        OptionCase{"SeparatorTab", {"--format", "table"}, {"--separator", "tab"}, "<TD>a,b;c</TD><TD>d</TD>",
                   "<TD>a</TD>", ""},
        OptionCase{"SeparatorSemicolon", {"--format", "table"}, {"--separator", "semi-colon"},
                   "<TD>a,b</TD><TD>c\td</TD>", "<TD>a</TD>", ""},
        OptionCase{"GoButton", {"--format", "select"}, {"--go-button"}, "VALUE=\"Go\"", "", ""},
        OptionCase{"Target", {"--format", "select", "--go-button"}, {"--target", "_blank"},
                   "window.open(link,'_blank')", "window.open(link,'parent')", ""},
        OptionCase{"Fragment", kNone, {"--fragment"}, "", "<HTML>", ""},
        OptionCase{"Title", kNone, {"--title", "Notes <I>one</I>"}, "<TITLE>Notes <I>one</I></TITLE>",
                   "<TITLE>Converted by Scrivane</TITLE>", ""},
        OptionCase{"Footer", kNone, {"--footer", "<P>Made here</P>"}, "<P>Made here</P>", "", ""},
        OptionCase{"Centre", kNone, {"--centre"}, "\r\n<CENTER>\r\n", "", ""},
        // Words spelt apart in British and American English are taken either way.
        OptionCase{"CenterSpelling", kNone, {"--center"}, "\r\n<CENTER>\r\n", "", ""},
        OptionCase{"NoCenterSpelling", kSettings, {"--no-center"}, "", "\r\n<CENTER>\r\n", "Centre=1\n"},
        OptionCase{"FontColourSpelling", kNone, {"--font-colour", "#112233"}, "<FONT COLOR=\"#112233\">", "", ""},
        OptionCase{"BgColourSpelling", kNone, {"--bg-colour", "#FFFFCC"}, "<BODY BGCOLOR=\"#FFFFCC\">", "", ""},
        OptionCase{"NoWww", kNone, {"--no-www"}, "", "<A HREF=\"http://www.example.org\">", ""},
        OptionCase{"NoFtp", kNone, {"--no-ftp"}, "", "<A HREF=\"ftp://ftp.example.org\">", ""},
        OptionCase{"NoEmail", kNone, {"--no-email"}, "", "<A HREF=\"mailto:mail@example.org\">", ""},
        OptionCase{"KeepPunctuation", kNone, {"--keep-punctuation"}, "<A HREF=\"http://example.org/x.\">",
                   "<A HREF=\"http://example.org/x\">", ""},
        OptionCase{"FontFace", kNone, {"--font-face", " Arial "}, "<FONT FACE=\"Arial\">", "", ""},
        OptionCase{"FontSize", kNone, {"--font-size", "4"}, "<FONT SIZE=\"4\">", "", ""},
        OptionCase{"FontColor", kNone, {"--font-color", "#112233"}, "<FONT COLOR=\"#112233\">", "", ""},
        OptionCase{"BgColor", kNone, {"--bg-color", "#FFFFCC"}, "<BODY BGCOLOR=\"#FFFFCC\">", "", ""},
        OptionCase{"TextColor", kNone, {"--text-color", "black"}, "<BODY TEXT=\"black\">", "", ""},
        OptionCase{"BgImage", kNone, {"--bg-image", "paper.png"}, "<BODY BACKGROUND=\"paper.png\">", "", ""},
        OptionCase{"Charset", kNone, {"--charset", "utf-8"}, "CHARSET=utf-8\">", "", ""},
        OptionCase{"LastValueWins", kNone, {"--title", "first", "--title", "second"}, "<TITLE>second</TITLE>", "",
                   ""},
        // --settings starts from the window's stored options; every other option still applies over them.
        OptionCase{"Settings", kNone, {"--settings"}, "<TITLE>Stored</TITLE>", "<TITLE>Converted by Scrivane</TITLE>",
                   "Title=Stored\nOutFormat=1\n"},
        OptionCase{"OptionOverSettings", kSettings, {"--title", "Given"}, "<TITLE>Given</TITLE>",
                   "<TITLE>Stored</TITLE>", "Title=Stored\n"},
        OptionCase{"WebPageOverSettings", kSettings, {"--web-page"}, "<HTML>", "", "WebPage=0\n"},
        OptionCase{"WwwOverSettings", kSettings, {"--www"}, "<A HREF=\"http://www.example.org\">", "",
                   "ChangeWWW=0\n"},
        OptionCase{"FtpOverSettings", kSettings, {"--ftp"}, "<A HREF=\"ftp://ftp.example.org\">", "",
                   "ChangeFTP=0\n"},
        OptionCase{"EmailOverSettings", kSettings, {"--email"}, "<A HREF=\"mailto:mail@example.org\">", "",
                   "EmailCheck=0\n"},
        OptionCase{"RemovePunctuationOverSettings", kSettings, {"--remove-punctuation"},
                   "<A HREF=\"http://example.org/x\">", "", "RemovePunctuation=0\n"},
        OptionCase{"NoCentreOverSettings", kSettings, {"--no-centre"}, "", "\r\n<CENTER>\r\n", "Centre=1\n"},
        OptionCase{"NoGoButtonOverSettings", kSettings, {"--no-go-button"}, "", "VALUE=\"Go\"",
                   "OutFormat=5\nGoButton=1\n"},
        OptionCase{"FormatOverSettings", kSettings, {"--format", "smart"}, "", "<PRE>", "OutFormat=2\n"}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

TEST(Options, OldStoreGivesTheDefaults) {
  // The window throws away a store whose Input is an old True/False flag; so does --settings.
  Sandbox sandbox(SCRIVANE_CONVERT);
  const std::string stored = "[General]\nInput=True\nTitle=Old\nWebPage=0\n";
  sandbox.StoreSettings(stored);
  const Outcome outcome = sandbox.Run({"--settings"}, {.input = "text\n"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.out.find("<TITLE>Converted by Scrivane</TITLE>"), std::string::npos) << outcome.out;
  EXPECT_EQ(testing_support::ReadFile(sandbox.Ini()), stored);  // left as it was
}

struct UsageCase {
  const char* name;
  std::vector<std::string> arguments;
  const char* message;  // part of the error on standard error
};

class UsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, IsRefusedWithStatusTwo) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("a.txt", "a\n");
  sandbox.Write("b.txt", "b\n");
  const Outcome outcome = sandbox.Run(GetParam().arguments, {.input = "text\n"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.out, "");
  EXPECT_TRUE(outcome.err.starts_with("scrivane-convert: ")) << outcome.err;
  EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.err.find("Try 'scrivane-convert --help'"), std::string::npos) << outcome.err;
  EXPECT_FALSE(sandbox.Exists("a.txt.html"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UsageTest,
    testing::Values(
        UsageCase{"UnknownOption", {"--bold"}, "Unknown option 'bold'"},
        UsageCase{"MissingValue", {"--title"}, "Missing value after '--title'"},
        UsageCase{"UnknownFormat", {"--format", "markdown"}, "unknown format 'markdown'"},
        UsageCase{"UnknownListType", {"--list-type", "numbered"}, "unknown list type 'numbered'"},
        UsageCase{"Contradiction", {"--centre", "--no-centre"}, "--centre and --no-centre contradict"},
        UsageCase{"ContradictionSpeltApart", {"--center", "--no-centre"}, "--centre and --no-centre contradict"},
        UsageCase{"MistypedOptionGetsAHint", {"--cnetre"}, "Unknown option 'cnetre'. Did you mean --centre?"},
        UsageCase{"MistypedValueOptionGetsAHint", {"--bg-colr", "red"}, "Did you mean --bg-color?"},
        UsageCase{"NoHintWhenNothingIsNear", {"--zzzzzz"}, "Unknown option 'zzzzzz'.\n"},
        UsageCase{"UnknownBinaryChoice", {"--binary", "maybe", "a.txt"},
                  "--binary needs convert, skip or fail, not 'maybe'"},
        UsageCase{"JobsZero", {"--jobs", "0", "a.txt", "b.txt"}, "--jobs needs a number from 1 to 1024, not '0'"},
        UsageCase{"JobsText", {"-j", "many", "a.txt"}, "not 'many'"},
        UsageCase{"OutputWithTwoInputs", {"-o", "out.html", "a.txt", "b.txt"}, "--output takes exactly one input"},
        UsageCase{"OutputWithAFolder", {"-o", "out.html", "."}, "--output takes exactly one input"},
        UsageCase{"OutputAndOutputDir", {"-o", "x.html", "--output-dir", "d", "a.txt"}, "cannot be used together"},
        UsageCase{"EmptyOutputName", {"-o", "", "a.txt"}, "--output needs a file name"},
        UsageCase{"StandardInputInABatch", {"a.txt", "-"}, "standard input (-) can only be converted on its own"},
        UsageCase{"StandardInputIntoAFolder", {"--output-dir", "d", "-"}, "can only be converted on its own"},
        UsageCase{"SiteWithoutAnOutputFolder", {"--watch", "a.txt", "b.txt"}, "--watch needs --output-dir"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST(Options, VersionAndHelp) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  const Outcome version = sandbox.Run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("scrivane-convert ") + kVersionText + "\n");
  const Outcome help = sandbox.Run({"-h"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: scrivane-convert [options] [FILE|FOLDER|-]...\n")) << help.out;
  EXPECT_EQ(help.err, "");
}

// Every option the program knows is described in its manual page.
TEST(Options, ManualPageDescribesEveryOption) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  const std::string help = sandbox.Run({"--help"}).out;
  QFile page(QStringLiteral(SCRIVANE_BINARY_DIR "/docs/man/scrivane-convert.1"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const std::string manual = page.readAll().toStdString();
  EXPECT_NE(manual.find(std::string("\"Scrivane ") + kVersionText + "\""), std::string::npos) << "the page's version";
  static const std::regex option(R"((^|[\s,])--([a-z][a-z-]*))");
  std::set<std::string> names;
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator(); ++it) {
    names.insert((*it)[2]);
  }
  EXPECT_GE(names.size(), 35u);
  for (const std::string& name : names) {
    std::string roff = "\\-\\-";  // roff writes every hyphen of an option as \-
    for (const char ch : name) roff += ch == '-' ? std::string("\\-") : std::string(1, ch);
    EXPECT_NE(manual.find(roff), std::string::npos) << "--" << name << " is not in the manual page";
  }
}

}  // namespace
}  // namespace scrivane
