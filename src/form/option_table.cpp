// The option table: every option of the form, declared once. The settings
// store, scrivane-convert's parser and --help, the window and the library are
// driven from these rows; adding an option is one row (plus its widget).
#include <array>

#include "form.h"
#include "page_frame.h"
#include "page_plan.h"

namespace scrivane {
namespace {

// Leading and trailing spaces removed (only spaces, as the text boxes are trimmed).
std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// How a row's value goes into the engine's options.
template <bool LinkOptions::*Target>
void LinkTicked(const FormState& form, const OptionRow& row, ConversionOptions& options) {
  options.links.*Target = row.Number(form) == kChecked;
}

template <bool ConversionOptions::*Target>
void Ticked(const FormState& form, const OptionRow& row, ConversionOptions& options) {
  options.*Target = row.Number(form) == kChecked;
}

template <std::string ConversionOptions::*Target>
void Copied(const FormState& form, const OptionRow& row, ConversionOptions& options) {
  options.*Target = row.Text(form);
}

template <std::string ConversionOptions::*Target>
void Trimmed(const FormState& form, const OptionRow& row, ConversionOptions& options) {
  options.*Target = TrimSpaces(row.Text(form));
}

constexpr std::array<std::string_view, kFormatCount> kFormatFlags{"smart", "linefeeds", "pre", "list", "table", "select",
                                                                  "structured"};
constexpr std::array<std::string_view, 2> kListTypes{"ordered", "unordered"};
// The values the window's option box lists.
constexpr std::array<std::string_view, 2> kOfferedListTypes{"Unordered", "Ordered"};
constexpr std::array<std::string_view, 4> kTargets{"_blank", "_parent", "_self", "_top"};
constexpr auto kSeparatorNames = [] {
  std::array<std::string_view, std::size(kNamedSeparators)> names{};
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = kNamedSeparators[i].name;
  return names;
}();
// The formats whose lines may hold links (a selection box's lines are links already).
constexpr unsigned kLinkFormats = kEveryFormat & ~FormatBit(OutputFormat::SelectionBox);
// The formats that can be centred.
constexpr unsigned kCentredFormats = FormatBit(OutputFormat::Smart) | FormatBit(OutputFormat::OriginalLinefeeds) |
                                     FormatBit(OutputFormat::SelectionBox);

using enum OptionKind;
using enum SaveTime;

constexpr std::array kOptions{
    OptionRow{.key = "Input", .kind = Index, .field = &FormState::input, .defaultValue = "0", .highest = kFile,
              .saved = AtOnce, .control = "optInput"},
    OptionRow{.key = "Output", .kind = Index, .field = &FormState::output, .defaultValue = "0", .highest = kFile,
              .saved = AtOnce, .control = "optOutput"},
    OptionRow{.key = "OutFormat", .kind = Index, .field = &FormState::outFormat, .defaultValue = "0",
              .highest = kFormatCount - 1, .saved = AtOnce, .control = "cmbFormat", .flag = "format",
              .valueName = "FORMAT", .help = "Body format: smart (default), linefeeds, pre, list, table, select or structured.",
              .choices = kFormatFlags,
              .apply = [](const FormState& form, const OptionRow&, ConversionOptions& options) {
                options.format = FormatAt(form.outFormat);
              }},
    OptionRow{.key = "ListType", .kind = Text, .field = &FormState::listType, .defaultValue = "Unordered",
              .saved = AtOnce, .flag = "list-type", .valueName = "TYPE",
              .help = "List type of the list format: unordered (default) or ordered.", .choices = kListTypes,
              .apply = Copied<&ConversionOptions::listType>,
              .formats = FormatBit(OutputFormat::HtmlList), .offered = kOfferedListTypes, .caption = "List Type"},
    OptionRow{.key = "Separator", .kind = Text, .field = &FormState::separator, .defaultValue = "comma",
              .saved = AtOnce, .flag = "separator", .valueName = "TEXT",
              .help = "Cell separator of the table format: comma (default), tab, semi-colon or any text.",
              .apply = Copied<&ConversionOptions::separator>,
              .formats = FormatBit(OutputFormat::HtmlTable), .offered = kSeparatorNames,
              .caption = "Input Separator"},
    OptionRow{.key = "Target", .kind = Text, .field = &FormState::target, .defaultValue = "parent", .saved = AtOnce,
              .flag = "target", .valueName = "TARGET",
              .help = "Where the select format's Go button opens a link: _blank, _parent, _self, _top or a frame "
                      "name (default: parent).",
              .apply = Copied<&ConversionOptions::target>,
              .formats = FormatBit(OutputFormat::SelectionBox), .offered = kTargets, .caption = "Target"},
    OptionRow{.key = "ChangeWWW", .kind = TriState, .field = &FormState::changeWWW, .defaultValue = "1",
              .saved = AtOnce, .control = "chkWWW", .flag = "www", .offFlag = "no-www",
              .help = "Make www. host names links (default).", .offHelp = "Leave www. host names as text.",
              .apply = LinkTicked<&LinkOptions::changeWWW>,
              .formats = kLinkFormats},
    OptionRow{.key = "ChangeFTP", .kind = TriState, .field = &FormState::changeFTP, .defaultValue = "1",
              .saved = AtOnce, .control = "chkFTP", .flag = "ftp", .offFlag = "no-ftp",
              .help = "Make ftp. host names links (default).", .offHelp = "Leave ftp. host names as text.",
              .apply = LinkTicked<&LinkOptions::changeFTP>,
              .formats = kLinkFormats},
    OptionRow{.key = "EmailCheck", .kind = TriState, .field = &FormState::emailCheck, .defaultValue = "1",
              .saved = AtOnce, .control = "chkEmailCheck", .flag = "email", .offFlag = "no-email",
              .help = "Make e-mail addresses mailto: links (default).", .offHelp = "Leave e-mail addresses as text.",
              .apply = LinkTicked<&LinkOptions::emailCheck>,
              .formats = kLinkFormats},
    OptionRow{.key = "RemovePunctuation", .kind = TriState, .field = &FormState::removePunctuation,
              .defaultValue = "1", .saved = AtOnce, .control = "chkPunctuation", .flag = "remove-punctuation",
              .offFlag = "keep-punctuation", .help = "Keep one trailing , . : ; ? or ! out of a link (default).",
              .offHelp = "Leave trailing punctuation inside links.",
              // The box is disabled for the selection box, and a disabled box removes nothing.
              .apply = [](const FormState& form, const OptionRow& row, ConversionOptions& options) {
                options.links.removePunctuation = row.Number(form) == kChecked && row.ForFormat(FormatAt(form.outFormat));
              },
              .formats = kLinkFormats},
    OptionRow{.key = "Modern", .kind = Flag, .field = &FormState::modern, .defaultValue = "0", .saved = AtOnce,
              .control = "chkModern", .flag = "modern", .offFlag = "classic",
              .help = "Write a modern HTML5 page: valid, accessible, styled with CSS, light or dark.",
              .offHelp = "Write the classic document (default).", .apply = Ticked<&ConversionOptions::modern>},
    OptionRow{.key = "Language", .kind = Text, .field = &FormState::language, .defaultFrom = LocaleLanguage,
              .saved = AtOnce, .flag = "lang", .valueName = "TAG",
              .help = "Language of a modern page, such as en or de-CH (default: the user's locale).",
              .apply = Trimmed<&ConversionOptions::language>,
              .page = PageKind::Modern},
    OptionRow{.key = "HeaderRow", .kind = Flag, .field = &FormState::headerRow, .defaultValue = "0", .saved = AtOnce,
              .control = "chkHeaderRow", .flag = "header-row", .offFlag = "no-header-row",
              .help = "Modern pages: the table format's first row holds the column headings.",
              .offHelp = "Modern pages: every row of the table is data (default).",
              .apply = Ticked<&ConversionOptions::headerRow>,
              .formats = FormatBit(OutputFormat::HtmlTable), .page = PageKind::Modern},
    OptionRow{.key = "NewTab", .kind = Flag, .field = &FormState::newTab, .defaultValue = "0", .saved = AtOnce,
              .control = "chkNewTab", .flag = "new-tab", .offFlag = "same-tab",
              .help = "Modern pages: links open in a new tab.", .offHelp = "Modern pages: links open in the same tab (default).",
              .apply = LinkTicked<&LinkOptions::newTab>,
              .page = PageKind::Modern},
    OptionRow{.key = "NoFollow", .kind = Flag, .field = &FormState::nofollow, .defaultValue = "0", .saved = AtOnce,
              .control = "chkNoFollow", .flag = "nofollow", .offFlag = "follow",
              .help = "Modern pages: mark links rel=\"nofollow ugc\", as pages of user content should.",
              .offHelp = "Modern pages: plain links (default).", .apply = LinkTicked<&LinkOptions::nofollow>,
              .page = PageKind::Modern},
    OptionRow{.key = "Contents", .kind = Flag, .field = &FormState::contents, .defaultValue = "0", .saved = AtOnce,
              .control = "chkContents", .flag = "contents", .offFlag = "no-contents",
              .help = "Structured text: a table of contents of the headings at the top of the page.",
              .offHelp = "Structured text: no table of contents (default).",
              .apply = Ticked<&ConversionOptions::contents>,
              .formats = FormatBit(OutputFormat::Structured)},
    OptionRow{.key = "KeepLineBreaks", .kind = Flag, .field = &FormState::keepLineBreaks, .defaultValue = "0",
              .saved = AtOnce, .control = "chkLineBreaks", .flag = "line-breaks", .offFlag = "join-lines",
              .help = "Structured text: each line of a paragraph stays a line.",
              .offHelp = "Structured text: the lines of a paragraph run together (default).",
              .apply = Ticked<&ConversionOptions::keepLineBreaks>,
              .formats = FormatBit(OutputFormat::Structured)},
    OptionRow{.key = "InlineMarks", .kind = Flag, .field = &FormState::inlineMarks, .defaultValue = "0",
              .saved = AtOnce, .control = "chkInlineMarks", .flag = "inline-marks", .offFlag = "no-inline-marks",
              .help = "Structured text: *strong*, _emphasis_ and `code` become bold, italic and code, the marks "
                      "dropped (only at the edges of words).",
              .offHelp = "Structured text: such marks stay as typed (default).",
              .apply = Ticked<&ConversionOptions::inlineMarks>,
              .formats = FormatBit(OutputFormat::Structured)},
    // The window's own choice: no command-line option, nothing for the engine.
    OptionRow{.key = "DisableBanners", .kind = Flag, .field = &FormState::hideBanners, .defaultValue = "0",
              .saved = AtOnce, .control = "chkBanner"},
    // The rows below are written in the exit batch, in this order.
    OptionRow{.key = "WebPage", .kind = TriState, .field = &FormState::webPage, .defaultValue = "1",
              .control = "chkWebPage", .flag = "web-page", .offFlag = "fragment",
              .help = "Write a free-standing web page: head, title banner and foot (default).",
              .offHelp = "Write only the body and its font and centring wrappers.",
              .apply = Ticked<&ConversionOptions::webPage>},
    OptionRow{.key = "Title", .kind = Text, .field = &FormState::title, .defaultValue = kDefaultTitle,
              .control = "txtHeader", .flag = "title", .valueName = "TEXT",
              .help = "Page title and banner, as HTML (default: \"Converted by Scrivane\").",
              .apply = Copied<&ConversionOptions::title>},
    OptionRow{.key = "Centre", .kind = TriState, .field = &FormState::centre, .defaultValue = "0",
              .control = "chkCentre", .flag = "centre", .offFlag = "no-centre",
              .help = "Centre the body (smart, linefeeds and select formats).", .offHelp = "Do not centre the body (default).",
              // Centring applies to the formats that allow it only.
              .apply = [](const FormState& form, const OptionRow& row, ConversionOptions& options) {
                options.centre = row.ForFormat(FormatAt(form.outFormat)) && row.Number(form) == kChecked;
              },
              .formats = kCentredFormats},
    OptionRow{.key = "GoButton", .kind = TriState, .field = &FormState::goButton, .defaultValue = "0",
              .control = "chkButton", .flag = "go-button", .offFlag = "no-go-button",
              .help = "Add a Go button to the select format.", .offHelp = "No Go button (default).",
              .apply = Ticked<&ConversionOptions::goButton>,
              .formats = FormatBit(OutputFormat::SelectionBox)},
    OptionRow{.key = "FontFace", .kind = Text, .field = &FormState::fontFace, .defaultValue = "",
              .control = "cmbFonts", .flag = "font-face", .valueName = "NAME", .help = "Font face of the body.",
              .apply = Trimmed<&ConversionOptions::fontFace>},
    OptionRow{.key = "FontSize", .kind = Text, .field = &FormState::fontSize, .defaultValue = "",
              .control = "txtFontSize", .flag = "font-size", .valueName = "SIZE",
              .help = "Font size of the body, 1 to 7 or relative such as +1.",
              .apply = Trimmed<&ConversionOptions::fontSize>},
    OptionRow{.key = "FontColor", .kind = Colour, .field = &FormState::fontColor, .defaultValue = "",
              .control = "txtFontColor", .flag = "font-color", .valueName = "COLOUR",
              .help = "Font colour of the body, such as #000080.", .apply = Trimmed<&ConversionOptions::fontColor>},
    OptionRow{.key = "Footer", .kind = Text, .field = &FormState::footer, .defaultValue = kFooterPrompt,
              .control = "txtFooter", .flag = "footer", .valueName = "HTML",
              .help = "HTML written at the foot of a web page, before the credit lines.",
              .apply = Copied<&ConversionOptions::footer>},
    OptionRow{.key = "BGColor", .kind = Colour, .field = &FormState::bgColor, .defaultValue = "",
              .control = "txtBGColor", .flag = "bg-color", .valueName = "COLOUR",
              .help = "Background colour of the page.", .apply = Trimmed<&ConversionOptions::bgColor>},
    OptionRow{.key = "TextColor", .kind = Colour, .field = &FormState::textColor, .defaultValue = "",
              .control = "txtTextColor", .flag = "text-color", .valueName = "COLOUR",
              .help = "Text colour of the page.", .apply = Trimmed<&ConversionOptions::textColor>},
    OptionRow{.key = "BGImage", .kind = Text, .field = &FormState::bgImage, .defaultValue = "",
              .control = "txtBGImage", .flag = "bg-image", .valueName = "URL", .help = "Background image of the page.",
              .apply = Trimmed<&ConversionOptions::bgImage>},
    OptionRow{.key = "CharSet", .kind = Text, .field = &FormState::charSet, .defaultValue = "",
              .control = "txtCharSet", .flag = "charset", .valueName = "NAME",
              .help = "Character set named in the page head, such as utf-8.",
              .apply = Trimmed<&ConversionOptions::charSet>,
              .page = PageKind::Classic},
};

}  // namespace

std::span<const OptionRow> OptionTable() { return kOptions; }

}  // namespace scrivane
