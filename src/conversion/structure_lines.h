// What one line of plain text looks like on its own: the small recognisers the
// structured-text builder asks about each line (underlines, heading marks, list
// markers, section numbers, fences, quotes, rules, table rows, mail headers).
// Each looks at one line only; context is the builder's business.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scrivane {

// A line split into its leading white space and its text.
struct LineShape {
  std::size_t indent = 0;  // columns of leading white space, a TAB reaching the next multiple of 8
  std::string_view body;   // the text after it, without trailing white space; empty for a blank line
  bool tabbed = false;     // the indent holds a TAB
};

// The shape of a line whose indent holds more than spaces, or which ends in white space (see ShapeOf).
LineShape ShapeOfSpaced(std::string_view line);

// The line's indent and text.
inline LineShape ShapeOf(std::string_view line) {
  // Most lines end with text, and their indent is spaces only, if any: the text's
  // last byte stops the run of spaces.
  if (!line.empty() && static_cast<unsigned char>(line.back()) > ' ') {
    std::size_t spaces = 0;
    while (line[spaces] == ' ') ++spaces;
    if (static_cast<unsigned char>(line[spaces]) > ' ') return {spaces, line.substr(spaces), false};
  }
  return ShapeOfSpaced(line);
}

// The character a line of 3 or more of one of = - ~ * # (or, under reStructuredText
// headings, ^ " .) or of two = consists of; 0 for any other line.
char UnderlineMark(std::string_view body);

// True when an underline fits the text above it: at least half as long (a
// hand-typed underline often falls short) and at most about twice as long.
bool UnderlinesText(std::string_view underline, std::string_view text);

// The level (1 to 6) of a line opened by "#" to "######" and a space; 0 otherwise.
// `text` gets the heading's words without the marks (closing marks included).
int HashHeadingLevel(std::string_view body, std::string_view& text);

// The level (1 to 6) of an outline heading: a run of "*" at the line's start and a space; 0 otherwise.
int StarHeadingLevel(std::string_view body);

// The text without an editor's mode line ("-*- outline -*-") at its end.
std::string_view WithoutModeLine(std::string_view body);

// The kinds of list item a line may open.
enum class MarkerKind { None, Bullet, Number, Letter, Roman };

// A list item's marker at the start of a line's text.
struct ListMarker {
  MarkerKind kind = MarkerKind::None;
  std::size_t width = 0;  // bytes of the marker and the white space after it
  long number = 0;        // the item's number (1 for "a" and "i")
};

// The list marker the text opens with: - * + o • · followed by a space, or a
// number, letter or roman numeral as 1. 1) (1) a) (a) i. followed by a space.
ListMarker ListMarkerOf(std::string_view body);

// The depth of a section number opening the text ("2." and "2" are 1, "2.3" is
// 2, "A.1" is 2, "Appendix B" is 1) when words follow it; 0 when there is none.
int SectionDepth(std::string_view body);

// True for a section number and a few words that could be its heading; a
// final full stop is allowed ("5. Conveying Modified Source Versions.").
bool IsSectionHeading(std::string_view body);

// True when most words of more than three letters start with a capital ("Tilde Expansion").
bool IsTitleCase(std::string_view body);

// True for a short line that could be a heading: no sentence end, not too long.
bool IsHeadingLength(std::string_view body);

// True for the question of a list of questions and answers: "Q:" or "Q." and a space, then words.
bool IsQuestionLine(std::string_view body);

// True for the line that opens an entry of a Debian change-log: a package name,
// its version in brackets, the distributions and "; urgency=...".
bool IsChangelogEntry(std::string_view body);

// True for the line that opens an entry of a git log: "commit" and a hash of 7 to 40 hex
// digits, perhaps with the names pointing at it after ("commit 1a2b3c4 (HEAD -> main)").
bool IsCommitLine(std::string_view body);

// True for a line shaped as a shell command: a lower-case command word, then at
// most `maxPlainWords` plain lower-case words and no capitalised word, comma,
// sentence end, "name: value" or word with an apostrophe inside ("git push yourgit master:master").
bool IsCommandLine(std::string_view body, int maxPlainWords = 3);

// True for a make rule's first line: targets, ':' or '::', and prerequisites, with
// a mark of make ('::' or a "$(VARIABLE)"): "install: $(PROGRAM)", "doc.tex :: doc.sml".
bool IsMakeRule(std::string_view body);

// True for a command typed after a shell's prompt: "$ " and a command word or path
// ("$ make install", "$ ./configure"), or "% " and a command line ("% pmake -n all").
bool IsPromptLine(std::string_view body);

// True for a command line holding a mark only commands have: an option (" -x", " --name"),
// "&&", " | ", "~/" or "./".
bool HasShellMarks(std::string_view body);

// True for a line in capitals: two or more letters, none lower-case, few marks.
bool IsCapitalsLine(std::string_view body);

// True for a line of 3 or more of one of - * _ = (spaces between allowed) and nothing else,
// or of one box-drawing horizontal line character.
bool IsRuleLine(std::string_view body);

// True for a line of prose wrapped in a paragraph: eight words or more, nearly all of them
// letters with at most a bracket or quote before and stops after.
bool IsProseLine(std::string_view body);

// The words, opening with a capital or a digit, between two runs of 3 or more of one of
// - = * # ~ ("--- Version 2.2 ---"); "" for none.
std::string_view FramedText(std::string_view body);

// The fence a line opens or closes: 3 or more ` or ~ at its start; "" for none.
std::string_view FenceOf(std::string_view body);

// Number of quotation marks (">" with optional spaces between) opening the line;
// `rest` gets what follows them, one space after the last mark removed.
std::size_t QuoteDepth(std::string_view line, std::string_view& rest);

// True for the first line of a patch: "--- file" over "+++ file", "diff -..." over
// "index ..." or "--- file", or a hunk's "@@ -1 +1 @@".
bool OpensPatch(std::string_view body, std::string_view next);

// True when a row of one mark opens a box drawn with it: the next line, about as
// wide, opens and closes with the mark ("********" over "*  TODO  *").
bool OpensBox(std::string_view body, std::string_view next);

// The text inside a box's side ("*  TODO  *" holds "TODO"); `body` if it is no side of a box of `mark`.
std::string_view InsideBox(std::string_view body, char mark);

// True for a table border such as "+----+---+" or "|---|---|".
bool IsTableBorder(std::string_view body);

// Gaps of two or more spaces (or a TAB) inside the text that are not a
// sentence's double space: the columns of a table or option list.
std::size_t ColumnGaps(std::string_view body);

// True for a mail or news header line such as "Subject: ..." or "From someone ...", or the
// "Article 12 of comp.editors:" line a news reader writes over them.
bool IsHeaderField(std::string_view line);

// True for a header that opens a mail: From, Subject, Date, To, Newsgroups, Message-ID.
bool IsMailHeader(std::string_view line);

// The boundary a MIME header declares for the parts of a mail ("boundary=\"b1\"" declares b1);
// "" for none.
std::string_view BoundaryOf(std::string_view line);

// The value of a header line that names the text: a mail's "Subject:", a Debian copyright
// file's "Upstream-Name:"; "" for other lines.
std::string_view NamingFieldOf(std::string_view line);

// The name an HTML line at the top of a text shows: an <h1>'s text, else an image's
// alt text ("<p><img src=logo.png alt="Frob"></p>" names Frob); "" for other lines.
std::string_view NameInMarkup(std::string_view line);

// The alt text of a Markdown image opening a line ("![Frob](logo.png)" names Frob); "" otherwise.
std::string_view NameInImage(std::string_view body);

// True for a line of linked Markdown images, as READMEs open with badges ("[![Build](b.svg)](ci)").
bool IsBadgeLine(std::string_view body);

// True when the text sits in the middle of a page 64 to 84 columns wide, TABs
// reaching 8-column stops (an indent of TABs alone is structure, not centring).
bool IsCentred(const LineShape& shape);

// True for a page footer shaped as printed documents end their pages: "... [Page 12]".
bool IsPageFooter(std::string_view body);

// The line with its digits and spacing blurred, so lines repeated on every page match.
std::string FurnitureKey(std::string_view body);

// A line (without its quote marks) and what the recognisers say of it, worked
// out once: the builder asks about each line again and again while it looks
// ahead at it. The views point into the line's text, which must outlive this.
class LineFacts {
 public:
  LineFacts() = default;
  explicit LineFacts(std::string_view content);
  // The same, with the content's shape (ShapeOf) already known.
  LineFacts(std::string_view content, const LineShape& contentShape);

  std::string_view content;  // the line as given
  LineShape shape;           // its indent and text
  ListMarker marker;         // the list marker its text opens with
  char underline = 0;        // what UnderlineMark says of its text

  // CharCount of its text, counted on first asking.
  std::size_t Chars() const;
  // True when its text has a column gap (see ColumnGaps), found on first asking.
  bool HasGap() const;

 private:
  static constexpr std::size_t kNotCounted = static_cast<std::size_t>(-1);
  mutable std::size_t chars_ = kNotCounted;
  mutable signed char gap_ = -1;  // HasGap's answer; -1 before the first asking
};

// A fragment identifier for a heading: letters and digits in lower case, other
// runs as "-"; "section" when nothing is left.
std::string SlugOf(std::string_view text);

}  // namespace scrivane
