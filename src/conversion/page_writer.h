// A page writer: one page style's markup for the page head, each line of the
// body's format, and the page foot. The classic and modern styles each have
// one writer (classic_page.cpp, modern_page.cpp) over the shared page frame
// (page_frame.h); nothing outside them knows which style is being written.
//
// A format adds one case to each style's OpenBody, AddLine and CloseBody. A
// format whose lines make blocks (headings, nested lists) keeps its parsing in
// one shared file that calls element methods declared here and written once
// per style, as the index page's are.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "page_plan.h"
#include "render.h"
#include "sink.h"
#include "structure_blocks.h"

namespace scrivane {

// What a document carries from one input line to the next.
struct LineContext {
  bool afterText = false;     // the line before held text (a paragraph is open)
  bool rowsBefore = false;    // a table row has been written
  std::size_t rowWidth = 0;   // the fields of every table row so far, while the widest is not known
};

// Thrown by a table whose width is not known when a row differs from the others
// and the style needs every row equally wide.
struct UnevenTable {};

// Splits a table line into fields as spreadsheet text does (quoted fields may
// hold the separator; "" in them is one quote). Fields are views into the line,
// or into `unquoted` for quoted fields.
void SplitFields(std::string_view line, const std::string& separator, std::string& unquoted,
                 std::vector<std::string_view>& fields);

// One entry of a folder's index page, its texts ready to write (escaped).
struct IndexEntry {
  std::string href{};    // the address, relative to the index
  std::string name{};    // the shown name or title
  std::string size{};    // documents: "1.5 KiB"
  std::string date{};    // documents: the local date and time
  std::string dateTime{};  // documents: the same as a machine-readable date
};

// A folder's index page: links to its parent and sub-folders, a table of its documents.
struct IndexListing {
  std::string title;  // escaped
  bool hasParent = false;
  std::vector<IndexEntry> folders;
  std::vector<IndexEntry> documents;
};

// How a page writes each line of text that needs no escaping or linking: the
// line between a prefix and a suffix (which ends the output line), or, when it
// is empty, as a line of its own. Each piece is at most eight bytes, kept in a
// field of eight so that it is copied with one store.
struct LineWrapping {
  struct Piece {
    std::array<char, 8> bytes{};
    std::size_t size = 0;
    std::string_view View() const { return {bytes.data(), size}; }
  };
  // The wrapping of these pieces (each at most eight bytes).
  static LineWrapping Of(std::string_view prefix, std::string_view suffix, std::string_view empty);
  Piece prefix;
  Piece suffix;
  Piece empty;
};

// Writes one page style into a sink. The body's text goes through the shared
// renderer (escaping and links); everything around it is the style's own.
class PageWriter {
 public:
  // The plan and the sink must outlive the writer.
  PageWriter(const PagePlan& plan, DocumentSink& sink);
  virtual ~PageWriter() = default;
  PageWriter(const PageWriter&) = delete;  // drain_ points back at this writer
  PageWriter& operator=(const PageWriter&) = delete;

  // The page head and the wrappers opened before the body (none for a fragment).
  virtual void WriteHead() = 0;
  // The format's opening markup.
  virtual void OpenBody() = 0;
  // One input line (UTF-8, without its line end) as the format requires.
  // `plain` promises that no word of it needs escaping or linking; `printable`
  // that it holds only printable ASCII and TAB.
  virtual void AddLine(std::string_view line, bool plain, bool printable) = 0;
  // True when AddPlainLines writes a stretch of plain lines in one go.
  virtual bool TakesPlainLines() const { return false; }
  // Whole lines, each ending in LF, that need no escaping or linking and hold no
  // byte above 127 (LineScanner::NextPlainLines), each written as AddLine would.
  virtual void AddPlainLines(std::string_view lines);
  // The format's closing markup.
  virtual void CloseBody() = 0;
  // The wrappers closed after the body and the page foot.
  virtual void WriteFoot() = 0;

  // Where the input stands after the lines written so far.
  virtual LineContext Context() const { return {}; }
  // Goes on after lines written by another writer (a block converted elsewhere).
  virtual void Resume(const LineContext&) {}

  // A whole index page of a folder, in this style.
  virtual void WriteIndex(const IndexListing& listing) = 0;

  // The page's title and banner become the document's own (plain text), when
  // the plan shows the document's title. Called before WriteHead.
  void UseDocumentTitle(std::string_view text);

  // Structured text's elements (structured_page.cpp decides which and where
  // lines end). Each appends its markup to the pending output line.
  // A block's opening tag; `start`: a list's first number, when not 1.
  virtual void OpenBlock(BlockKind block, long start) = 0;
  // A block's closing tag.
  virtual void CloseBlock(BlockKind block) = 0;
  // A heading's opening tag; `id` is its unique fragment identifier.
  // `linked`: the heading's text holds links (and so can be inside no link itself).
  virtual void OpenHeading(int level, std::string_view id, bool linked) = 0;
  // A heading's closing tag.
  virtual void CloseHeading(int level) = 0;
  // A thematic break.
  virtual void WriteRule() = 0;
  // A line break kept inside running text.
  virtual void WriteLineBreak() = 0;
  // Opens an inline mark: '*' strong, '_' emphasis, '`' code.
  virtual void OpenMark(char mark) = 0;
  // Closes an inline mark.
  virtual void CloseMark(char mark) = 0;
  // The lines before a table of contents' list.
  virtual void OpenContents() = 0;
  // The lines after a table of contents' list.
  virtual void CloseContents() = 0;
  // Opens a link to the heading with this fragment identifier.
  virtual void OpenHeadingLink(std::string_view id) = 0;
  // Closes a link to a heading.
  virtual void CloseHeadingLink() = 0;
  // Text of a block, escaped and linked as the style writes body text; `printable`
  // promises that it holds only printable ASCII and TAB.
  virtual void WriteBlockText(std::string_view text, bool plain, bool /*printable*/) { WriteText(text, plain); }
  // Text of a block escaped but never linked, for text inside a link of the page's own.
  virtual void WriteUnlinkedText(std::string_view text) { AppendEscaped(sink_.Text(), text); }
  // True when WriteBlockText would write the text as it is: plain text, short
  // enough for one piece, that the style need not clean. Safe on any thread.
  virtual bool WritesBlockTextAsTyped(std::string_view text, bool plain, bool /*printable*/) const {
    return plain && text.size() <= kTextPiece;
  }
  // Renders a block's text ahead, on any thread (it changes nothing in the writer),
  // appending to `out` what WriteBlockText would write for it. False, with nothing
  // appended, for text the writer must write itself: text the style cleans first,
  // or text long enough to go out in pieces.
  virtual bool RenderBlockTextAhead(std::string_view text, bool plain, bool printable, std::string& out) const;

 protected:
  // Writes body text escaped and linked, or as it is when `plain`.
  void WriteText(std::string_view text, bool plain) {
    if (plain && text.size() <= kTextPiece) {
      sink_.Text().append(text);  // the common case, without a call
    } else {
      WriteLongOrMarkedText(text, plain);
    }
  }
  // WriteText's case of text to escape and link, or too long for one piece.
  void WriteLongOrMarkedText(std::string_view text, bool plain);
  // Writes plain lines, each ending in LF, as `wrapping` says, copying sixteen
  // bytes at a time where the processor allows.
  void WriteWrappedLines(std::string_view lines, const LineWrapping& wrapping);
  // Finds the line's first link into link_ and its other words into label_; false without one.
  bool TakeOptionLink(std::string_view line);
  // The option's label: label_ escaped, or the link's text when the line has no other words.
  void AppendOptionLabel(std::string& out);

  // Body text longer than this goes out in pieces (see WriteLongOrMarkedText).
  static constexpr std::size_t kTextPiece = 256 * 1024;

  const PagePlan& plan_;
  DocumentSink& sink_;
  std::vector<std::string_view> fields_;
  std::string unquoted_;
  Link link_;
  std::string label_;    // the option line's words but its link
  std::string title_;    // the page's title and banner as HTML: the option's, or the document's own
  DrainFunction drain_;  // flushes the sink in the middle of a giant word
};

// The writer of the plan's page style. `tableColumns`: the widest row of a
// table, when the style needs it (0 while it is not known).
std::unique_ptr<PageWriter> MakePageWriter(const PagePlan& plan, DocumentSink& sink, std::size_t tableColumns = 0);

// The classic document: upper-case HTML of its time, font and centring wrappers.
std::unique_ptr<PageWriter> MakeClassicPageWriter(const PagePlan& plan, DocumentSink& sink);
// The modern page: HTML5 with landmarks and one style element.
std::unique_ptr<PageWriter> MakeModernPageWriter(const PagePlan& plan, DocumentSink& sink, std::size_t tableColumns);

}  // namespace scrivane
