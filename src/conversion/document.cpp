// The order in which a document is written: head, body, foot, and for
// structured text the head held back until the start of the text is read.
#include "document.h"

namespace scrivane {

void DocumentWriter::Begin() {
  if (plan_.format != OutputFormat::Structured) {
    page_->WriteHead();
    page_->OpenBody();
    return;
  }
  // The head waits for the document's habits: its title may name the page.
  structuredPage_ = std::make_unique<StructuredPage>(plan_, *page_, sink_);
  structured_ = std::make_unique<StructuredText>(
      *structuredPage_, [this](const TextHabits& habits, const std::vector<ContentsEntry>& headings) {
        page_->UseDocumentTitle(habits.title);
        page_->WriteHead();
        page_->OpenBody();
        structuredPage_->WriteContents(headings);
      },
      plan_.showsDocumentTitle);
}

void DocumentWriter::End() {
  if (structured_) structured_->Finish();
  page_->CloseBody();
  page_->WriteFoot();
}

}  // namespace scrivane
