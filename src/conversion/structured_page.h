// Structured text written as a page: the block events of the builder become
// the elements of the page's style. This file decides which elements are
// written and where output lines end; the page writer of the style writes
// each element's markup (its structured-text element methods).
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "page_plan.h"
#include "page_writer.h"
#include "sink.h"
#include "structured_text.h"

namespace scrivane {

// Writes the blocks of a structured text through a page writer.
class StructuredPage final : public BlockEvents {
 public:
  // `plan`, `page` and `sink` must outlive this; `page` writes into `sink`.
  StructuredPage(const PagePlan& plan, PageWriter& page, DocumentSink& sink);

  // Writes a table of contents of the headings, when the plan asks for one.
  void WriteContents(const std::vector<ContentsEntry>& headings);

  void Heading(int level, std::string_view text, bool plain) override;
  void Open(BlockKind block, long number) override;
  void Line(std::string_view text, bool plain, bool printable) override;
  void RenderedLine(std::string_view text, std::string_view html, bool plain, bool printable) override;
  void RenderedLines(std::span<const ExaminedLine> lines) override;
  void Close(BlockKind block) override;
  void Rule() override;

 private:
  // Ends the output line when text stands on it.
  void EndOpenLine();
  // Ends the block's line before (with a break when line breaks are kept) for its next line.
  void StartBlockLine();
  // Writes running text, with inline marks when the plan asks for them.
  void WriteText(std::string_view text, bool plain, bool printable);

  const PagePlan& plan_;
  PageWriter& page_;
  DocumentSink& sink_;
  bool lineOpen_ = false;   // text stands on the current output line
  bool atStart_ = false;    // the innermost block has no line yet
  bool inPre_ = false;      // the innermost block keeps its lines as typed
  HeadingIds ids_;
};

}  // namespace scrivane
