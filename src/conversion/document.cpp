// The document's option rules (list tags, separators, the effective font size)
// and the order in which a document is written.
#include "document.h"

#include <charconv>
#include <limits>

#include "byte_rules.h"

namespace scrivane {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

}  // namespace

std::string ListTagFor(std::string_view listType) {
  const std::string lower = Lower(listType);
  if (lower == "unordered") return "UL";
  if (lower == "ordered") return "OL";
  return {};
}

std::string SeparatorFor(std::string_view name) {
  const std::string lower = Lower(name);
  for (const NamedSeparator& named : kNamedSeparators) {
    if (lower == named.name) return std::string(named.text);
  }
  return std::string(name);
}

void DocumentWriter::Begin() {
  if (options_.format != OutputFormat::Structured) {
    page_->WriteHead();
    page_->OpenBody();
    return;
  }
  // The head waits for the document's habits: its title may name the page.
  structuredPage_ = std::make_unique<StructuredPage>(options_, *page_, sink_);
  structured_ = std::make_unique<StructuredText>(
      *structuredPage_, [this](const TextHabits& habits, const std::vector<ContentsEntry>& headings) {
        page_->UseDocumentTitle(habits.title);
        page_->WriteHead();
        page_->OpenBody();
        structuredPage_->WriteContents(headings);
      },
      page_->ShowsDocumentTitle());
}

void DocumentWriter::End() {
  if (structured_) structured_->Finish();
  page_->CloseBody();
  page_->WriteFoot();
}

std::string EffectiveFontSize(const ConversionOptions& options) {
  if (options.format != OutputFormat::OriginalFormat) return options.fontSize;
  if (options.fontSize.empty()) return options.fontFace.empty() ? "" : "+1";
  // A whole number, signed or not, goes up by one; any other text is kept as typed.
  const std::string& size = options.fontSize;
  const char* first = size.data() + (size[0] == '+' ? 1 : 0);
  const char* last = size.data() + size.size();
  long value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return size;
  if (value == std::numeric_limits<long>::max()) return size;  // one more has no value
  return std::to_string(value + 1);
}

}  // namespace scrivane
