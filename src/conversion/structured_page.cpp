// Blocks that hold other blocks (lists, term lists, quotes) have their tags on
// lines of their own; a text block's first line follows its opening tag.
// Running text keeps the input's line ends (a space to the browser) or, when
// line breaks are kept, a break element before each.
#include "structured_page.h"

#include <algorithm>
#include <cstring>

#include "render.h"

namespace scrivane {
namespace {

// True for the blocks that hold other blocks rather than text.
bool IsContainer(BlockKind block) {
  switch (block) {
    case BlockKind::BulletList:
    case BlockKind::NumberList:
    case BlockKind::LetterList:
    case BlockKind::RomanList:
    case BlockKind::Terms:
    case BlockKind::Quote: return true;
    default: return false;
  }
}

// True when the text holds a word the link rules make a link of.
bool HoldsLink(std::string_view text, bool plain, const LinkOptions& links) {
  if (plain) return false;
  Link link;
  std::size_t wordStart = 0, wordEnd = 0;
  return FindFirstLink(text, links, link, wordStart, wordEnd);
}

}  // namespace

StructuredPage::StructuredPage(const PagePlan& plan, PageWriter& page, DocumentSink& sink)
    : plan_(plan), page_(page), sink_(sink) {}

void StructuredPage::EndOpenLine() {
  if (!lineOpen_) return;
  sink_.EndLine();
  lineOpen_ = false;
}

void StructuredPage::WriteContents(const std::vector<ContentsEntry>& headings) {
  if (!plan_.contents || headings.empty()) return;
  HeadingIds ids;  // gives the headings the identifiers the page will give them
  page_.OpenContents();
  page_.OpenBlock(BlockKind::BulletList, 1);
  sink_.EndLine();
  const int base = headings.front().level;
  int depth = 1;
  for (std::size_t i = 0; i < headings.size(); ++i) {
    const int wanted = i == 0 ? 1 : std::clamp(headings[i].level - base + 1, 1, depth + 1);
    if (i > 0 && wanted > depth) {
      page_.OpenBlock(BlockKind::BulletList, 1);
      ++depth;
    } else if (i > 0) {
      page_.CloseBlock(BlockKind::Item);
      sink_.EndLine();
      for (; depth > wanted; --depth) {
        page_.CloseBlock(BlockKind::BulletList);
        page_.CloseBlock(BlockKind::Item);
        sink_.EndLine();
      }
    }
    page_.OpenBlock(BlockKind::Item, 0);
    page_.OpenHeadingLink(ids.Next(headings[i].text));
    page_.WriteUnlinkedText(headings[i].text);
    page_.CloseHeadingLink();
  }
  page_.CloseBlock(BlockKind::Item);
  sink_.EndLine();
  for (; depth > 1; --depth) {
    page_.CloseBlock(BlockKind::BulletList);
    page_.CloseBlock(BlockKind::Item);
    sink_.EndLine();
  }
  page_.CloseBlock(BlockKind::BulletList);
  sink_.EndLine();
  page_.CloseContents();
}

void StructuredPage::Heading(int level, std::string_view text, bool plain) {
  EndOpenLine();
  page_.OpenHeading(level, ids_.Next(text), HoldsLink(text, plain, plan_.links));
  WriteText(text, plain, false);
  page_.CloseHeading(level);
  sink_.EndLine();
}

void StructuredPage::Open(BlockKind block, long number) {
  EndOpenLine();
  page_.OpenBlock(block, number);
  inPre_ = block == BlockKind::Code || block == BlockKind::Headers;
  atStart_ = true;
  if (IsContainer(block)) {
    sink_.EndLine();
  } else {
    lineOpen_ = true;
  }
}

void StructuredPage::StartBlockLine() {
  if (!atStart_) {
    if (!inPre_ && plan_.keepLineBreaks) page_.WriteLineBreak();
    sink_.EndLine();
  }
  atStart_ = false;
}

void StructuredPage::RenderedLine(std::string_view text, std::string_view html, bool plain, bool printable) {
  // Inline marks cut the text into pieces rendered one by one: such text is written here.
  if (!inPre_ && plan_.inlineMarks && text.find_first_of("*_`") != std::string_view::npos) {
    return Line(text, plain, printable);
  }
  StartBlockLine();
  sink_.Text().append(html);
  lineOpen_ = true;
}

void StructuredPage::RenderedLines(std::span<const ExaminedLine> lines) {
  // Lines with inline marks or breaks between them are written one by one; others are their HTML.
  if (inPre_ || plan_.inlineMarks || plan_.keepLineBreaks) return BlockEvents::RenderedLines(lines);
  // Copied in place at once: the text pending may pass the sink's flush size by these lines,
  // which go out with the next line end.
  const std::string_view lineEnd = sink_.LineEnd();
  std::size_t bytes = 0;
  for (const ExaminedLine& line : lines) bytes += lineEnd.size() + line.html.size();
  std::string& text = sink_.Text();
  std::size_t at = text.size();
  text.resize(at + bytes);
  char* out = text.data();
  // A line end is LF or CR LF: its first and last byte, which are one for LF.
  const char endFirst = lineEnd.front(), endLast = lineEnd.back();
  for (const ExaminedLine& line : lines) {
    if (atStart_) {
      atStart_ = false;
    } else {
      out[at] = endFirst;
      out[at + lineEnd.size() - 1] = endLast;
      at += lineEnd.size();
    }
    std::memcpy(out + at, line.html.data(), line.html.size());
    at += line.html.size();
  }
  text.resize(at);
  lineOpen_ = true;
}

void StructuredPage::Line(std::string_view text, bool plain, bool printable) {
  StartBlockLine();
  if (inPre_) {
    page_.WriteBlockText(text, plain, printable);  // kept as typed: no inline marks
  } else {
    WriteText(text, plain, printable);
  }
  lineOpen_ = true;
}

void StructuredPage::Close(BlockKind block) {
  if (IsContainer(block)) EndOpenLine();
  page_.CloseBlock(block);
  sink_.EndLine();
  lineOpen_ = false;
  inPre_ = false;
  atStart_ = false;
}

void StructuredPage::Rule() {
  EndOpenLine();
  page_.WriteRule();
  sink_.EndLine();
}

void StructuredPage::WriteText(std::string_view text, bool plain, bool printable) {
  if (!plan_.inlineMarks || text.find_first_of("*_`") == std::string_view::npos) {
    return page_.WriteBlockText(text, plain, printable);
  }
  std::size_t done = 0;
  for (const InlineMark& mark : FindInlineMarks(text)) {
    page_.WriteBlockText(text.substr(done, mark.start - done), plain, printable);
    page_.OpenMark(mark.mark);
    page_.WriteBlockText(text.substr(mark.start + 1, mark.end - mark.start - 2), plain, printable);
    page_.CloseMark(mark.mark);
    done = mark.end;
  }
  page_.WriteBlockText(text.substr(done), plain, printable);
}

}  // namespace scrivane
