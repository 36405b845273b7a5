// The structured-text builder. Each line is decided when the two after it are
// known: enough to see an underline, a blank line after a heading, or the
// indented text under a term. Nesting is capped, so hostile input (a million
// nested bullets or quote marks) keeps the state small and the time linear.
#include "structure_blocks.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <span>

#include "markup.h"
#include "structure_lines.h"

namespace scrivane {
namespace {

constexpr std::size_t kLookAhead = 2;
constexpr std::size_t kMaxLists = 16;
constexpr std::size_t kMaxQuotes = 8;
constexpr std::size_t kCodeStep = 4;
constexpr std::size_t kMaxTermChars = 48;
constexpr std::size_t kMaxOutdentedChars = 90;
constexpr std::size_t kMaxIndentNoted = 24;
constexpr int kMaxLonePlainWords = 2;  // plain words a lone command line may have ("od -c no longer fails" has 3)

// The overline form of an underline mark, as a heading style of its own.
char OverlineStyle(char mark) {
  switch (mark) {
    case '=': return 'E';
    case '-': return 'D';
    case '~': return 'T';
    case '*': return 'S';
    default: return 'H';
  }
}

BlockKind ListBlockFor(MarkerKind kind) {
  switch (kind) {
    case MarkerKind::Number: return BlockKind::NumberList;
    case MarkerKind::Letter: return BlockKind::LetterList;
    case MarkerKind::Roman: return BlockKind::RomanList;
    default: return BlockKind::BulletList;
  }
}

// Remembers the first thing a builder writes, to find a document's title.
class FirstBlock : public BlockEvents {
 public:
  void Heading(int, std::string_view text, bool) override {
    if (heading.empty()) {
      heading = text;
      onTop = !seen;
    }
    seen = true;
  }
  void Open(BlockKind block, long) override {
    if (!seen) headers = block == BlockKind::Headers;
    if (heading.empty() && block == BlockKind::Paragraph) ++paragraphsBefore;
    seen = true;
  }
  void Line(std::string_view, bool, bool) override {}
  void Close(BlockKind) override {}
  void Rule() override { seen = true; }

  bool seen = false;
  bool onTop = false;
  bool headers = false;
  int paragraphsBefore = 0;  // paragraphs before the first heading
  std::string heading;
};

// True for an ASCII letter or digit.
bool IsAsciiLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// True when the text at `at` ends a sentence: a full stop, question or
// exclamation mark before a space and a capital, or at the end.
bool EndsSentence(std::string_view text, std::size_t at) {
  if (text[at] != '.' && text[at] != '?' && text[at] != '!') return false;
  const std::size_t next = text.find_first_not_of(' ', at + 1);
  return next == std::string_view::npos || (next > at + 1 && text[next] >= 'A' && text[next] <= 'Z');
}

// A title from the first paragraph of a text without headings: its first
// sentence, without a closing colon, cut at a space to at most 80 characters.
// In a box drawn with `boxMark` (0 for none), the first line of text in it.
std::string TitleFromText(std::span<const std::string> lines, char boxMark) {
  constexpr std::size_t kMaxTitle = 80;
  std::string text;
  for (const std::string& line : lines) {
    const std::string_view body = InsideBox(ShapeOf(line).body, boxMark);
    if (boxMark != 0 && !text.empty()) break;  // a box's lines each stand alone
    if (body.empty() && !text.empty()) break;
    if (body.empty()) continue;
    if (!text.empty()) text.push_back(' ');
    text.append(body);
    if (text.size() > 4 * kMaxTitle) break;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (EndsSentence(text, i)) {
      text.resize(i + 1);
      break;
    }
  }
  if (!text.empty() && text.back() == ':') text.pop_back();
  if (CharCount(text) <= kMaxTitle) return text;
  text.resize(text.size() - TailBytes(text, CharCount(text) - kMaxTitle));
  const std::size_t space = text.rfind(' ');
  if (space != std::string::npos && space > 0) text.resize(space);
  return text.append("\xE2\x80\xA6");  // an ellipsis
}

// The first line past a README's opening images (blank lines, rows of marks, badges, and
// reStructuredText image directives with their options). `logo` gets the alt text
// of a logo among them, or of a Markdown image on the line reached.
std::vector<std::string>::const_iterator PastOpeningImages(const std::vector<std::string>& lines,
                                                           std::string_view& logo) {
  auto at = lines.begin();
  bool inDirective = false;
  bool isLogo = false;
  for (; at != lines.end(); ++at) {
    const LineShape shape = ShapeOf(*at);
    const std::string_view body = shape.body;
    if (inDirective && shape.indent > 0 && body.starts_with(':')) {
      if (isLogo && logo.empty() && body.starts_with(":alt:")) logo = ShapeOf(body.substr(5)).body;
      continue;
    }
    inDirective = body.starts_with(".. image::") || body.starts_with(".. figure::");
    if (inDirective) {
      isLogo = body.find("logo") != std::string_view::npos;
      continue;
    }
    if (!body.empty() && !IsRuleLine(body) && UnderlineMark(body) == 0 && !IsBadgeLine(body)) break;
  }
  if (logo.empty() && at != lines.end()) logo = NameInImage(ShapeOf(*at).body);
  constexpr std::string_view kLogo = " logo";  // "Frob logo" names Frob
  if (logo.size() > kLogo.size() && (logo.ends_with(kLogo) || logo.ends_with(" Logo"))) logo.remove_suffix(kLogo.size());
  return at;
}

// True when the line at `at` (not the end) is the heading `heading`, marked by "#" or not.
bool IsHeadingLine(std::vector<std::string>::const_iterator at, std::vector<std::string>::const_iterator end,
                   std::string_view heading) {
  if (at == end) return false;
  std::string_view body = ShapeOf(*at).body;
  std::string_view words;
  if (HashHeadingLevel(body, words) > 0) body = words;
  return body == heading;
}

// The most common indent of lines of running text; an item's wrapped lines are the list's, not the text's.
std::size_t BodyIndent(const std::vector<std::string>& lines) {
  std::array<std::size_t, kMaxIndentNoted + 1> counts{};
  bool inItem = false;
  for (const std::string& line : lines) {
    const LineShape shape = ShapeOf(line);
    if (shape.body.empty()) inItem = false;
    if (shape.body.empty() || shape.indent > kMaxIndentNoted) continue;
    if (ListMarkerOf(shape.body).kind != MarkerKind::None) inItem = true;
    const char first = shape.body[0];
    const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    if (letter && !inItem) ++counts[shape.indent];
  }
  return static_cast<std::size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

// Lines next to page breaks that recur: the running heads and feet of pages.
std::vector<std::string> PageFurniture(const std::vector<std::string>& lines) {
  std::map<std::string, std::pair<int, std::size_t>> seen;  // how often, and the line last counted
  const auto note = [&](std::size_t at, int step) {
    for (std::size_t i = at; i < lines.size(); i += static_cast<std::size_t>(step)) {
      const std::string_view body = ShapeOf(lines[i]).body;
      if (!body.empty()) {
        auto& [count, last] = seen.try_emplace(FurnitureKey(body), 0, SIZE_MAX).first->second;
        if (last != i) ++count;  // a line between two page breaks is one line, not two
        last = i;
        return;
      }
      if (i == 0 && step < 0) return;
    }
  };
  int breaks = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t feed = lines[i].find('\f');
    if (feed == std::string::npos) continue;
    ++breaks;
    if (i > 0) note(i - 1, -1);
    if (ShapeOf(lines[i]).body.empty()) {
      note(i + 1, 1);
    } else {
      note(i, 1);
    }
  }
  std::vector<std::string> furniture;
  // Running heads and feet stand at most page breaks; a line like it at a few ("Version 3.1
  // (05 Oct 2014)" opening some of a NEWS file's pages) is the text's own.
  for (const auto& [key, noted] : seen) {
    if (noted.first >= 2 && 2 * noted.first >= breaks) furniture.push_back(key);
  }
  return furniture;
}

// True for a line set apart by blank lines at `at`.
bool SetApart(const std::vector<std::string>& lines, std::size_t at) {
  return at > 0 && at + 1 < lines.size() && ShapeOf(lines[at - 1]).body.empty() && ShapeOf(lines[at + 1]).body.empty();
}

// True for a short capitalised line that may be a heading of its own, with no mark,
// number or closing colon to make it something else.
bool MayBePlainHeading(const LineFacts& line) {
  const std::string_view body = line.shape.body;
  return IsHeadingLength(body) && body.back() != ':' && line.marker.kind == MarkerKind::None &&
         line.Chars() <= kMaxTermChars && body[0] >= 'A' && body[0] <= 'Z' && IsTitleCase(body) && SectionDepth(body) == 0 &&
         !IsHeaderField(body);
}

// True when most numbered entries set apart by blank lines are questions (at least three).
bool UsesNumberedQuestions(const std::vector<std::string>& lines) {
  int entries = 0, questions = 0;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string_view body = ShapeOf(lines[i]).body;
    if (body.empty() || !SetApart(lines, i) || ListMarkerOf(body).kind != MarkerKind::Number) continue;
    ++entries;
    questions += body.back() == '?' ? 1 : 0;
  }
  return questions >= 3 && 2 * questions > entries;
}

// True when short capitalised lines set apart by blank lines over a paragraph of
// two lines or more recur (at least three): the document's headings carry no mark.
bool UsesPlainHeadings(const std::vector<std::string>& lines) {
  int found = 0;
  for (std::size_t i = 1; i + 3 < lines.size(); ++i) {
    if (!SetApart(lines, i) || ShapeOf(lines[i]).indent > 0 || !MayBePlainHeading(LineFacts(lines[i]))) continue;
    const LineFacts below(lines[i + 2]);
    found += !below.shape.body.empty() && below.marker.kind == MarkerKind::None && !ShapeOf(lines[i + 3]).body.empty()
                 ? 1 : 0;
  }
  return found >= 3;
}

// True for a header block's first line that makes it a mail's or news article's headers.
bool OpensMail(std::string_view body) { return IsMailHeader(body) || body.starts_with("Article "); }

// True for a stanza's second line: a header field, or a field's value going on indented
// (a list of files, not a wrapped sentence of prose).
bool GoesOnStanza(const LineShape& shape) {
  return IsHeaderField(shape.body) || (shape.indent > 0 && !shape.body.empty() && !IsProseLine(shape.body));
}

// True when the text opens with a stanza of header fields, not a mail's, and two thirds of its
// blocks, three at least, are such stanzas (a Debian copyright or control file): each is a header block.
bool UsesFieldStanzas(const std::vector<std::string>& lines) {
  int stanzas = 0, others = 0;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].empty() || (i > 0 && !lines[i - 1].empty())) continue;
    const bool stanza = IsHeaderField(lines[i]) && GoesOnStanza(ShapeOf(lines[i + 1]));
    if (stanzas + others == 0 && (!stanza || OpensMail(lines[i]))) return false;  // the first block decides
    (stanza ? stanzas : others) += 1;
  }
  return stanzas >= 3 && stanzas > 2 * others;
}

// True when section numbers set apart by blank lines recur in the lines.
bool UsesNumberedHeadings(const std::vector<std::string>& lines) {
  int found = 0;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    if (IsSectionHeading(ShapeOf(lines[i]).body) && SetApart(lines, i)) ++found;
  }
  return found >= 2;
}

// True for a line that goes on a block of commands: a comment, a command of the same
// program or with a command's marks, or, under one with them, a command with more than
// words ("make" then "make install", "cd ~/src" then "git clone git://host/x").
bool FollowsCommand(std::string_view command, const LineFacts& next) {
  const std::string_view body = next.shape.body;
  if (body.starts_with("# ")) return true;
  if (next.marker.kind != MarkerKind::None || !IsCommandLine(body)) return false;
  const std::string_view program = command.substr(0, command.find(' '));
  return HasShellMarks(body) || body.substr(0, body.find(' ')) == program ||
         (HasShellMarks(command) && body.find_first_of("/.:-=~$@_") != std::string_view::npos);
}

// True for an indented first line over a line at the text's indent (left of
// `codeIndent`): a paragraph's first line, not code.
bool OpensParagraph(const LineShape& shape, const LineFacts& after, std::size_t codeIndent) {
  return !after.shape.body.empty() && after.shape.indent < codeIndent &&
         after.shape.indent + kCodeStep <= shape.indent && after.marker.kind == MarkerKind::None;
}

// True for a line that opens nothing where a paragraph or list item goes on (not
// after a blank line or a colon): no list item, no underline, and no block its
// first character opens. A heading it may still be, when the next line underlines it.
inline bool OnlyContinuesText(const LineFacts& line) {
  if (line.shape.body.empty() || line.marker.kind != MarkerKind::None || line.underline != 0) return false;
  switch (line.shape.body[0]) {
    case '#':
    case '`':
    case '~':
    case '-':
    case '*':
    case '_':
    case '=': return false;
    default: return true;
  }
}

// The facts of the line after its quote marks; `depth` gets how many of them are kept apart.
LineFacts FactsWithoutQuoteMarks(std::string_view line, std::size_t& depth) {
  const LineShape shape = ShapeOf(line);
  // A quote mark opens the line's text (after at most three spaces): most lines have none.
  if (shape.body.empty() || shape.body[0] != '>') return LineFacts(line, shape);
  std::size_t first = 0;
  while (first < 3 && first < line.size() && line[first] == ' ') ++first;
  std::string_view rest = line;
  if (first < line.size() && line[first] == '>') depth = std::min(QuoteDepth(line, rest), kMaxQuotes);
  return LineFacts(rest);
}

// True for a line that on its own may only go on open text (it opens nothing and is
// quoted to no depth) when `next` follows it: no underline.
bool MayRunOn(const ExaminedLine& line, const ExaminedLine& next) {
  return line.runningText && line.quoteDepth == 0 && next.facts.underline == 0;
}

}  // namespace

TextHabits LearnHabits(const std::vector<std::string>& lines) {
  TextHabits habits;
  habits.bodyIndent = BodyIndent(lines);
  habits.furniture = PageFurniture(lines);
  habits.numberedHeadings = UsesNumberedHeadings(lines);
  habits.numberedQuestions = UsesNumberedQuestions(lines);
  habits.plainHeadings = UsesPlainHeadings(lines);
  habits.fieldStanzas = UsesFieldStanzas(lines);
  habits.hashHeadings = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    std::string_view words;
    return HashHeadingLevel(line, words) > 1;
  });
  habits.outlineStars = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return StarHeadingLevel(line) > 1 || line.find("-*- outline -*-") != std::string::npos;
  });
  constexpr std::size_t kMaxBoundaries = 16;
  for (const std::string& line : lines) {
    const std::string_view boundary = BoundaryOf(line);
    if (!boundary.empty() && habits.boundaries.size() < kMaxBoundaries) habits.boundaries.emplace_back(boundary);
  }
  FirstBlock first;
  BlockBuilder builder(habits, first);
  for (const std::string& line : lines) builder.Add(line, true);
  builder.Finish();
  if (first.headers) {
    for (const std::string& line : lines) {
      if (line.empty()) break;
      if (!NamingFieldOf(line).empty()) {
        habits.title = NamingFieldOf(line);
        return habits;
      }
    }
  }
  // A README that opens with its logo or an HTML heading is named by it; the banner
  // stands for that line when it was taken as a heading.
  std::string_view logo;
  const auto top = PastOpeningImages(lines, logo);
  const std::string_view named = !logo.empty() || top == lines.end() ? logo : NameInMarkup(*top);
  const auto fromTop = std::span<const std::string>(lines).subspan(static_cast<std::size_t>(top - lines.begin()));
  // A box drawn round the text's first lines holds its name.
  const std::string_view above = top == lines.begin() || top == lines.end() ? "" : ShapeOf(*std::prev(top)).body;
  const char boxMark = !above.empty() && OpensBox(above, ShapeOf(*top).body) ? above[0] : 0;
  // A heading names the document when no more than a line or two of text comes before it.
  constexpr int kMaxParagraphsBeforeTitle = 1;
  if (!named.empty()) {
    habits.title = named;
    habits.titleOnTop = first.onTop && first.heading == ShapeOf(*top).body;
  } else if (boxMark != 0) {
    habits.title = TitleFromText(fromTop, boxMark);
  } else if (!first.heading.empty() &&
             (first.paragraphsBefore <= kMaxParagraphsBeforeTitle || IsHeadingLine(top, lines.end(), first.heading))) {
    habits.title = first.heading;
    habits.titleOnTop = first.onTop;
  } else {
    habits.title = TitleFromText(fromTop, 0);
  }
  return habits;
}

BlockBuilder::BlockBuilder(const TextHabits& habits, BlockEvents& events) : habits_(habits), events_(events) {
  std::sort(habits_.furniture.begin(), habits_.furniture.end());
  for (const std::string& key : habits_.furniture) {
    if (!key.empty()) furnitureStarts_[static_cast<unsigned char>(key[0])] = true;
  }
  lists_.reserve(kMaxLists);
}

ExaminedLine::ExaminedLine(std::string_view line, bool isPlain, bool isPrintable, bool noFormFeed)
    : text(line),
      facts(FactsWithoutQuoteMarks(line, quoteDepth)),
      plain(isPlain),
      printable(isPrintable),
      formFeed(!isPrintable && !noFormFeed && line.find('\f') != std::string_view::npos) {
  // A page footer ends with "]": other lines need no closer look.
  runningText = !formFeed && OnlyContinuesText(facts) &&
                !(facts.shape.body.back() == ']' && IsPageFooter(facts.shape.body));
}

void BlockBuilder::Add(std::string_view line, bool plain) {
  Held& held = HeldAt(heldCount_);  // a slot let go, whose buffer is used again
  held.keeper.reset();
  held.text.assign(line);
  held.own = ExaminedLine(held.text, plain);
  held.line = &held.own;
  Advance();
}

void BlockEvents::RenderedLines(std::span<const ExaminedLine> lines) {
  for (const ExaminedLine& line : lines) RenderedLine(line.facts.shape.body, line.html, line.plain, line.printable);
}

void BlockBuilder::Add(std::span<const ExaminedLine> lines, const std::shared_ptr<const void>& keeper) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // Once the two lines held came with these, a paragraph's running lines are taken at once.
    if (i >= kLookAhead && heldCount_ == kLookAhead) i = TakeRunningTexts(lines, i - kLookAhead) + kLookAhead;
    if (i == lines.size()) break;
    Held& held = HeldAt(heldCount_);
    if (held.keeper != keeper) held.keeper = keeper;  // most lines come with the one before them
    held.line = &lines[i];
    Advance();
  }
}

void MarkRunningText(std::span<ExaminedLine> lines) {
  std::uint32_t after = 0;  // the run of the line after
  for (std::size_t i = lines.size(); i-- > 0;) {
    ExaminedLine& line = lines[i];
    const bool runs = i + 1 < lines.size() && !line.html.empty() && MayRunOn(line, lines[i + 1]);
    line.run = !runs ? 0 : line.facts.shape.body.back() == ':' ? 1 : after + 1;
    after = line.run;
  }
}

std::size_t BlockBuilder::TakeRunningTexts(std::span<const ExaminedLine> lines, std::size_t current) {
  // The lines are taken as Process would take them, each with the line two after it added.
  if (skip_ != 0 || quoteDepth_ != 0 || !GoesOnOpenText()) return current;
  std::size_t count = std::min<std::size_t>(lines[current].run, lines.size() - kLookAhead - current);
  if (!habits_.furniture.empty()) {
    std::size_t i = 0;
    while (i < count && !MayBeFurniture(lines[current + i].facts.shape.body)) ++i;
    count = i;
  }
  if (count == 0) return current;
  events_.RenderedLines(lines.subspan(current, count));
  current += count;
  NoteTextLine(lines[current - 1].facts.shape.body);
  // The ring holds the new current line and the one after it, kept by the same keeper.
  HeldAt(0).line = &lines[current];
  HeldAt(1).line = &lines[current + 1];
  return current;
}

void BlockBuilder::Advance() {
  if (++heldCount_ > kLookAhead) {
    Process();
    first_ = (first_ + 1) & (kHeld - 1);
    --heldCount_;
  }
}

void BlockBuilder::Finish() {
  for (; heldCount_ > 0; --heldCount_) {
    Process();
    first_ = (first_ + 1) & (kHeld - 1);
  }
  CloseAllBlocks();
  SetQuoteDepth(0);
}

void BlockBuilder::Process() {
  if (skip_ > 0) {
    --skip_;
    return;
  }
  const ExaminedLine* line = HeldAt(0).line;
  ahead_ = line;
  printable_ = line->printable;
  if (TakeRunningText(*line)) return;
  if (line->formFeed) {  // page breaks are not text: the line is read without them
    current_.text.clear();
    std::copy_if(line->text.begin(), line->text.end(), std::back_inserter(current_.text),
                 [](char c) { return c != '\f'; });
    pageStart_ = true;
    if (ShapeOf(current_.text).body.empty()) return Blank();  // a page break
    current_.own = ExaminedLine(current_.text, line->plain);
    line = &current_.own;
    ahead_ = line;
  }
  // The whole line's text, quote marks and all; the same as the facts' when it has none.
  if (TakeFurniture(line->quoteDepth == 0 ? line->facts.shape.body : ShapeOf(line->text).body)) {
    pageStart_ = false;  // a page with a running head opens with it, not with a heading
    return;
  }
  // A fence keeps its lines as typed: a '>' there is text (a prompt), not a quote mark.
  if (leaf_ == Leaf::Fence && quoteDepth_ == 0 && line->quoteDepth != 0) {
    const LineFacts verbatim(line->text);
    return ProcessContent(verbatim, line->plain);
  }
  if (line->quoteDepth != quoteDepth_) SetQuoteDepth(line->quoteDepth);
  ProcessContent(line->facts, line->plain);
}

bool BlockBuilder::TakeRunningText(const ExaminedLine& line) {
  // The same steps as for any line, in the order they come, for the line that goes on the text.
  if (quoteDepth_ != 0 || !GoesOnOpenText()) return false;
  // A line that may be underlined, or may be a page's furniture, takes the long way.
  const std::string_view body = line.facts.shape.body;
  if (heldCount_ > 1 ? !MayRunOn(line, *HeldAt(1).line) : !line.runningText || line.quoteDepth != 0) return false;
  if (MayBeFurniture(body)) return false;
  WriteLine(body, line.plain);
  NoteTextLine(body);
  return true;
}

void BlockBuilder::WriteLine(std::string_view text, bool plain) {
  // The HTML rendered ahead stands for exactly the text it was made of.
  const std::string_view rendered = ahead_->html.empty() ? std::string_view{} : ahead_->WrittenPart();
  if (!ahead_->html.empty() && text.data() == rendered.data() && text.size() == rendered.size()) {
    events_.RenderedLine(text, ahead_->html, plain, printable_);
  } else {
    events_.Line(text, plain, printable_);
  }
}

bool BlockBuilder::TakeFurniture(std::string_view body) {
  if (leaf_ == Leaf::Fence) return false;
  if (body.empty()) return false;
  if (body.back() == ']' && IsPageFooter(body)) return true;  // a page footer ends with "]"
  return !habits_.furniture.empty() &&
         std::binary_search(habits_.furniture.begin(), habits_.furniture.end(), FurnitureKey(body));
}

inline const LineFacts& BlockBuilder::Next(std::size_t ahead) const {
  if (ahead >= heldCount_) return blank_;
  const ExaminedLine& line = *held_[(first_ + ahead) & (kHeld - 1)].line;
  return line.quoteDepth == quoteDepth_ ? line.facts : blank_;
}

inline bool BlockBuilder::NextIsBlank(std::size_t ahead) const { return Next(ahead).shape.body.empty(); }

void BlockBuilder::ProcessContent(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  if (leaf_ == Leaf::Fence) {
    const std::string_view fence = FenceOf(shape.body);
    if (!fence.empty() && fence.size() == shape.body.size() && fence[0] == fence_[0] && fence.size() >= fence_.size()) {
      CloseLeaf();
    } else {
      WriteLine(line.content, plain);
    }
    return;
  }
  if (shape.body.empty()) return Blank();
  if (TakePartBoundary(shape.body)) return;
  if (GoesOnText(line)) {
    WriteLine(shape.body, plain);
  } else if (!ContinueLeaf(line, plain) && !TakeHeading(line, plain) && !TakeBlockStart(line, plain)) {
    const ListMarker& marker = line.marker;
    const bool listMayStart = leaf_ != Leaf::Paragraph || afterBlank_ || leadColon_ ||
                              Next(1).marker.kind != MarkerKind::None ||
                              (marker.kind == MarkerKind::Bullet && shape.body[0] != '-' &&
                               shape.body[0] != 'o');  // a dash or an "o" runs on in prose
    const bool bulletO = marker.kind == MarkerKind::Bullet && shape.body[0] == 'o';
    // A number that wraps to the start of an item's line ("... section\n7. This ...") is the item's text.
    const bool wrapped = leaf_ == Leaf::ItemText && !afterBlank_ && ListBlockFor(marker.kind) != lists_.back().kind &&
                         shape.indent + 1 >= lists_.back().markerIndent && shape.indent <= lists_.back().markerIndent + 1;
    if (marker.kind != MarkerKind::None && listMayStart && !wrapped && (!bulletO || afterBlank_ || !lists_.empty())) {
      TakeListItem(shape, marker, plain);
    } else if (!TakeTerm(line, plain)) {
      TakeText(shape, plain);
    }
  }
  NoteTextLine(shape.body);
}

bool BlockBuilder::TakePartBoundary(std::string_view body) {
  // "--" and the boundary opens a part, with "--" after it ends the last.
  if (habits_.boundaries.empty() || !body.starts_with("--")) return false;
  std::string_view rest = body.substr(2);
  if (std::find(habits_.boundaries.begin(), habits_.boundaries.end(), rest) == habits_.boundaries.end()) {
    if (!rest.ends_with("--")) return false;
    rest.remove_suffix(2);
    if (std::find(habits_.boundaries.begin(), habits_.boundaries.end(), rest) == habits_.boundaries.end()) return false;
  }
  CloseAllBlocks();
  events_.Rule();
  NoteTextLine(body);
  afterBlank_ = partStart_ = true;
  return true;
}

void BlockBuilder::NoteTextLine(std::string_view body) {
  partStart_ = false;
  afterBlank_ = false;
  sawText_ = true;
  leadColon_ = body.back() == ':';
  pageStart_ = false;
  headersAbove_ = leaf_ == Leaf::Headers && mailHeaders_;
}

bool BlockBuilder::GoesOnText(const LineFacts& line) const {
  return GoesOnOpenText() && Next(1).underline == 0 && OnlyContinuesText(line);
}

void BlockBuilder::Blank() {
  switch (leaf_) {
    case Leaf::Code: ++pendingBlanks_; break;
    case Leaf::Definition:
    case Leaf::ItemText: break;
    default: CloseLeaf(); break;
  }
  if (leaf_ == Leaf::ItemText) leaf_ = Leaf::None;
  afterBlank_ = true;
}

bool BlockBuilder::ContinueLeaf(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  switch (leaf_) {
    case Leaf::Code:
      if (shape.indent < leafIndent_) break;
      if (pendingBlanks_ > 0 && OpensParagraph(shape, Next(1), leafIndent_)) break;
      for (; pendingBlanks_ > 0; --pendingBlanks_) WriteLine({}, true);
      WriteLine(line.content, plain);
      return true;
    case Leaf::Table:
      if (afterBlank_ ||
          !(line.HasGap() || IsTableBorder(shape.body) || shape.body[0] == '|' || shape.indent > leafIndent_)) {
        break;
      }
      WriteLine(line.content, plain);
      return true;
    case Leaf::Patch:
    case Leaf::Commands:
      if (afterBlank_) break;
      if (leaf_ == Leaf::Commands && shape.indent < leafIndent_) {
        // Stepping back left of the commands ends them; at an item's text, that text goes on.
        if (lists_.empty() || shape.indent + 1 < lists_.back().contentIndent || line.marker.kind != MarkerKind::None) break;
        CloseLeaf();
        WriteLine(shape.body, plain);
        leaf_ = Leaf::ItemText;
        return true;
      }
      WriteLine(line.content, plain);
      return true;
    case Leaf::Headers:
      if (afterBlank_ || !(IsHeaderField(shape.body) || shape.indent > 0)) break;
      WriteLine(line.content, plain);
      return true;
    case Leaf::Definition:
      if (shape.indent < leafIndent_ + 2) break;
      WriteLine(shape.body, plain);
      return true;
    default: return false;
  }
  CloseLeaf();
  return false;
}

int BlockBuilder::StyleLevel(char style) {
  for (std::size_t i = 0; i < styleCount_; ++i) {
    if (styles_[i] == style) return static_cast<int>(i) + 1;
  }
  if (styleCount_ < styles_.size()) styles_[styleCount_++] = style;
  return static_cast<int>(styleCount_);
}

bool BlockBuilder::TakeHeading(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  const std::size_t codeIndent = habits_.bodyIndent + kCodeStep;
  // Indented as code, only a centred line may still be a heading, and not after "Example:".
  if (shape.indent >= codeIndent && (!IsCentred(shape) || leadColon_)) return false;
  const std::string_view body = shape.body;
  const LineFacts& after = Next(1);
  const std::string_view next = after.shape.body;
  // Under the last line of a paragraph, only an underline as long as the line makes it a heading.
  // A sentence (a closing full stop) is underlined only by a row cut to its length; a longer
  // one under it is a rule.
  const auto closeUnderline = [&] {
    return ((afterBlank_ || leaf_ != Leaf::Paragraph) && body.back() != '.') ||
           std::max(next.size(), line.Chars()) <= std::min(next.size(), line.Chars()) + 3;
  };
  // A short line standing apart, with a blank line below its underline, may have a short one of "=",
  // as Markdown writers type it.
  const auto setApart = [&](char mark) { return mark == '=' && afterBlank_ && NextIsBlank(2) && IsHeadingLength(body); };
  if (const char mark = after.underline;
      mark != 0 && !line.underline && ((closeUnderline() && UnderlinesText(next, body)) || setApart(mark))) {
    if (habits_.hashHeadings && (mark == '=' || mark == '-')) {
      EmitHeading(mark == '=' ? 1 : 2, body, plain, true);
    } else {
      EmitHeading(StyleLevel(mark), body, plain);
    }
    skip_ = 1;
    return true;
  }
  // Over- and underlined text, or a short line between two equal rows of a page's width;
  // rows of marks stacked up ("####\n####\n####") are rules.
  if (const char mark = line.underline;
      mark != 0 && after.underline == 0 && Next(2).shape.body == body && !next.empty() &&
      (UnderlinesText(body, next) || IsHeadingLength(next)) && !OpensBox(body, next)) {
    EmitHeading(StyleLevel(OverlineStyle(mark)), next, HeldAt(1).line->plain);  // the text is the next line's
    skip_ = 2;
    return true;
  }
  std::string_view words;
  if (const int level = HashHeadingLevel(body, words); level > 0) {
    EmitHeading(level, words, plain, true);
    return true;
  }
  // Words framed by rows of marks ("----- Version 2.2 -----") head what follows, blank line or not.
  if (const std::string_view framed = FramedText(body); !framed.empty() && IsHeadingLength(framed)) {
    EmitHeading(StyleLevel('|'), framed, plain);
    return true;
  }
  return TakeSetApartHeading(line, plain);
}

bool BlockBuilder::TakeSetApartHeading(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  const std::string_view body = shape.body;
  if (!afterBlank_ || quoteDepth_ > 0) return false;
  if (const int stars = habits_.outlineStars && shape.indent == 0 ? StarHeadingLevel(body) : 0;
      stars > 0 && NextIsBlank(1)) {
    EmitHeading(stars, body.substr(static_cast<std::size_t>(stars) + 1), plain, true);
    return true;
  }
  if (TakeHeadingOverText(line, plain)) return true;
  if (!NextIsBlank(1)) return false;
  if (shape.indent == 0 && IsChangelogEntry(body)) {
    EmitHeading(StyleLevel('D'), body, plain);
    return true;
  }
  if (TakeHabitualHeading(line, plain)) return true;
  if (const int depth = habits_.numberedHeadings && IsSectionHeading(body) ? SectionDepth(body) : 0; depth > 0) {
    // A number whose text the next paragraph lines up with opens a list item instead.
    const ListMarker& marker = line.marker;
    const LineShape& below = Next(2).shape;
    if (marker.kind == MarkerKind::None || below.indent < shape.indent + marker.width || below.body.empty()) {
      EmitHeading(StyleLevel('N') + depth - 1, body, plain);
      return true;
    }
  }
  // A short line standing out to the left of indented text heads it (a question, a section).
  if (shape.indent < habits_.bodyIndent && (IsHeadingLength(body) || body.back() == '?') &&
      line.Chars() <= kMaxOutdentedChars && Next(2).shape.indent >= habits_.bodyIndent &&
      line.marker.kind == MarkerKind::None) {
    EmitHeading(StyleLevel('O'), body, plain);
    return true;
  }
  if (!IsHeadingLength(body)) return false;
  if (IsCentred(shape) && line.marker.kind == MarkerKind::None) {
    EmitHeading(StyleLevel('M'), body, plain);
    return true;
  }
  if (IsCapitalsLine(body) && lists_.empty()) {
    EmitHeading(StyleLevel('C'), body, plain);
    return true;
  }
  if (!sawText_ && line.marker.kind == MarkerKind::None && !IsHeaderField(body) && body.back() != ':' &&
      !IsBadgeLine(body)) {
    EmitHeading(StyleLevel('T'), WithoutModeLine(body), plain);
    return true;
  }
  return false;
}

bool BlockBuilder::TakeHeadingOverText(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  const std::string_view body = shape.body;
  const LineFacts& after = Next(1);
  // A title may be followed by more centred lines (a version, a date), or go on over a second
  // one alone with no figures in it ("X Video Extension" over "Protocol Description").
  if (!sawText_ && IsHeadingLength(body) && IsCentred(shape) && IsCentred(after.shape)) {
    const std::string_view second = after.shape.body;
    const bool goesOn = NextIsBlank(2) && IsHeadingLength(second) &&
                        std::none_of(second.begin(), second.end(), [](char c) { return c >= '0' && c <= '9'; });
    EmitHeading(StyleLevel('T'), JoinedLines(body, goesOn ? 2 : 1, plain), plain);
    skip_ = goesOn ? 1 : 0;
    return true;
  }
  // A title over a subtitle that is underlined ("Frob FAQ" over "Release 3" and "~~~~~~~~~").
  if (!sawText_ && line.underline == 0 && IsHeadingLength(body) && line.marker.kind == MarkerKind::None &&
      Next(2).underline != 0 && after.underline == 0 && UnderlinesText(Next(2).shape.body, after.shape.body)) {
    EmitHeading(StyleLevel('T'), body, plain);
    return true;
  }
  if (TakeQuestion(line, plain)) return true;
  // The first line of a text that names its editor mode ("NEWS  -*- text -*-") is its title.
  if (!sawText_ && line.marker.kind == MarkerKind::None && WithoutModeLine(body).size() < body.size()) {
    EmitHeading(StyleLevel('T'), WithoutModeLine(body), plain);
    return true;
  }
  // A centred heading may go on over a second line, centred or in capitals, set apart below.
  if (const LineShape& second = after.shape; IsCentred(shape) && IsHeadingLength(body) && !second.body.empty() &&
      NextIsBlank(2) && IsHeadingLength(second.body) && (IsCentred(second) || IsCapitalsLine(second.body)) &&
      line.marker.kind == MarkerKind::None) {
    EmitHeading(StyleLevel('M'), JoinedLines(body, 2, plain), plain);
    skip_ = 1;
    return true;
  }
  // A git log's entry heads its message with its fields ("Author:", "Date:") joined to it.
  if (shape.indent == 0 && IsCommitLine(body)) {
    const std::size_t fields = !IsHeaderField(after.shape.body) ? 0 : IsHeaderField(Next(2).shape.body) ? 2 : 1;
    EmitHeading(StyleLevel('G'), JoinedLines(body, fields + 1, plain), plain);
    skip_ = fields;
    return true;
  }
  return false;
}

bool BlockBuilder::TakeHabitualHeading(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  const LineFacts& below = Next(2);
  if (below.shape.body.empty()) return false;
  // A numbered question over its answer, outside any list but one inside its own answer.
  if (habits_.numberedQuestions && line.marker.kind == MarkerKind::Number &&
      (lists_.empty() || shape.indent + 1 < lists_.front().markerIndent)) {
    EmitHeading(StyleLevel('Q'), shape.body, plain);
    return true;
  }
  // A short line that opens a page, or a capitalised one where the document heads its parts so.
  const bool plainHeading = habits_.plainHeadings && shape.indent == 0 && MayBePlainHeading(line);
  if ((pageStart_ && IsHeadingLength(shape.body) && line.marker.kind == MarkerKind::None) ||
      (plainHeading && below.marker.kind == MarkerKind::None)) {
    EmitHeading(StyleLevel(pageStart_ ? 'F' : 'P'), shape.body, plain);
    return true;
  }
  return false;
}

bool BlockBuilder::TakeQuestion(const LineFacts& line, bool plain) {
  const std::string_view body = line.shape.body;
  const bool asked = IsQuestionLine(body);
  if (asked && NextIsBlank(1)) {
    EmitHeading(StyleLevel('Q'), body, plain);
    return true;
  }
  // A question over its answer on up to three lines, each wrap under its words (or at its
  // indent, for a number): "Q:" and words up to a blank line (or a third line that asks, "?"),
  // or a sub-numbered entry ("2.1. Why ...?") with no blank line under it, up to the line that asks.
  if (!asked && (NextIsBlank(1) || SectionDepth(body) < 2)) return false;
  const auto ends = [&](std::size_t count, std::string_view last) {
    return asked ? NextIsBlank(count) || (count > kLookAhead && last.back() == '?') : last.back() == '?';
  };
  std::size_t count = 1;
  for (std::string_view last = body; !ends(count, last); ++count) {
    const LineShape& wrap = Next(count).shape;
    if (count > kLookAhead || wrap.body.empty() || Next(count).marker.kind != MarkerKind::None ||
        wrap.indent + (asked ? 0 : 1) <= line.shape.indent) {
      return false;
    }
    last = wrap.body;
  }
  EmitHeading(StyleLevel('Q'), JoinedLines(body, count, plain), plain);
  skip_ = count - 1;
  return true;
}

std::string_view BlockBuilder::JoinedLines(std::string_view body, std::size_t count, bool& plain) {
  joined_.assign(body);
  for (std::size_t i = 1; i < count; ++i) {
    joined_.append(" ").append(Next(i).shape.body);
    plain = plain && HeldAt(i).line->plain;
  }
  return joined_;
}

void BlockBuilder::EmitHeading(int level, std::string_view text, bool plain, bool marked) {
  CloseAllBlocks();
  if (!sawText_ && habits_.titleOnTop && !titleDropped_) {
    titleDropped_ = true;  // the page's banner shows it
    markedTitle_ = marked && level == 1;
    return;
  }
  // Levels by style count from the title when there is one; marked levels from the
  // banner, unless the title was itself marked as the first level.
  const bool titled = marked ? markedTitle_ : habits_.titleOnTop;
  const int shifted = level + (titled ? 0 : 1);
  const int outline = std::clamp(shifted, 2, std::min(6, lastLevel_ + 1));
  lastLevel_ = outline;
  events_.Heading(outline, text, plain);
}

bool BlockBuilder::TakeBlockStart(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  const std::string_view body = shape.body;
  const std::size_t base = lists_.empty() ? habits_.bodyIndent : lists_.back().contentIndent;
  // Most lines open with a letter or digit, which opens no fence or rule.
  const bool word = IsAsciiLetterOrDigit(body[0]);
  if (const std::string_view fence = word ? std::string_view{} : FenceOf(body); !fence.empty()) {
    CloseBlocksOutside(shape.indent);
    fence_.assign(fence);
    events_.Open(BlockKind::Code, 0);
    leaf_ = Leaf::Fence;
    return true;
  }
  const LineFacts& after = Next(1);
  const std::string_view next = after.shape.body;
  const bool mayBreak = afterBlank_ || leadColon_ || leaf_ == Leaf::None;
  // A box drawn round a banner is kept as drawn, like a patch, up to the next blank line.
  // (A box's first row is an underline's row of marks.)
  const bool patch = mayBreak && (OpensPatch(body, next) || (line.underline != 0 && OpensBox(body, next)));
  // A row of dots, carets or quotes alone is an elision or a ditto, not a rule.
  const bool ruleMarks = line.underline != 0 && std::string_view("^\".").find(line.underline) == std::string_view::npos;
  if (!patch && ((!word && IsRuleLine(body)) || (ruleMarks && body.size() >= 3)) &&
      (afterBlank_ || leaf_ != Leaf::ItemText)) {
    CloseAllBlocks();
    events_.Rule();
    return true;
  }
  if (afterBlank_ && shape.indent == 0 && TakeHeaderBlock(line, plain)) return true;
  // A Markdown table's head row stands over its border ("|a|b|" over "|:-|-:|"), gaps or not.
  const auto table = [&] {
    return IsTableBorder(body) || (body[0] == '|' && IsTableBorder(next)) ||
           (line.marker.kind == MarkerKind::None && line.HasGap() && (after.HasGap() || IsTableBorder(next)));
  };
  if (patch || (mayBreak && table())) return OpenTyped(line, plain, patch ? Leaf::Patch : Leaf::Table, shape.indent);
  const std::size_t codeIndent = base + kCodeStep;
  // A command after a shell's prompt, with what it prints, or a make rule over its indented
  // recipe, up to the next blank line.
  if ((afterBlank_ || leadColon_) && shape.indent < codeIndent && line.marker.kind == MarkerKind::None &&
      (IsPromptLine(body) || (after.shape.indent > shape.indent && IsMakeRule(body)))) {
    return OpenTyped(line, plain, Leaf::Commands, shape.indent);
  }
  // Shell commands typed as they are, not indented: after a colon, or two of them (or one and a
  // comment), or one marked as a command.
  if (afterBlank_ && shape.indent >= habits_.bodyIndent && line.marker.kind == MarkerKind::None &&
      IsCommandLine(body) && (next.empty() || FollowsCommand(body, after)) &&
      (leadColon_ || !next.empty() || (HasShellMarks(body) && IsCommandLine(body, kMaxLonePlainWords)))) {
    return OpenTyped(line, plain, Leaf::Commands, shape.indent);
  }
  return IndentedAsCode(line, after, codeIndent) && OpenTyped(line, plain, Leaf::Code, codeIndent);
}

bool BlockBuilder::TakeHeaderBlock(const LineFacts& line, bool plain) {
  const std::string_view body = line.shape.body;
  const LineFacts& after = Next(1);
  // Mail headers, or any header fields opening the text (a news posting's "Archive-Name:").
  // A MIME part opens with its headers, one or more.
  if (!IsHeaderField(body) ||
      !(IsHeaderField(after.shape.body) || partStart_ || (habits_.fieldStanzas && GoesOnStanza(after.shape))) ||
      !(!sawText_ || headersAbove_ || habits_.fieldStanzas || partStart_ || IsMailHeader(body))) {
    return false;
  }
  CloseAllBlocks();
  events_.Open(BlockKind::Headers, 0);
  WriteLine(line.content, plain);
  leaf_ = Leaf::Headers;
  mailHeaders_ = OpensMail(body);
  return true;
}

bool BlockBuilder::IndentedAsCode(const LineFacts& line, const LineFacts& after, std::size_t codeIndent) const {
  const LineShape& shape = line.shape;
  if (shape.indent < codeIndent || !(afterBlank_ || leadColon_) || line.marker.kind != MarkerKind::None) return false;
  if (leadColon_) return true;  // what a colon leads into is kept as typed
  if (IsCentred(shape) || OpensParagraph(shape, after, codeIndent)) return false;
  // Indented prose wrapped over lines of the same indent is a paragraph set in, not code.
  return !(after.shape.indent == shape.indent && IsProseLine(shape.body) && IsProseLine(after.shape.body));
}

bool BlockBuilder::OpenTyped(const LineFacts& line, bool plain, Leaf leaf, std::size_t indent) {
  CloseBlocksOutside(line.shape.indent);
  events_.Open(BlockKind::Code, 0);
  WriteLine(line.content, plain);
  leaf_ = leaf;
  leafIndent_ = indent;
  return true;
}

void BlockBuilder::TakeListItem(const LineShape& shape, const ListMarker& marker, bool plain) {
  CloseLeaf();
  CloseTerms();
  const BlockKind kind = ListBlockFor(marker.kind);
  while (!lists_.empty() && shape.indent + 1 < lists_.back().markerIndent) CloseLists(lists_.size() - 1);
  bool open = lists_.empty() || shape.indent > lists_.back().markerIndent + 1;
  if (!open && lists_.back().kind != kind) {
    CloseLists(lists_.size() - 1);
    open = true;
  }
  if (open && lists_.size() < kMaxLists) {
    events_.Open(kind, marker.number);
    lists_.push_back({shape.indent, shape.indent + marker.width, kind});
  } else {
    events_.Close(BlockKind::Item);
    if (open) lists_.back().markerIndent = shape.indent;  // too deep to nest: a sibling
  }
  lists_.back().contentIndent = shape.indent + marker.width;
  events_.Open(BlockKind::Item, 0);
  WriteLine(shape.body.substr(marker.width), plain);
  leaf_ = Leaf::ItemText;
}

bool BlockBuilder::TakeTerm(const LineFacts& line, bool plain) {
  const LineShape& shape = line.shape;
  const std::string_view body = shape.body;
  // A character is at most a byte: a short line needs no count.
  if (!(afterBlank_ || termsOpen_) || !lists_.empty() || body.back() == ':' ||
      shape.indent >= habits_.bodyIndent + kCodeStep || !IsHeadingLength(body) ||
      (body.size() > kMaxTermChars && line.Chars() > kMaxTermChars)) {
    if (termsOpen_) CloseTerms();
    return false;
  }
  const LineFacts& after = Next(1);
  const LineShape& next = after.shape;
  if (next.body.empty() || next.indent < shape.indent + 2 || after.marker.kind != MarkerKind::None) {
    if (termsOpen_) CloseTerms();
    return false;
  }
  CloseLeaf();
  if (!termsOpen_) {
    events_.Open(BlockKind::Terms, 0);
    termsOpen_ = true;
  }
  events_.Open(BlockKind::Term, 0);
  WriteLine(body, plain);
  events_.Close(BlockKind::Term);
  events_.Open(BlockKind::Definition, 0);
  leaf_ = Leaf::Definition;
  leafIndent_ = shape.indent;
  return true;
}

void BlockBuilder::TakeText(const LineShape& shape, bool plain) {
  if (!lists_.empty()) {
    if (!afterBlank_ && (leaf_ == Leaf::ItemText || leaf_ == Leaf::Paragraph)) {
      WriteLine(shape.body, plain);
      return;
    }
    if (afterBlank_ && shape.indent + 1 >= lists_.front().contentIndent) {
      while (lists_.size() > 1 && shape.indent + 1 < lists_.back().contentIndent) CloseLists(lists_.size() - 1);
      CloseLeaf();
      events_.Open(BlockKind::Paragraph, 0);
      WriteLine(shape.body, plain);
      leaf_ = Leaf::Paragraph;
      return;
    }
    CloseLists(0);
  }
  CloseTerms();
  if (leaf_ != Leaf::Paragraph || afterBlank_) {
    CloseLeaf();
    events_.Open(BlockKind::Paragraph, 0);
    leaf_ = Leaf::Paragraph;
  }
  WriteLine(shape.body, plain);
}

void BlockBuilder::CloseLeaf() {
  switch (leaf_) {
    case Leaf::Paragraph: events_.Close(BlockKind::Paragraph); break;
    case Leaf::Code:
    case Leaf::Fence:
    case Leaf::Table:
    case Leaf::Patch:
    case Leaf::Commands: events_.Close(BlockKind::Code); break;
    case Leaf::Headers: events_.Close(BlockKind::Headers); break;
    case Leaf::Definition: events_.Close(BlockKind::Definition); break;
    default: break;
  }
  leaf_ = Leaf::None;
  pendingBlanks_ = 0;
}

void BlockBuilder::CloseLists(std::size_t keep) {
  CloseLeaf();
  while (lists_.size() > keep) {
    events_.Close(BlockKind::Item);
    events_.Close(lists_.back().kind);
    lists_.pop_back();
  }
}

void BlockBuilder::CloseTerms() {
  if (!termsOpen_) return;
  CloseLeaf();
  events_.Close(BlockKind::Terms);
  termsOpen_ = false;
}

void BlockBuilder::CloseAllBlocks() {
  CloseLeaf();
  CloseTerms();
  CloseLists(0);
}

void BlockBuilder::CloseBlocksOutside(std::size_t indent) {
  CloseLeaf();
  CloseTerms();
  // Blocks inside a list item stay in it when they are indented under its text.
  while (!lists_.empty() && indent <= lists_.back().markerIndent) CloseLists(lists_.size() - 1);
}

void BlockBuilder::SetQuoteDepth(std::size_t depth) {
  CloseAllBlocks();
  for (; quoteDepth_ < depth; ++quoteDepth_) events_.Open(BlockKind::Quote, 0);
  for (; quoteDepth_ > depth; --quoteDepth_) events_.Close(BlockKind::Quote);
}

}  // namespace scrivane
