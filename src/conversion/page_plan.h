// The page plan: what one run's page needs, read from the options once when the
// run starts and handed to everything that writes the page. Below the run only
// the plan is read: no writer names a list type, a separator or a font size from
// typed text, or decides the page style for itself.
#pragma once

#include <string>
#include <string_view>

#include "conversion.h"

namespace scrivane {

// A separator the table format knows by name, and the text between fields it stands for.
struct NamedSeparator {
  std::string_view name;
  std::string_view text;
};
// The named separators, in the order the window offers them; any other separator is itself.
inline constexpr NamedSeparator kNamedSeparators[] = {{"comma", ","}, {"tab", "\t"}, {"semi-colon", ";"}};

// The look of the page: the classic document or the modern HTML5 page.
enum class PageStyle { Classic, Modern };

// How the list format marks its items; None when the list type names neither.
enum class ListKind { None, Unordered, Ordered };

// The texts the page shows as the user typed them, escaped or checked where they are written.
struct PageTexts {
  std::string title;      // the page's title and banner, as HTML
  std::string footer;     // the user's footer trimmed as the style trims it; "" for none or a prompt
  std::string fontFace;   // the body's font faces
  std::string fontColor;  // the body text's colour
  std::string bgColor;    // the page's background colour
  std::string bgImage;    // the page's background image
  std::string textColor;  // the page's text colour
  std::string charSet;    // the character set the classic head declares
  std::string formId;     // names the selection box's form
  std::string target;     // the window the Go button opens a link in
  std::string progName;   // the program the credit names
  std::string dateText;   // the foot's date and time, as shown
  std::string dateTime;   // the same date as ISO 8601
  std::string language;   // the modern page's language tag ("en" when the typed one is not a tag)
};

// What one run's page needs, resolved from its options.
struct PagePlan {
  PageStyle style = PageStyle::Classic;       // which page writer writes the page
  OutputFormat format = OutputFormat::Smart;  // the body's format
  LinkOptions links;                          // the link rules; a modern page always takes the modern ones
  ListKind list = ListKind::None;             // the list format numbers its items or not
  std::string separator;                      // the text between table fields; "" makes a line one field
  std::string fontSize;                       // the body font's size as written; "" for none
  bool keepsInputEncoding = true;             // the document may be written in the input's encoding
  bool webPage = true;                        // a free-standing page rather than a fragment
  bool showsDocumentTitle = false;            // the banner shows the document's own title, none being typed
  bool centre = false;                        // the body is centred
  bool goButton = false;                      // the selection box has a Go button
  bool headerRow = false;                     // a modern table's first row is its column headings
  bool contents = false;                      // structured text: a table of contents of the headings
  bool keepLineBreaks = false;                // structured text: a paragraph's lines stay lines
  bool inlineMarks = false;                   // structured text: *strong*, _emphasis_ and `code` marked up
  PageTexts texts;                            // what the page shows as typed
};

// The plan of a run with these options.
PagePlan PlanPage(const ConversionOptions& options);

// The list kind a list type names, compared lower-case.
ListKind ListKindFor(std::string_view listType);

// The text between table fields for a separator name ("comma", "tab", "semi-colon"
// or the text itself); "" means the whole line is one field.
std::string SeparatorFor(std::string_view name);

}  // namespace scrivane
