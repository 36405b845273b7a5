// The page frame both page styles share.
#include "page_frame.h"

#include "markup.h"
#include "product.h"

namespace scrivane {

std::string Attribute(std::string_view name, std::string_view value) {
  if (value.empty()) return {};
  std::string attribute = " ";
  attribute.append(name).append("=\"");
  AppendEscaped(attribute, value);
  attribute.push_back('"');
  return attribute;
}

std::string_view TrimBlanks(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsFooterPlaceholder(std::string_view footer) {
  // The prompt, and the longer one older versions of the form held.
  return footer == kFooterPrompt || footer == "Enter your footer here icluding any html tags.";
}

std::string_view UserFooter(std::string_view footer, std::string_view blanks) {
  const std::string_view trimmed = TrimBlanks(footer, blanks);
  return IsFooterPlaceholder(trimmed) ? std::string_view() : trimmed;
}

std::vector<std::string_view> TypedLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
    lines.push_back(text.substr(start, end - start));
    if (end == text.size()) return lines;
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
}

std::array<std::string, 3> CreditLines(const CreditMarkup& markup, std::string_view program, std::string_view date) {
  const auto link = [&](std::string_view address, std::string_view text) {
    return std::string(markup.anchor).append(address).append("\">").append(text).append(markup.anchorEnd);
  };
  return {std::string(markup.open).append(program).append(markup.version).append(kVersionText).append(" by ") +
              link(std::string("mailto:") + kMakerMail, kMakerName) + std::string(markup.lineBreak),
          link(kMakerHomePage, kMakerHomePage) + std::string(markup.lineBreak),
          std::string("Date: ").append(date).append(markup.close)};
}

}  // namespace scrivane
