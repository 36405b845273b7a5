// One HTML document: the page wrapper around the body of the chosen format.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "page_plan.h"
#include "page_writer.h"
#include "sink.h"
#include "structured_page.h"
#include "structured_text.h"

namespace scrivane {

// Writes a document line by line into a sink.
class DocumentWriter {
 public:
  // The plan must outlive the writer; the list format's plan names a list kind.
  // `tableColumns`: the widest row of a table whose rows must be even, so that
  // every row fills it; 0 while it is not known (then a row of another width
  // throws UnevenTable).
  DocumentWriter(const PagePlan& plan, DocumentSink& sink, std::size_t tableColumns = 0)
      : plan_(plan), sink_(sink), page_(MakePageWriter(plan, sink, tableColumns)) {}
  DocumentWriter(PagePlan&&, DocumentSink&, std::size_t = 0) = delete;  // a plan made on the spot would not outlive it

  // Writes the page head, the opening wrappers and the format's opening markup
  // (structured text: once the start of the text has shown its title).
  void Begin();
  // Writes one input line (UTF-8, without its line end) as the format requires.
  // `plain` promises that no word of it needs escaping or linking; `printable`
  // that it holds only printable ASCII and TAB.
  void AddLine(std::string_view line, bool plain = false, bool printable = false) {
    if (structured_) return structured_->Add(line, plain);
    page_->AddLine(line, plain, printable);
  }
  // True when AddPlainLines writes stretches of plain lines in one go.
  bool TakesPlainLines() const { return !structured_ && page_->TakesPlainLines(); }
  // Writes whole lines, each ending in LF, that need no escaping or linking and
  // hold no byte above 127 (LineScanner::NextPlainLines).
  void AddPlainLines(std::string_view lines) { page_->AddPlainLines(lines); }
  // Structured text: writes input lines examined beforehand (ExaminedLine);
  // `keeper` keeps the lines and their text in place until they are written.
  void AddExamined(std::span<const ExaminedLine> lines, const std::shared_ptr<const void>& keeper) {
    structured_->Add(lines, keeper);
  }
  // Structured text: renders a line's text ahead, on any thread, as its block's
  // line would be written (PageWriter::RenderBlockTextAhead).
  bool RenderAhead(std::string_view text, bool plain, bool printable, std::string& out) const {
    return page_->RenderBlockTextAhead(text, plain, printable, out);
  }
  // Structured text: true when a line's text is written as it is (PageWriter::WritesBlockTextAsTyped).
  bool WritesAsTyped(std::string_view text, bool plain, bool printable) const {
    return page_->WritesBlockTextAsTyped(text, plain, printable);
  }
  // Writes the closing markup, the closing wrappers and the page foot.
  void End();

  // Where the input stands after the lines written so far.
  LineContext Context() const { return page_->Context(); }
  // Goes on after lines written by another writer (a block converted elsewhere).
  void Resume(const LineContext& context) { page_->Resume(context); }

 private:
  const PagePlan& plan_;
  DocumentSink& sink_;
  std::unique_ptr<PageWriter> page_;
  std::unique_ptr<StructuredPage> structuredPage_;  // structured text's blocks, written through page_
  std::unique_ptr<StructuredText> structured_;      // structured text's reader; null for the other formats
};

}  // namespace scrivane
