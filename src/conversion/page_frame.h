// The page frame both page styles share: attributes, blank trimming, the
// footer's lines and the credit lines of a page's foot.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace scrivane {

// The blanks trimmed from the ends of a typed footer in the classic document.
inline constexpr std::string_view kLineBlanks = " \t\r\n";
// HTML's white space: line blanks and the form feed.
inline constexpr std::string_view kHtmlBlanks = " \t\r\n\f";

// ` name="value"` with the value escaped so that it cannot end the attribute;
// nothing when the value is empty.
std::string Attribute(std::string_view name, std::string_view value);

// `text` without the `blanks` at either end.
std::string_view TrimBlanks(std::string_view text, std::string_view blanks);

// The footer text a new form holds: a prompt to replace, never written into a page.
inline constexpr std::string_view kFooterPrompt = "Enter your footer here";

// True for the texts the footer box shows until the user writes a footer.
bool IsFooterPlaceholder(std::string_view footer);

// The footer the user wrote, trimmed of `blanks`; "" when there is none or it is a placeholder.
std::string_view UserFooter(std::string_view footer, std::string_view blanks);

// Text typed over several lines cut at each CR LF, CR or LF; always at least one line.
std::vector<std::string_view> TypedLines(std::string_view text);

// The markup a page style gives the credit at the end of its foot.
struct CreditMarkup {
  std::string_view open;       // before the credit's first words
  std::string_view version;    // between the program's name and its version
  std::string_view anchor;     // an anchor's opening up to its address: "<a href=\""
  std::string_view anchorEnd;  // the anchor's closing tag
  std::string_view lineBreak;  // ends the first two lines
  std::string_view close;      // after the date
};

// The credit's three lines: who made the page with what, the maker's home page, the date.
// `program` and `date` are written as given (already escaped where the style needs it).
std::array<std::string, 3> CreditLines(const CreditMarkup& markup, std::string_view program, std::string_view date);

}  // namespace scrivane
