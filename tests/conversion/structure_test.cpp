// Structured text: the line recognisers, the block builder's reading of short
// texts (as a trace of its events), heading identifiers, inline marks, and whole
// real documents against golden pages (SCRIVANE_UPDATE_GOLDEN=1 rewrites them
// after a deliberate change, to be looked at in a browser before committing).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "convert_helpers.h"
#include "structure_blocks.h"
#include "structure_lines.h"
#include "structured_text.h"

namespace scrivane {
namespace {

// What each recogniser says of one line; "" for nothing.
std::string Roles(std::string_view line) {
  const LineShape shape = ShapeOf(line);
  const std::string_view body = shape.body;
  std::string roles;
  const auto add = [&](const std::string& role) { roles += (roles.empty() ? "" : " ") + role; };
  if (const char mark = UnderlineMark(body)) add(std::string("underline") + mark);
  std::string_view words;
  if (const int level = HashHeadingLevel(body, words)) add("hash" + std::to_string(level) + ":" + std::string(words));
  const ListMarker marker = ListMarkerOf(body);
  constexpr const char* kKinds[] = {"", "bullet", "number", "letter", "roman"};
  if (marker.kind != MarkerKind::None) {
    add(std::string(kKinds[static_cast<int>(marker.kind)]) + std::to_string(marker.number) + "@" +
        std::to_string(marker.width));
  }
  if (const int depth = SectionDepth(body)) add("section" + std::to_string(depth));
  if (IsSectionHeading(body)) add("sectionheading");
  if (IsCapitalsLine(body)) add("capitals");
  if (IsQuestionLine(body)) add("question");
  if (IsChangelogEntry(body)) add("changelog");
  if (IsCommitLine(body)) add("commit");
  if (IsPromptLine(body)) add("prompt");
  if (IsMakeRule(body)) add("make");
  if (IsRuleLine(body)) add("rule");
  if (const std::string_view framed = FramedText(body); !framed.empty()) add("framed:" + std::string(framed));
  if (!FenceOf(body).empty()) add("fence");
  std::string_view rest;
  if (const std::size_t depth = QuoteDepth(line, rest)) add("quote" + std::to_string(depth) + ":" + std::string(rest));
  if (IsTableBorder(body)) add("border");
  if (const std::size_t gaps = ColumnGaps(body)) add("gaps" + std::to_string(gaps));
  if (IsHeaderField(line)) add("header");
  if (IsMailHeader(line)) add("mail");
  if (IsCentred(shape)) add("centred");
  if (IsPageFooter(body)) add("footer");
  return roles;
}

struct RoleCase {
  std::string line;
  std::string roles;
};

class LineRoleTest : public testing::TestWithParam<RoleCase> {};

TEST_P(LineRoleTest, RecognisesWhatTheLineIs) { EXPECT_EQ(Roles(GetParam().line), GetParam().roles) << GetParam().line; }

INSTANTIATE_TEST_SUITE_P(
    Lines, LineRoleTest,
    testing::Values(
        RoleCase{"Just some words, as a paragraph has them.", ""}, RoleCase{"", ""},
        RoleCase{"=====", "underline= rule"}, RoleCase{"----", "underline- rule"}, RoleCase{"~~~~", "underline~ fence"},
        RoleCase{"==", "underline="}, RoleCase{"* * *", "bullet0@2 rule"}, RoleCase{"___", "rule"}, RoleCase{"=-=", ""},
        RoleCase{"## Section two ##", "hash2:Section two"}, RoleCase{"#include <stdio.h>", ""},
        RoleCase{"####### seven", ""}, RoleCase{"# #", "hash1:#"},
        RoleCase{"- item", "bullet0@2"}, RoleCase{"*   item", "bullet0@4 gaps1"}, RoleCase{"o item", "bullet0@2"},
        RoleCase{"\xE2\x80\xA2 item", "bullet0@4"}, RoleCase{"-item", ""}, RoleCase{"--verbose", ""},
        RoleCase{"3. Third", "number3@3 section1 sectionheading"},
        RoleCase{"3. Rebase your working branches.", "number3@3 section1"}, RoleCase{"3. third", "number3@3 section1"},
        RoleCase{"8. Push error with master branch", "number8@3 section1"},
        RoleCase{"13. Use with the GNU Affero General Public License.", "number13@4 section1 sectionheading"},
        RoleCase{"4.1 Github pull request", "section2 sectionheading"}, RoleCase{"12) twelfth", "number12@4"},
        RoleCase{"(4) fourth", "number4@4"}, RoleCase{"b) second", "letter2@3"}, RoleCase{"(c) third", "letter3@4"},
        RoleCase{"a. not a list", ""}, RoleCase{"iv. fourth", "roman4@4"}, RoleCase{"1990. A year", ""},
        RoleCase{"2.3 Scope", "section2 sectionheading"}, RoleCase{"A.1 Tables", "section2 sectionheading"},
        RoleCase{"Appendix B", "section1 sectionheading"}, RoleCase{"2.3", ""}, RoleCase{"3.14 is pi.", "section2"},
        RoleCase{"5. Conveying Modified Source Versions.", "number5@3 section1 sectionheading"},
        RoleCase{"INTRODUCTION", "capitals"}, RoleCase{"NO WARRANTY", "capitals"}, RoleCase{"USA.", ""},
        RoleCase{"A", ""}, RoleCase{"CC=cc", ""},
        RoleCase{"Q:  What is it?", "question header"}, RoleCase{"Q. Why?", "question"}, RoleCase{"Q:", ""},
        RoleCase{"Qt is a toolkit", ""}, RoleCase{"Q.E.D.", ""},
        RoleCase{"```python", "fence"}, RoleCase{"``not`` a fence", ""},
        RoleCase{"> quoted", "quote1:quoted"}, RoleCase{">> > deep", "quote3:deep"}, RoleCase{">", "quote1:"},
        RoleCase{"+-----+----+", "border"}, RoleCase{"|---|:--|", "border"},
        RoleCase{"name    value   note", "gaps2"}, RoleCase{"One.  Two", ""}, RoleCase{"a\tb", "gaps1"},
        RoleCase{"abcdefg  hijklmnop", "gaps1"}, RoleCase{"alpha beta gamma  delta epsilon\tzeta", "gaps2"},
        RoleCase{"abcdefghijklmno  pqrstuvwxyz abcdefgh", "gaps1"},
        RoleCase{"abcdefghijklmnopqrstuvwxyz abcd\tefghijklmnopqrstuvwxyz", "gaps1"},
        RoleCase{"a sentence that ends right here.  Then words go on and on  to a gap", "gaps1"},
        RoleCase{"A first sentence here.  A second one.  Third", ""}, RoleCase{"(iv) fourth", "roman4@5"},
        RoleCase{"007. Seventh", "number7@5 section1 sectionheading"}, RoleCase{"\xC2\xB7 dot", "bullet0@3"}, RoleCase{"\xC2\xA9 2024", ""},
        RoleCase{"Subject: Hello", "header mail"}, RoleCase{"X-Mailer: mutt", "header"},
        RoleCase{"From someone@example.org Mon", "header mail"},
        RoleCase{"From jdoe at example.com  Tue Jan  2 10:00:00 2007", "gaps2 header mail"},
        RoleCase{"From there at last.", ""}, RoleCase{"Note: this", "header"},
        RoleCase{"                    GNU GENERAL PUBLIC LICENSE", "capitals centred"},
        RoleCase{"\t\tps -o pid,user=CumbersomeUserNames -o comm", ""},
        RoleCase{"\t\t       BASH - The Bourne-Again Shell", "centred"},
        RoleCase{"\t  Only trim whitespace from the end of a command line.", ""},
        RoleCase{"\t\t    $ lsof -p 1234,5678,9012", "prompt"},
        RoleCase{"Postel                                                          [Page 12]", "gaps1 footer"},
        RoleCase{"Article 2846 of alt.sources:", "header"}, RoleCase{"Article 12 of the year:", ""},
        RoleCase{"\xE2\x94\x81\xE2\x94\x81\xE2\x94\x81\xE2\x94\x81", "rule"},
        RoleCase{"\xE2\x94\x81\xE2\x94\x80\xE2\x94\x81", ""},
        RoleCase{"Chapter\xC2\xA0" "1.\xC2\xA0Overview", "section1 sectionheading"},
        RoleCase{"Chapters of it", ""},
        RoleCase{"-- Changed the way it works", ""},
        RoleCase{"openssh (1:9.2p1-2) unstable; urgency=medium", "changelog"},
        RoleCase{"commit c2c4a2cd1947e559718acdba19ef6e7db731dbeb", "commit"},
        RoleCase{"commit 1a2b3c4 (HEAD -> main)", "commit"}, RoleCase{"commit 1a2b3c", ""}, RoleCase{"commit facade", ""},
        RoleCase{"commit to it", ""},
        RoleCase{"$ make install", "prompt"}, RoleCase{"$ ./configure --prefix=/usr", "prompt"},
        RoleCase{"% pmake -n all", "prompt"}, RoleCase{"$ 5 a month", ""}, RoleCase{"$make", ""},
        RoleCase{"% Once, upon a time", ""}, RoleCase{"install.man:: foo.1", "make"},
        RoleCase{"$(TEX) : $(SOURCES)", "make"}, RoleCase{"check: $(PROGRAMS)", "make"},
        RoleCase{"install: all", ""}, RoleCase{"Note: $(HOME) is yours", "header"},
        RoleCase{".. automodule:: more_itertools", ""}, RoleCase{"--squash::", ""}, RoleCase{"prefix::", ""},
        RoleCase{"_$(str) :", ""}, RoleCase{"gcc (GCC) 12.2.0; urgency", ""}, RoleCase{"make (1) runs; see urgency=high", ""},
        RoleCase{"------ August 7th 1996 version 2.2a ------", "framed:August 7th 1996 version 2.2a"},
        RoleCase{"=== Usage ===", "framed:Usage"}, RoleCase{"-----BEGIN PGP SIGNED MESSAGE-----", "capitals"},
        RoleCase{"--- --- ---", "rule"}, RoleCase{"------------", "underline- rule"}, RoleCase{"--- 42 ---", ""},
        RoleCase{"--- end of LICENSE ---", ""}, RoleCase{"*** 8.6b3 TAGGED ***", "framed:8.6b3 TAGGED"},
        RoleCase{"-- two marks --", ""},
        RoleCase{"....", "underline."}, RoleCase{"^^^^^", "underline^"}, RoleCase{"..", ""},
        RoleCase{"a. The first", "letter1@3"}, RoleCase{"d. Affirmer understands", "letter4@3"},
        RoleCase{"a. lower case goes on", ""}, RoleCase{"e.g. This", ""},
        RoleCase{"\t\t\tA Quick Start for Lsof", "centred"}, RoleCase{"\t\t\tprintf(\"%s: %d\\n\", name, n);", ""},
        RoleCase{"\t\tA Quick Start for Lsof Users", ""}),
    [](const testing::TestParamInfo<RoleCase>& info) { return "Line" + std::to_string(info.index); });

// Writes the builder's events as a compact trace: "<ul><li>a</li></ul>", "h2:Title".
class Trace : public BlockEvents {
 public:
  void Heading(int level, std::string_view text, bool) override {
    text_ += "[h" + std::to_string(level) + ":" + std::string(text) + "]";
  }
  void Open(BlockKind block, long number) override {
    text_ += "<" + Name(block) + (number > 1 ? std::to_string(number) : "") + ">";
    first_ = true;
  }
  void Line(std::string_view text, bool, bool) override {
    if (!first_) text_ += "|";
    text_ += text;
    first_ = false;
  }
  void Close(BlockKind block) override { text_ += "</" + Name(block) + ">"; }
  void Rule() override { text_ += "<hr>"; }
  const std::string& Text() const { return text_; }

 private:
  static std::string Name(BlockKind block) {
    constexpr const char* kNames[] = {"p", "ul", "ol", "ola", "oli", "li", "dl", "dt", "dd", "pre", "q", "mail"};
    return kNames[static_cast<int>(block)];
  }
  std::string text_;
  bool first_ = true;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The trace of a text built with the habits learnt from it; the title first when it has one.
std::string Build(const std::string& text) {
  const std::vector<std::string> lines = SplitLines(text);
  const TextHabits habits = LearnHabits(lines);
  Trace trace;
  BlockBuilder builder(habits, trace);
  for (const std::string& line : lines) builder.Add(line, true);
  builder.Finish();
  return (habits.titleOnTop ? "{" + habits.title + "}" : "") + trace.Text();
}

struct BlockCase {
  const char* name;
  std::string text;
  std::string trace;
};

class BlockTest : public testing::TestWithParam<BlockCase> {};

TEST_P(BlockTest, ReadsTheTextAsACarefulEditorWould) { EXPECT_EQ(Build(GetParam().text), GetParam().trace); }

INSTANTIATE_TEST_SUITE_P(
    Texts, BlockTest,
    testing::Values(
        BlockCase{"Paragraphs", "One line\nand its wrap.\n\nAnother one.\n", "<p>One line|and its wrap.</p><p>Another one.</p>"},
        BlockCase{"WrapsOpenedByMarks",
                  "Text that wraps\n#not a heading\n-5 degrees\n*stars* first\n_under_ `tick`\n=equals\nplain\n\n"
                  "- item\n  wraps\n#hash\n- next item\nends:\n    indented\n\nA paragraph\nUnderlined\n----------\n",
                  "<p>Text that wraps|#not a heading|-5 degrees|*stars* first|_under_ `tick`|=equals|plain</p>"
                  "<ul><li>item|wraps|#hash</li><li>next item|ends:|indented</li></ul><p>A paragraph</p>[h2:Underlined]"},
        BlockCase{"UnderlinedTitleAndSections",
                  "Title\n=====\n\nText.\n\nPart\n----\n\nMore.\n\nOther\n=====\n\nEnd.\n",
                  "{Title}<p>Text.</p>[h2:Part]<p>More.</p>[h2:Other]<p>End.</p>"},
        BlockCase{"LevelsFollowFirstUse", "Intro text.\n\nA\n~~~\n\nx.\n\nB\n***\n\ny.\n\nC\n~~~\n\nz.\n",
                  "<p>Intro text.</p>[h2:A]<p>x.</p>[h3:B]<p>y.</p>[h2:C]<p>z.</p>"},
        BlockCase{"ShortUnderlineUnderALineSetApart",
                  "Text.\n\nOSF/1 4.0d and AIX build failures\n------------------------\n\nMore.\n",
                  "<p>Text.</p>[h2:OSF/1 4.0d and AIX build failures]<p>More.</p>"},
        BlockCase{"ShortEqualsUnderlineUnderALineSetApart",
                  "Text.\n\nIntroduction\n===\n\nMore.\n\nSecurity\n==\n\nEnd.\n\nA last line\n===\nof text.\n",
                  "<p>Text.</p>[h2:Introduction]<p>More.</p>[h2:Security]<p>End.</p><p>A last line</p><hr><p>of text.</p>"},
        BlockCase{"BoxKeptAsDrawn", "********\n*  TODO  *\n********\n\nText.\n\n*****\n*****\n\nMore.\n",
                  "<pre>********|*  TODO  *|********</pre><p>Text.</p><hr><hr><p>More.</p>"},
        BlockCase{"UnderlineTooShortIsARule", "A long line of words here\n---\n", "<p>A long line of words here</p><hr>"},
        BlockCase{"LongRuleUnderAParagraphIsARule", "Words here.\n\nThe last line\nof a paragraph.\n"
                  "------------------------------------------\n\nMore.\n",
                  "<p>Words here.</p><p>The last line|of a paragraph.</p><hr><p>More.</p>"},
        BlockCase{"TitleOverAnUnderlinedSubtitle", "\n\nFrob FAQ\nRelease 3.1, May 2022\n~~~~~~~~~~~~~~~~~~~~~\n\nText.\n",
                  "{Frob FAQ}[h2:Release 3.1, May 2022]<p>Text.</p>"},
        BlockCase{"ShortLineBetweenRowsOfAPagesWidth",
                  "Text.\n\n------------------------------------------------------------\n1. Background\n------------------------------------------------------------\n\nWords. Not too few.\n------------------------------------------------------------\n\nMore.\n",
                  "<p>Text.</p>[h2:1. Background]<p>Words. Not too few.</p><hr><p>More.</p>"},
        BlockCase{"QuestionsOverThreeLines",
                  "Answers.\n\nQ:  Can I run it\n    on a box with\n    little memory?\n\nA:  Yes.\n\nQ:  Why?\n    And why not?\n\nA:  So.\n\n"
                  "1.2. Where does\nthe name come from?\nFrom a myth.\n\n1.3. A step\nwith no question.\n",
                  "<p>Answers.</p>[h2:Q:  Can I run it on a box with little memory?]<p>A:  Yes.</p>[h2:Q:  Why? And why not?]<p>A:  So.</p>"
                  "[h2:1.2. Where does the name come from?]<p>From a myth.</p><p>1.3. A step|with no question.</p>"},
        BlockCase{"IndentedFirstLineAfterCode", "Text:\n\n        code\n\n        First line\nof a paragraph.\n",
                  "<p>Text:</p><pre>        code</pre><p>First line|of a paragraph.</p>"},
        BlockCase{"Overline", "Some text.\n\n=====\nTitle\n=====\n\nBody.\n", "<p>Some text.</p>[h2:Title]<p>Body.</p>"},
        BlockCase{"HashHeadings", "# Name\n\nAbout.\n\n## Use\n\nRun it.\n\n### Detail\n\nMore.\n",
                  "{Name}<p>About.</p>[h2:Use]<p>Run it.</p>[h3:Detail]<p>More.</p>"},
        BlockCase{"LevelsNeverSkip", "Words first.\n\n#### Deep\n\nText.\n", "<p>Words first.</p>[h2:Deep]<p>Text.</p>"},
        BlockCase{"Capitals", "Some words.\n\nNO WARRANTY\n\nNone at all.\n",
                  "<p>Some words.</p>[h2:NO WARRANTY]<p>None at all.</p>"},
        BlockCase{"CapitalsInsideAParagraphStayText", "Some words.\nNO WARRANTY\nnone.\n",
                  "<p>Some words.|NO WARRANTY|none.</p>"},
        BlockCase{"NumberedSections",
                  "Text first.\n\n1. Introduction\n\nWhy.\n\n1.1 Scope\n\nWhat.\n\n2. Use\n\nHow.\n",
                  "<p>Text first.</p>[h2:1. Introduction]<p>Why.</p>[h3:1.1 Scope]<p>What.</p>[h2:2. Use]<p>How.</p>"},
        BlockCase{"LooseNumberedItemsStayAList",
                  "Steps:\n\n1. Install\n\n   the package.\n\n2. Run\n\n   it.\n",
                  "<p>Steps:</p><ol><li>Install<p>the package.</p></li><li>Run<p>it.</p></li></ol>"},
        BlockCase{"OneNumberIsNoHabit", "Text.\n\n1. Alone\n\nMore.\n", "<p>Text.</p><ol><li>Alone</li></ol><p>More.</p>"},
        BlockCase{"Bullets", "Things:\n- one\n- two\n  wrapped\n- three\n",
                  "<p>Things:</p><ul><li>one</li><li>two|wrapped</li><li>three</li></ul>"},
        BlockCase{"UnindentedWrapStaysInItem", "- one\nwrapped\n- two\n", "<ul><li>one|wrapped</li><li>two</li></ul>"},
        BlockCase{"NestedLists", "- a\n  - b\n    1. c\n  - d\n- e\n",
                  "<ul><li>a<ul><li>b<ol><li>c</li></ol></li><li>d</li></ul></li><li>e</li></ul>"},
        BlockCase{"BlankLinesInsideAList", "* a\n\n* b\n\nAfter.\n", "<ul><li>a</li><li>b</li></ul><p>After.</p>"},
        BlockCase{"ListKindsAndStart", "(a) first\n(b) second\n\n3) three\n4) four\n",
                  "<ola><li>first</li><li>second</li></ola><ol3><li>three</li><li>four</li></ol>"},
        BlockCase{"WrappedNumberStaysInItem", "  b) The work must say\n  section\n  7.  This modifies it.\n",
                  "<ola2><li>The work must say|section|7.  This modifies it.</li></ola>"},
        BlockCase{"DashInsideAParagraphIsText", "Words go on\n- and on here.\n", "<p>Words go on|- and on here.</p>"},
        BlockCase{"StarsUnderTextOpenAList",
                  "version 3.8\n* NEWS: Record date.\n\nmaint: do not bother with it\n+ configure.ac: Drop\nit.\n\n"
                  "Words go on\no and on here.\n",
                  "<p>version 3.8</p><ul><li>NEWS: Record date.</li></ul><p>maint: do not bother with it</p>"
                  "<ul><li>configure.ac: Drop|it.</li></ul><p>Words go on|o and on here.</p>"},
        BlockCase{"NumberedStepsAreAList", "Text first.\n\n1. Introduction\n\nText.\n\n2. Setup\n\n"
                  "1. Install the package.\n\n2. Run it once.\n",
                  "<p>Text first.</p>[h2:1. Introduction]<p>Text.</p>[h2:2. Setup]"
                  "<ol><li>Install the package.</li><li>Run it once.</li></ol>"},
        BlockCase{"IndentedCode", "To build it, type.\n\n\tCC=cc ./configure\n\nthen make.\n",
                  "<p>To build it, type.</p><pre>\tCC=cc ./configure</pre><p>then make.</p>"},
        BlockCase{"CodeKeepsBlankLinesInside", "Run:\n    a\n\n    b\n\nDone.\n", "<p>Run:</p><pre>    a||    b</pre><p>Done.</p>"},
        BlockCase{"CodeAgainstTheBodyIndent",
                  "   Body text here.\n   More body text.\n\n      not code\n\n       code here\n",
                  "<p>Body text here.|More body text.</p><p>not code</p><pre>       code here</pre>"},
        BlockCase{"FirstLineIndentIsAParagraph", "Text.\n\n     It was a dark night\nand stormy.\n",
                  "<p>Text.</p><p>It was a dark night|and stormy.</p>"},
        BlockCase{"Fence", "Text.\n\n```sh\n  make\n\n# all\n```\nAfter.\n", "<p>Text.</p><pre>  make||# all</pre><p>After.</p>"},
        BlockCase{"AsciiTable", "Text.\n\n+---+---+\n| a | b |\n+---+---+\n\nAfter.\n",
                  "<p>Text.</p><pre>+---+---+|| a | b ||+---+---+</pre><p>After.</p>"},
        BlockCase{"Patch",
                  "A patch:\n\n--- a/x.h\n+++ b/x.h\n@@ -4 +4 @@\n-#if A\n+#if B\n\ndiff -u a b\nwith words\n\n"
                  "diff --git a/y b/y\nindex 1..2\n\n@@ -1 +1 @@\n-old\n",
                  "<p>A patch:</p><pre>--- a/x.h|+++ b/x.h|@@ -4 +4 @@|-#if A|+#if B</pre><p>diff -u a b|with words</p>"
                  "<pre>diff --git a/y b/y|index 1..2</pre><pre>@@ -1 +1 @@|-old</pre>"},
        BlockCase{"AlignedColumns", "Files:\nREADME    this file\nNEWS      what is new\n",
                  "<p>Files:</p><pre>README    this file|NEWS      what is new</pre>"},
        BlockCase{"Quotes", "He wrote:\n> one\n> > two\n> one again\n\nMe.\n",
                  "<p>He wrote:</p><q><p>one</p><q><p>two</p></q><p>one again</p></q><p>Me.</p>"},
        BlockCase{"MailHeaders", "From: a@b.org\nSubject: Lunch\nDate: today\n\nHello.\n",
                  "<mail>From: a@b.org|Subject: Lunch|Date: today</mail><p>Hello.</p>"},
        BlockCase{"HeaderFieldsOpeningTheText", "\nArchive-Name: editor-faq/sed\nVersion: 015\n\nNote: hi\nSee: x\n",
                  "<mail>Archive-Name: editor-faq/sed|Version: 015</mail><p>Note: hi|See: x</p>"},
        BlockCase{"FieldStanzasAreHeaderBlocks",
                  "Format: 1.0\nUpstream-Name: frob\n\nFiles: *\nLicense: GPL\n\nFiles: a.c\n b.c\nLicense: MIT\n\n"
                  "License: MIT\n Permission is hereby granted to any person who has a copy of it.\n",
                  "<mail>Format: 1.0|Upstream-Name: frob</mail><mail>Files: *|License: GPL</mail>"
                  "<mail>Files: a.c| b.c|License: MIT</mail><p>License: MIT|Permission is hereby granted to any person who has a copy of it.</p>"},
        BlockCase{"MarkdownTableHeadRow", "Text.\n\n|Branch|Status|\n|:----:|-----:|\n|main|ok|\n\nAfter.\n",
                  "<p>Text.</p><pre>|Branch|Status|||:----:|-----:|||main|ok|</pre><p>After.</p>"},
        BlockCase{"MimePartsOpenWithTheirHeaders",
                  "From: a@b.org\nContent-Type: multipart/mixed; boundary=\"b1\"\n\n--b1\nContent-Type: text/plain\n\nHi.\n\n"
                  "--b1\n\nMessage: 2\nDate: today\n\nBye.\n--b1--\n\n--b2\n",
                  "<mail>From: a@b.org|Content-Type: multipart/mixed; boundary=\"b1\"</mail><hr><mail>Content-Type: text/plain</mail>"
                  "<p>Hi.</p><hr><mail>Message: 2|Date: today</mail><p>Bye.</p><hr><p>--b2</p>"},
        BlockCase{"ArchivedMail",
                  "From jdoe at example.com  Tue Jan  2 2007\nFrom: jdoe at example.com (J)\nSubject: Out\n\nHi all.\n",
                  "<mail>From jdoe at example.com  Tue Jan  2 2007|From: jdoe at example.com (J)|Subject: Out</mail><p>Hi all.</p>"},
        BlockCase{"NewsArticle",
                  "Article 12 of comp.editors:\nFrom: a@b.org\nSubject: Hi\n\nArchive-name: x/part01\nSubmitted-by: a\n\n"
                  "Text.\n\nNote: one\nSee: two\n",
                  "<mail>Article 12 of comp.editors:|From: a@b.org|Subject: Hi</mail>"
                  "<mail>Archive-name: x/part01|Submitted-by: a</mail><p>Text.</p><p>Note: one|See: two</p>"},
        BlockCase{"ModeLineTitle", "GNU frob NEWS      -*- text -*-\n  History of changes.\n\nText.\n",
                  "{GNU frob NEWS}<p>History of changes.</p><p>Text.</p>"},
        BlockCase{"LineOpeningAPage", "Intro.\n\f\nVersion 2 (May)\n\nText.\n\f\nVersion 1\n\n* item\n\nShort line\n\nText.\n",
                  "<p>Intro.</p>[h2:Version 2 (May)]<p>Text.</p>[h2:Version 1]<ul><li>item</li></ul>"
                  "<p>Short line</p><p>Text.</p>"},
        BlockCase{"NumberedQuestions",
                  "An FAQ.\n\n 1. Is it free?\n\n    Yes.\n\n 2. Where is it?\n\n    See\n      * here\n\n"
                  " 3. compress() fails.\n\n    Check it.\n\n 4. Why?\n\n    Because.\n",
                  "<p>An FAQ.</p>[h2:1. Is it free?]<p>Yes.</p>[h2:2. Where is it?]<p>See</p><ul><li>here</li></ul>"
                  "[h2:3. compress() fails.]<p>Check it.</p>[h2:4. Why?]<p>Because.</p>"},
        BlockCase{"PlainHeadings",
                  "Intro text.\n\nJob Control\n\nLine one\nline two.\n\nTilde Expansion\n\nLine one\nline two.\n\n"
                  "Arrays\n\nLine one\nline two.\n\n"
                  "Help\n\nOne line.\n\nFeatures:\n\nLine one\nline two.\n\nBob Smith\n",
                  "<p>Intro text.</p>[h2:Job Control]<p>Line one|line two.</p>[h2:Tilde Expansion]<p>Line one|line two.</p>"
                  "[h2:Arrays]<p>Line one|line two.</p>"
                  "[h2:Help]<p>One line.</p><p>Features:</p><p>Line one|line two.</p><p>Bob Smith</p>"},
        BlockCase{"FewPlainHeadingsAreText", "Intro text.\n\nBob Smith\n\nLine one\nline two.\n\nX Consortium\n\nMore.\n",
                  "<p>Intro text.</p><p>Bob Smith</p><p>Line one|line two.</p><p>X Consortium</p><p>More.</p>"},
        BlockCase{"UnindentedCommands",
                  "Then:\n\ngit checkout master\ngit branch textual\n# spent here\ngit push\n\nText after.\n\nmake test\n\n"
                  "cd ~/src\n\nzlib is small\nand portable.\n",
                  "<p>Then:</p><pre>git checkout master|git branch textual|# spent here|git push</pre><p>Text after.</p>"
                  "<p>make test</p><pre>cd ~/src</pre><p>zlib is small|and portable.</p>"},
        BlockCase{"LoneCommandWithFewWords", "Fixed.\n\nod -c -w99 no longer fails\n\nod -c -w99 fails\n",
                  "<p>Fixed.</p><p>od -c -w99 no longer fails</p><pre>od -c -w99 fails</pre>"},
        BlockCase{"CommandsAfterAColon",
                  "Build it first.\nThen, run:\n\n  make\n  make install\n\nIf that fails,\nthen type:\n\n  make test\n\n"
                  "gzip -d no longer fails on bad input\nwhen it is given.\n",
                  "<p>Build it first.|Then, run:</p><pre>  make|  make install</pre><p>If that fails,|then type:</p>"
                  "<pre>  make test</pre><p>gzip -d no longer fails on bad input|when it is given.</p>"},
        BlockCase{"Rules", "One.\n\n* * *\n\nTwo.\n\n#####\n", "<p>One.</p><hr><p>Two.</p><hr>"},
        BlockCase{"Terms", "Options:\n\n--verbose\n    Say more.\n    Much more.\n--quiet\n    Say less.\n\nEnd.\n",
                  "<p>Options:</p><dl><dt>--verbose</dt><dd>Say more.|Much more.</dd><dt>--quiet</dt><dd>Say less.</dd></dl>"
                  "<p>End.</p>"},
        BlockCase{"Questions",
                  "An FAQ.\n\nQ:  Why?\n\nA:  Because.\n\nQ:  How does it\n    work?\n\nA:  Well.\n\n"
                  "Q:  One\ntwo?\n\nA:  So.\n",
                  "<p>An FAQ.</p>[h2:Q:  Why?]<p>A:  Because.</p>[h2:Q:  How does it work?]<p>A:  Well.</p>"
                  "<p>Q:  One|two?</p><p>A:  So.</p>"},
        BlockCase{"OutdentedQuestions",
                  "Intro line.\n\nWhy?\n\n\tBecause it is,\n\tas you see.\n\nHow?\n\n\tLike this,\n\tand that.\n",
                  "<p>Intro line.</p>[h2:Why?]<p>Because it is,|as you see.</p>[h2:How?]<p>Like this,|and that.</p>"},
        BlockCase{"CentredTitle",
                  "                    GNU GENERAL PUBLIC LICENSE\n                       Version 3, 29 June 2007\n\n"
                  "Text.\n\n                            Preamble\n\nMore.\n",
                  "{GNU GENERAL PUBLIC LICENSE}<p>Version 3, 29 June 2007</p><p>Text.</p>[h2:Preamble]<p>More.</p>"},
        BlockCase{"CentredTitleOverTwoLines",
                  "\t\t\t  X Video Extension\n\t\t\t Protocol Description\n\n\t\t\t      Version 2\n\nText.\n",
                  "{X Video Extension Protocol Description}[h2:Version 2]<p>Text.</p>"},
        BlockCase{"CentredHeadingOverTwoLines",
                  "Text.\n\n                    GNU GENERAL PUBLIC LICENSE\n   TERMS AND CONDITIONS FOR COPYING, DISTRIBUTION AND MODIFICATION\n\n"
                  "  0. This License applies.\n",
                  "<p>Text.</p>[h2:GNU GENERAL PUBLIC LICENSE TERMS AND CONDITIONS FOR COPYING, DISTRIBUTION AND MODIFICATION]"
                  "<ol><li>This License applies.</li></ol>"},
        BlockCase{"TabCentredTitle", "\t\t       BASH - The Bourne-Again Shell\n\nBash is the shell.\n",
                  "{BASH - The Bourne-Again Shell}<p>Bash is the shell.</p>"},
        BlockCase{"CentredCommandAfterAColonIsCode",
                  "Run it so:\n\n" + std::string(24, ' ') + "# make install clean all\n\nDone.\n",
                  "<p>Run it so:</p><pre>" + std::string(24, ' ') + "# make install clean all</pre><p>Done.</p>"},
        BlockCase{"OutlineStars", "NEWS  -*- outline -*-\n\n* Release 2\n\n** Fixes\n\n  Fixed.\n",
                  "{NEWS}[h2:Release 2][h3:Fixes]<p>Fixed.</p>"},
        BlockCase{"RunningFootInsideAParagraph",
                  "Text one\ngoes on\nExpires soon      Page 1\n\f\nText two\ngoes on\nExpires soon      Page 2\n\f\nand ends.\n",
                  "<p>Text one|goes on</p><p>Text two|goes on</p><p>and ends.</p>"},
        BlockCase{"PageFurniture",
                  "Text one goes here.\n\nAuthor            [Page 1]\n\f\nRFC 9999        Title      May 2001\n\nText two\n\n"
                  "Author            [Page 2]\n\f\nRFC 9999        Title      May 2001\n\nText three\n",
                  "<p>Text one goes here.</p><p>Text two</p><p>Text three</p>"},
        BlockCase{"PromptsInAFenceAreNoQuotes", "Try it:\n\n```pycon\n>>> 1 + 1\n2\n```\n\nDone.\n",
                  "<p>Try it:</p><pre>>>> 1 + 1|2</pre><p>Done.</p>"},
        BlockCase{"StackedRowsOfMarksAreRules", "Text.\n\n#####\n#####\n#####\n\nCase 1:\n",
                  "<p>Text.</p><hr><hr><hr><p>Case 1:</p>"},
        BlockCase{"DebianChangelog",
                  "Intro.\n\npkg (1.1-1) unstable; urgency=low\n\n  * Fix it.\n\n -- A B <a@b.org>  Mon, 01 Jan 2024\n\n"
                  "pkg (1.0-1) unstable; urgency=low\n\n  * First.\n    - detail\n",
                  "<p>Intro.</p>[h2:pkg (1.1-1) unstable; urgency=low]<ul><li>Fix it.</li></ul><p>-- A B <a@b.org>  Mon, 01 Jan 2024</p>"
                  "[h2:pkg (1.0-1) unstable; urgency=low]<ul><li>First.<ul><li>detail</li></ul></li></ul>"},
        BlockCase{"GitLogEntries",
                  "commit 43fbf03e549bf6da8d1d\nAuthor: A B <a@b.org>\nDate:   Thu Sep 23 2021\n\n    Fix a leak\n    in the reader\n    on close.\n\n"
                  "commit 233d7b7\n\n    Fix a hang\n    when it waits.\n",
                  "{commit 43fbf03e549bf6da8d1d Author: A B <a@b.org> Date:   Thu Sep 23 2021}<p>Fix a leak|in the reader|on close.</p>"
                  "[h2:commit 233d7b7]<p>Fix a hang|when it waits.</p>"},
        BlockCase{"CommandsAfterAPrompt",
                  "See:\n\n  $ make -n\n  install foo.1\n\nThen:\n$ make\n\nCosts:\n\n$ 5 a month, or more.\n",
                  "<p>See:</p><pre>  $ make -n|  install foo.1</pre><p>Then:</p><pre>$ make</pre><p>Costs:</p><p>$ 5 a month, or more.</p>"},
        BlockCase{"PromptInAnItemEndsWithIt",
                  "- One, for example:\n    $ ls -l\n    -rw-r--r-- 1 a b 5 file\n- Two.\n",
                  "<ul><li>One, for example:<pre>    $ ls -l|    -rw-r--r-- 1 a b 5 file</pre></li><li>Two.</li></ul>"},
        BlockCase{"ItemGoesOnAfterAPrompt", "o One; run:\n    % prog a\n  and see.\no Two.\n",
                  "<ul><li>One; run:<pre>    % prog a</pre>|and see.</li><li>Two.</li></ul>"},
        BlockCase{"MakeRuleOverItsRecipe", "Like this:\n\n  all: $(OBJS)\n        cc -o all $(OBJS)\n\nDone.\n",
                  "<p>Like this:</p><pre>  all: $(OBJS)|        cc -o all $(OBJS)</pre><p>Done.</p>"},
        BlockCase{"FramedHeadingsEndTheList",
                  "--- Version 2.2a ---\n 1. Port (Jon)\n 2. Fix\n--- Version 2.2b ---\n 1. More\n",
                  "{Version 2.2a}<ol><li>Port (Jon)</li><li>Fix</li></ol>[h2:Version 2.2b]<ol><li>More</li></ol>"},
        BlockCase{"DottedUnderlineHeadsButStandsForNoRule", "Text.\n\nUsage\n.....\n\nMore.\n\n....\n\nEnd.\n",
                  "<p>Text.</p>[h2:Usage]<p>More.</p><p>....</p><p>End.</p>"},
        BlockCase{"LettersBeforeCapitalsAreItems", "4. Limits.\n\n a. No rights\n    waived.\n b. As-is.\n",
                  "<ol4><li>Limits.</li></ol><ola><li>No rights|waived.</li><li>As-is.</li></ola>"},
        BlockCase{"IndentedProseIsNoCode",
                  "Terms, as they\nstand, of\nthe work\nand of all\nits parts.\n\n    THE AUTHORS MAKE NO PROMISE OF ANY KIND AS TO THE USE OF THIS\n"
                  "    WORK, AND TAKE NO BLAME FOR WHAT COMES OF IT, IN ANY CASE.\n\n"
                  "    total = count_lines(file, options) + lines_in_header * 2;\n    return total;\n",
                  "<p>Terms, as they|stand, of|the work|and of all|its parts.</p><p>THE AUTHORS MAKE NO PROMISE OF ANY KIND AS TO THE USE OF THIS|"
                  "WORK, AND TAKE NO BLAME FOR WHAT COMES OF IT, IN ANY CASE.</p>"
                  "<pre>    total = count_lines(file, options) + lines_in_header * 2;|    return total;</pre>"},
        BlockCase{"HostileNesting", std::string(40, '>') + " deep\n", "<q><q><q><q><q><q><q><q><p>deep</p></q></q></q></q></q></q></q></q>"}),
    [](const testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST(CommandLineTest, TellsCommandsFromProse) {
  struct CommandCase {
    std::string line;
    bool command;
    bool marked;
  };
  for (const CommandCase& c :
       {CommandCase{"git push yourgit brilliant:brilliant :stupid-and-wrong", true, false},
        CommandCase{"fuzz in pkcs7/8/12", true, false}, CommandCase{"diff --color no longer colorizes when TERM=dumb", false, true},
        CommandCase{"make check", true, false}, CommandCase{"cp git-subtree ../..", true, true}, CommandCase{"cd ~/src", true, true},
        CommandCase{"./configure --prefix=/usr", true, true}, CommandCase{"make clean &&", true, true},
        CommandCase{"zlib is small", true, false}, CommandCase{"zlib is rather portable and needs", false, false},
        CommandCase{"zgrep -f - didn't work", false, true}, CommandCase{"gzip -d no longer segfaults on bad inputs", false, true},
        CommandCase{"zgrep is fixed like -15.", false, false},
        CommandCase{"Then run it.", false, false}, CommandCase{"maint: do not bother with it", false, false},
        CommandCase{"rm accepts a new option: --one-file-system", false, true},
        CommandCase{"such as blkid, libmount, misc-utils,", false, false},
        CommandCase{"the fox ran. Then more", false, false}, CommandCase{"the end of a sentence.", false, false},
        CommandCase{"run the Makefile here", false, false}, CommandCase{"ask me:", false, false},
        CommandCase{"o item", true, false}, CommandCase{"ls -l", true, true}, CommandCase{"procps-3.2.8 --> procps-3.2.9", true, false}}) {
    EXPECT_EQ(IsCommandLine(c.line), c.command) << c.line;
    EXPECT_EQ(HasShellMarks(c.line), c.marked) << c.line;
  }
}

TEST(LearnHabitsTest, FindsTheDocumentsOwnTitle) {
  struct TitleCase {
    std::string text;
    std::string title;
    bool onTop;
  };
  for (const TitleCase& c : {TitleCase{"Subject: Lunch plans\nFrom: a@b.org\n\nHi.\n", "Lunch plans", false},
                             TitleCase{"Format: 1.0\nUpstream-Name: frob\n\nFiles: *\nLicense: GPL\n\n"
                                       "Files: a\nLicense: MIT\n\nFiles: b\nLicense: MIT\n", "frob", false},
                             TitleCase{"[![CI](b.svg)](ci)\n\n|a|b|\n|-|-|\n\n# Frob\n\nText.\n", "Frob", false},
                             TitleCase{"Article 9 of alt.sources:\nPath: a!b\nSubject: VI SOLVES MAZE\n\nHi.\n",
                                       "VI SOLVES MAZE", false},
                             TitleCase{"Some text first.\n\nHeading\n=======\n", "Heading", false},
                             TitleCase{"Just one long line of text that ends.\n", "Just one long line of text that ends.", false},
                             TitleCase{"README for frob\n\nText.\n", "README for frob", true},
                             // A heading after more than a paragraph names a section, not the text.
                             TitleCase{"One.\n\nTwo.\n\nLate\n====\n", "One.", false},
                             TitleCase{"GNU bc version 1.07:\n\nText.\n", "GNU bc version 1.07", false},
                             // A README that opens with HTML is named by its heading or its logo's alt text.
                             TitleCase{"<p align=\"center\"><img src=\"a.png\" alt=\"Frob\"></p>\n\nText.\n", "Frob", true},
                             TitleCase{"<h1 align=\"center\">Frob <img src=\"a.png\"></h1>\n\nText.\n", "Frob", true},
                             TitleCase{"<img src=\"a.png\" alt=\"Frob\">\n\nFrob\n====\n", "Frob", true},
                             // Badges name nothing; a logo's alt text names the text.
                             TitleCase{"[![Build](b.svg)](ci) [![Docs](d.svg)](rtd)\n\n![Frob](logo.png)\n====\n\nText.\n",
                                       "Frob", false},
                             TitleCase{".. image:: frob-logo.svg\n   :target: https://frob.org/\n   :alt: Frob\n\n"
                                       "------\n\n.. image:: badge.svg\n   :alt: Build\n\nFrob frobs. It does.\n",
                                       "Frob", false},
                             TitleCase{".. image:: badge.svg\n   :alt: Build\n\nFrob frobs. It does.\n", "Frob frobs.", false},
                             TitleCase{".. image:: a.svg\n   :target: a\n\n.. image:: b.svg\n   :target: b\n\nFrob\n====\n\nText.\n",
                                       "Frob", false},
                             TitleCase{"![Frob logo](f.png)\n\nText.\n", "Frob", true},
                             TitleCase{"#########\n#       #\n# Frob  #\n# v1.0  #\n#########\n\nText.\n\nUse\n===\n",
                                       "Frob", false},
                             TitleCase{"Cscope is a text tool.  Although it is\nmore.\n", "Cscope is a text tool.", false},
                             TitleCase{"This is the new version (1.47.0) of the second extended file\nsystem management "
                                       "programs for you.\n",
                                       "This is the new version (1.47.0) of the second extended file system "
                                       "management\xE2\x80\xA6", false}}) {
    const TextHabits habits = LearnHabits(SplitLines(c.text));
    EXPECT_EQ(habits.title, c.title) << c.text;
    EXPECT_EQ(habits.titleOnTop, c.onTop) << c.text;
  }
}

TEST(LearnHabitsTest, BodyIndentIsTheCommonestIndentOfText) {
  EXPECT_EQ(LearnHabits(SplitLines("Head\n\n   one\n   two\n\n      code\n")).bodyIndent, 3u);
  EXPECT_EQ(LearnHabits(SplitLines("Q?\n\n\tA.\n\tB.\n")).bodyIndent, 8u);
  // An item's wrapped lines do not count: the text around the list sets the indent.
  EXPECT_EQ(LearnHabits(SplitLines("\tText here.\n\n\t* an item\n\t  wraps\n\t  twice\n\t  more\n\n\tText.\n")).bodyIndent, 8u);
}

// Each line of running text counts the lines from it on that may be taken in one
// step: a colon ends a run after its line, and nothing before an underline, a
// quote, a list item or the last line (whose next is not known) runs on.
TEST(MarkRunningTextTest, CountsTheLinesThatRunOn) {
  struct RunCase {
    std::vector<std::string> lines;
    std::string runs;
  };
  for (const RunCase& c : {RunCase{{"one", "two", "three", "four"}, "3210"},
                           RunCase{{"one", "ends so:", "three", "four"}, "2110"},
                           RunCase{{"one", "Title", "=====", "four"}, "1000"},
                           RunCase{{"one", "> quoted", "three"}, "100"},
                           RunCase{{"one", "- item", "three"}, "100"},
                           RunCase{{"one", "  indented", "three"}, "210"}}) {
    std::vector<ExaminedLine> lines;
    for (const std::string& line : c.lines) lines.emplace_back(line, true).html = line;  // rendered as typed
    MarkRunningText(lines);
    std::string runs;
    for (const ExaminedLine& line : lines) runs += std::to_string(line.run);
    EXPECT_EQ(runs, c.runs) << c.lines[1];
  }
}

// Column gaps counted byte by byte: what the search eight or sixteen bytes at a time must find.
std::size_t GapsByteByByte(std::string_view body) {
  std::size_t gaps = 0;
  for (std::size_t i = 1; i < body.size(); ++i) {
    if (body[i] != '\t' && !(body[i] == ' ' && i + 1 < body.size() && body[i + 1] == ' ')) continue;
    const std::size_t end = body.find_first_not_of(" \t", i);
    if (end == std::string_view::npos) break;
    gaps += body[i] == '\t' || std::string_view(".?!: ").find(body[i - 1]) == std::string_view::npos ? 1 : 0;
    i = end;
  }
  return gaps;
}

TEST(ColumnGapsTest, FindsAGapWhereverItFalls) {
  // Gaps at every place of lines around the sizes the search steps by.
  for (const std::string gap : {"  ", "\t", ".  ", " \t "}) {
    for (std::size_t size = 1; size <= 40; ++size) {
      for (std::size_t at = 1; at < size; ++at) {
        const std::string line = std::string(at, 'a') + gap + std::string(size - at, 'b');
        EXPECT_EQ(ColumnGaps(line), GapsByteByByte(line)) << line;
        EXPECT_EQ(LineFacts(line).HasGap(), GapsByteByByte(line) > 0) << line;
      }
    }
  }
}

TEST(LineFactsTest, AgreesWithTheRecognisers) {
  // The facts skip the recognisers for lines whose first bytes rule them out.
  for (const std::string line : {"2. Item", "12) item", "2009-2019  Name", "1999", "(a) item", "(iv) item", "- item",
                                 "* item", "+ item", "o item", "of course", "\xE2\x80\xA2 item", "\xC2\xB7 item", "=====",
                                 "-----", "~~~", "***", "###", "==", "ab. c", "iv. Roman", "abcd) x", "abcde. x", "Word",
                                 "\"Quoted\"", "  3. indented", "a) item", "x1) item"}) {
    const LineFacts facts(line);
    const ListMarker marker = ListMarkerOf(facts.shape.body);
    EXPECT_EQ(facts.marker.kind, marker.kind) << line;
    EXPECT_EQ(facts.marker.width, marker.width) << line;
    EXPECT_EQ(facts.marker.number, marker.number) << line;
    EXPECT_EQ(facts.underline, UnderlineMark(facts.shape.body)) << line;
  }
}

TEST(HeadingIdsTest, SlugsAreUniqueAndReadable) {
  HeadingIds ids;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Reporting Bugs", "reporting-bugs"}, {"Reporting bugs!", "reporting-bugs_2"}, {"1.2 Scope", "1-2-scope"},
      {"***", "section"}, {"...", "section_2"}, {"\xC3\x87" "a va", "\xC3\x87" "a-va"}, {"C++ & C", "c-c"},
      // A C1 control or a noncharacter may stand in no page: U+FFFD takes its place.
      {"a\xC2\x90" "b", "a\xEF\xBF\xBD" "b"}, {"\xEF\xBF\xBE", "\xEF\xBF\xBD"}};
  for (const auto& [text, id] : cases) EXPECT_EQ(ids.Next(text), id) << text;
}

TEST(InlineMarksTest, MarksOpenAndCloseAtWordEdges) {
  struct MarkCase {
    std::string line;
    std::string spans;  // "mark:start-end" for each span
  };
  for (const MarkCase& c : {MarkCase{"a *bold* word", "*:2-8"}, MarkCase{"2*3*4", ""}, MarkCase{"snake_case_name", ""},
                            MarkCase{"an _em_, `code` here", "_:3-7 `:9-15"}, MarkCase{"* not * bold", ""},
                            MarkCase{"(*x*)", "*:1-4"}, MarkCase{"**double**", ""}, MarkCase{"*a b *c*", "*:5-8"},
                            MarkCase{"*open only", ""}}) {
    std::string spans;
    for (const InlineMark& mark : FindInlineMarks(c.line)) {
      spans += (spans.empty() ? "" : " ") + std::string(1, mark.mark) + ":" + std::to_string(mark.start) + "-" +
               std::to_string(mark.end);
    }
    EXPECT_EQ(spans, c.spans) << c.line;
  }
}

// A heading between two lines of marks is the middle line's text, escaped as that line needs.
TEST(StructuredPageTest, OverlinedHeadingIsEscaped) {
  const std::string text = "Some text first.\n\n==========\n<b>T & J</b>\n==========\n\nBody.\n";
  for (const bool modern : {false, true}) {
    ConversionOptions options;
    options.format = OutputFormat::Structured;
    options.modern = modern;
    const std::string document = testing_support::ConvertText(text, options).document;
    EXPECT_NE(document.find("&lt;b&gt;T &amp; J&lt;/b&gt;</"), std::string::npos) << document;
    EXPECT_EQ(document.find("<b>T"), std::string::npos) << document;
  }
}

// Real documents, each as a classic and a modern page with a table of contents.
class StructuredGoldenTest : public testing::TestWithParam<const char*> {};

TEST_P(StructuredGoldenTest, MatchesTheGoldenPages) {
  const std::filesystem::path folder = std::filesystem::path(SCRIVANE_SOURCE_DIR) / "tests/conversion/golden/structured";
  const std::string text = testing_support::ReadFile(folder / (std::string(GetParam()) + ".txt"));
  for (const bool modern : {false, true}) {
    ConversionOptions options;
    options.format = OutputFormat::Structured;
    options.modern = modern;
    options.title = "";
    options.contents = true;
    options.dateText = "DATE";
    options.dateTime = "2025-03-07T15:04:00+01:00";
    const std::string document = testing_support::ConvertText(text, options).document;
    const auto golden = folder / (std::string(GetParam()) + (modern ? ".modern.html" : ".classic.html"));
    if (std::getenv("SCRIVANE_UPDATE_GOLDEN") != nullptr) testing_support::WriteFile(golden, document);
    EXPECT_EQ(document, testing_support::ReadFile(golden)) << golden;
  }
}

INSTANTIATE_TEST_SUITE_P(Documents, StructuredGoldenTest,
                         testing::Values("bash-readme", "man-db-faq", "procps-faq", "gzip-news", "pyyaml-readme",
                                         "apache-2.0"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name;
                           for (const char* c = info.param; *c != 0; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name.push_back(*c);
                           }
                           return name;
                         });

}  // namespace
}  // namespace scrivane
