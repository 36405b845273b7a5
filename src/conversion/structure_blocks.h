// Structured text: lines of plain text turned into the blocks a careful reader
// sees in them (headings, paragraphs, nested lists, term lists, code, quotes,
// rules), streamed as events to a page writer. It looks a couple of lines ahead,
// learns the document's habits from its first 64 KiB, and keeps a bounded
// amount of state whatever the input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "structure_lines.h"

namespace scrivane {

// The blocks the builder opens and closes.
enum class BlockKind { Paragraph, BulletList, NumberList, LetterList, RomanList, Item, Terms, Term, Definition,
                   Code, Quote, Headers };

// The number of kinds of block.
inline constexpr std::size_t kBlockKinds = static_cast<std::size_t>(BlockKind::Headers) + 1;

// True for the kinds of list.
constexpr bool IsListBlock(BlockKind block) {
  return block == BlockKind::BulletList || block == BlockKind::NumberList || block == BlockKind::LetterList ||
         block == BlockKind::RomanList;
}

struct ExaminedLine;

// What a page style does with the blocks; each style writes them its own way.
class BlockEvents {
 public:
  virtual ~BlockEvents() = default;
  // A heading of level 2 to 6 (level 1 is the page's banner).
  virtual void Heading(int level, std::string_view text, bool plain) = 0;
  // Opens a block inside the innermost open one; `number` is a list's first number.
  virtual void Open(BlockKind block, long number) = 0;
  // One line of the innermost open block (a paragraph's line, a code line as typed);
  // `printable`: it holds only printable ASCII and TAB.
  virtual void Line(std::string_view text, bool plain, bool printable) = 0;
  // The same line with its `html` rendered ahead (escaped and linked as the page
  // writes block text); a target that has no use for it takes the line as text.
  virtual void RenderedLine(std::string_view text, std::string_view /*html*/, bool plain, bool printable) {
    Line(text, plain, printable);
  }
  // Lines of running text one after another, each rendered ahead for its whole text
  // (the text after its indent): RenderedLine for each.
  virtual void RenderedLines(std::span<const ExaminedLine> lines);
  // Closes the innermost open block.
  virtual void Close(BlockKind block) = 0;
  // A thematic break between blocks.
  virtual void Rule() = 0;
};

// What the builder learns from the start of a document before writing it.
struct TextHabits {
  std::size_t bodyIndent = 0;          // columns most of the text is indented by
  bool numberedHeadings = false;       // section numbers set apart by blank lines recur
  bool outlineStars = false;           // "* Part" and "** Section" lines are headings
  bool hashHeadings = false;           // "## Section" lines occur: "=" and "-" underlines mean levels 1 and 2
  bool numberedQuestions = false;      // numbered entries set apart by blank lines are mostly questions: each heads its answer
  bool plainHeadings = false;          // short capitalised lines set apart over paragraphs recur: they are headings
  bool fieldStanzas = false;           // the text is stanzas of header fields (a Debian copyright file)
  std::vector<std::string> boundaries; // the boundaries a mail's MIME headers declare between its parts
  std::vector<std::string> furniture;  // page headers and footers, as FurnitureKey gives them
  std::string title;                   // the document's own title; "" when it has none
  bool titleOnTop = false;             // the title is the first block, so the banner stands for it
};

// Learns the habits from the lines at the start of a document.
TextHabits LearnHabits(const std::vector<std::string>& lines);

// A line and what the builder asks of it on its own, worked out before the
// line's turn (for a large input, on another thread). The views point into `text`.
struct ExaminedLine {
  ExaminedLine() = default;
  // Examines a line of text; `isPrintable` promises it holds only printable ASCII and
  // TAB, `noFormFeed` only that it holds no form feed.
  ExaminedLine(std::string_view line, bool isPlain, bool isPrintable = false, bool noFormFeed = false);

  // The part of its text most likely written as a block's line: the text after its
  // indent and list marker.
  std::string_view WrittenPart() const {
    return facts.shape.body.substr(facts.marker.kind == MarkerKind::None ? 0 : facts.marker.width);
  }

  // Ordered to leave no gaps: a block holds thousands of these.
  std::string_view text;       // UTF-8, without its line end
  std::string_view html;       // its WrittenPart's HTML, when rendered ahead; empty when not
  std::size_t quoteDepth = 0;  // its quote marks, as many as are kept apart (set as `facts` is made)
  LineFacts facts;             // its text after the quote marks
  // Lines from this one on that may be taken as one step when it goes on open text (see
  // MarkRunningText): each runs on the line before it, rendered ahead whole.
  std::uint32_t run = 0;
  bool plain = false;          // nothing in it needs escaping or linking
  bool printable = false;      // it holds only printable ASCII and TAB
  bool formFeed = false;       // it holds a form feed
  bool runningText = false;    // on its own it opens nothing and is no page footer: it may only go on open text
};

// Marks the runs of running text in a stretch of examined lines whose rendering
// ahead is done: lines quoted to no depth that open nothing, were rendered ahead
// whole and are followed by no underline, each but the last ending without a
// colon (which leaves the text open). The stretch's last line, whose next line is
// not known, is in none.
void MarkRunningText(std::span<ExaminedLine> lines);

// Turns lines into block events, a line or two behind the input.
class BlockBuilder {
 public:
  BlockBuilder(const TextHabits& habits, BlockEvents& events);
  BlockBuilder(const BlockBuilder&) = delete;  // the held lines' facts point into their own text
  BlockBuilder& operator=(const BlockBuilder&) = delete;
  // Takes the next line (UTF-8, without its line end); `plain` says nothing in it needs escaping or linking.
  void Add(std::string_view line, bool plain);
  // Takes the next lines examined beforehand, as they stand: `keeper` keeps the
  // lines and their text in place while a line is held.
  void Add(std::span<const ExaminedLine> lines, const std::shared_ptr<const void>& keeper);
  // Writes out the lines held back and closes every open block.
  void Finish();
  // Lines taken but not yet decided (the look-ahead): every line taken before
  // them has had its events.
  std::size_t Undecided() const { return heldCount_; }

 private:
  // A line looked ahead at, examined as read (a line with a form feed is
  // examined again without them when its turn comes).
  struct Held {
    std::string text;
    ExaminedLine own;                     // a line given as text, examined here; its views point into `text`
    const ExaminedLine* line = nullptr;   // `own`, or a line examined beforehand that `keeper` keeps
    std::shared_ptr<const void> keeper;
  };
  static constexpr std::size_t kHeld = 4;  // room for the current line and two after it (a power of two)
  // An open list: where its markers stand and where its items' text starts.
  struct ListFrame {
    std::size_t markerIndent = 0;
    std::size_t contentIndent = 0;
    BlockKind kind = BlockKind::BulletList;
  };
  // What the innermost open text block is.
  enum class Leaf { None, Paragraph, ItemText, Code, Fence, Table, Patch, Commands, Headers, Term, Definition };

  // Makes the line just stored the last one held, and takes the current line when enough are held.
  void Advance();
  void Process();
  bool TakeFurniture(std::string_view body);
  // Ends every block at a MIME part's boundary line, written as a rule; true for such a line.
  bool TakePartBoundary(std::string_view body);
  // Writes a line of the current line's text (with its HTML, when that was rendered ahead).
  void WriteLine(std::string_view text, bool plain);
  // Takes the current line at once when it can only go on the open paragraph or item.
  bool TakeRunningText(const ExaminedLine& line);
  // True for a body that may be a page's furniture, by its first byte.
  bool MayBeFurniture(std::string_view body) const {
    return furnitureStarts_[static_cast<unsigned char>(body[0] >= '0' && body[0] <= '9' ? '#' : body[0])];
  }
  // The run of running text at lines[current], the current line (the two after it
  // held), taken in one step when it goes on the open text, as far as the line two
  // after each is in `lines`: returns the new current line's place.
  std::size_t TakeRunningTexts(std::span<const ExaminedLine> lines, std::size_t current);
  // Notes what a line of text taken leaves for the next: no blank before it, text seen, a closing colon.
  void NoteTextLine(std::string_view body);
  void ProcessContent(const LineFacts& line, bool plain);
  // True for a line that can only go on the open paragraph or list item's text.
  bool GoesOnText(const LineFacts& line) const;
  // True while the open paragraph or list item's text may go on: not after a blank line or a colon.
  bool GoesOnOpenText() const {
    return (leaf_ == Leaf::Paragraph || leaf_ == Leaf::ItemText) && !afterBlank_ && !leadColon_ && !termsOpen_;
  }
  // A heading marked as one (underlined, overlined, opened with "#"), else one by its place.
  bool TakeHeading(const LineFacts& line, bool plain);
  // A heading by its place: a line set apart by blank lines, centred, capitals, outdented.
  bool TakeSetApartHeading(const LineFacts& line, bool plain);
  // A heading that may stand straight over text or go on over more lines: a title at the top,
  // a question, a centred pair of lines, a git log's entry.
  bool TakeHeadingOverText(const LineFacts& line, bool plain);
  // A question of a list of questions and answers, on up to three lines.
  bool TakeQuestion(const LineFacts& line, bool plain);
  // The current line's text and the `count` - 1 lines after it, joined by spaces; `plain`
  // is cleared unless each of them is plain.
  std::string_view JoinedLines(std::string_view body, std::size_t count, bool& plain);
  // A heading by the document's habits: a numbered question, a short capitalised line over a paragraph.
  bool TakeHabitualHeading(const LineFacts& line, bool plain);
  bool TakeBlockStart(const LineFacts& line, bool plain);
  // A block of header fields: a mail's or a MIME part's headers, fields opening the text, a
  // stanza of a file of fields.
  bool TakeHeaderBlock(const LineFacts& line, bool plain);
  // Opens a block kept as typed (`leaf`, its lines indented from `indent`) with this line; true.
  bool OpenTyped(const LineFacts& line, bool plain, Leaf leaf, std::size_t indent);
  // True when a line indented past `codeIndent` starts code here, not an indented paragraph.
  bool IndentedAsCode(const LineFacts& line, const LineFacts& after, std::size_t codeIndent) const;
  bool ContinueLeaf(const LineFacts& line, bool plain);
  void TakeListItem(const LineShape& shape, const ListMarker& marker, bool plain);
  bool TakeTerm(const LineFacts& line, bool plain);
  void TakeText(const LineShape& shape, bool plain);
  void Blank();
  void SetQuoteDepth(std::size_t depth);
  void CloseLeaf();
  void CloseLists(std::size_t keep);
  void CloseTerms();
  // Closes the open text block, terms and every list.
  void CloseAllBlocks();
  // Closes the open text block and terms, and the lists a block at `indent` is not inside.
  void CloseBlocksOutside(std::size_t indent);
  // `marked`: the level is the line's own ("##"), not its style's place in the document.
  void EmitHeading(int level, std::string_view text, bool plain, bool marked = false);
  int StyleLevel(char style);
  // The held line `ahead` of the current one.
  Held& HeldAt(std::size_t ahead) { return held_[(first_ + ahead) & (kHeld - 1)]; }
  // The facts of the line `ahead` of the current one; a blank line's when there is
  // none or it is quoted to another depth.
  const LineFacts& Next(std::size_t ahead) const;
  bool NextIsBlank(std::size_t ahead) const;

  TextHabits habits_;
  std::array<bool, 256> furnitureStarts_{};  // the bytes a furniture key starts with ("#" for a digit)
  BlockEvents& events_;
  std::array<Held, kHeld> held_;  // a ring: the current line and up to two after it
  std::size_t first_ = 0;         // the current line's place in the ring
  std::size_t heldCount_ = 0;
  Held current_;                  // the current line again when it holds form feeds
  const ExaminedLine* ahead_ = nullptr;  // the current line, whose text may have been rendered ahead
  LineFacts blank_;               // what Next gives for a line not there or quoted to another depth
  std::size_t skip_ = 0;        // held lines already taken (an underline) to drop
  std::size_t quoteDepth_ = 0;
  std::vector<ListFrame> lists_;
  Leaf leaf_ = Leaf::None;
  std::string fence_;
  std::size_t leafIndent_ = 0;  // the code block's, table's or term's indent
  bool termsOpen_ = false;
  bool afterBlank_ = true;      // the line before was blank (or the document starts here)
  std::size_t pendingBlanks_ = 0;  // blank lines inside a code block, written once it goes on
  bool sawText_ = false;        // a block has been written
  bool leadColon_ = false;      // the last text line ended with a colon
  bool mailHeaders_ = false;    // the last header block opened with a mail's or news article's header
  bool headersAbove_ = false;   // the block above (blank lines between) was a mail's header block
  bool partStart_ = false;      // a MIME part's boundary came after the last text line: its headers may follow
  bool pageStart_ = false;      // a page break came after the last text line
  bool printable_ = false;      // the current line holds only printable ASCII and TAB
  std::string joined_;          // a heading's lines (a question's, a title's), joined
  std::array<char, 8> styles_{};  // heading styles in the order the document first used them
  std::size_t styleCount_ = 0;
  int lastLevel_ = 1;
  bool titleDropped_ = false;
  bool markedTitle_ = false;    // the title was marked as a first-level heading ("# Title")
};

}  // namespace scrivane
