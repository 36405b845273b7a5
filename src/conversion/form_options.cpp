// The option snapshot taken from the form before every run.
#include "conversion.h"

namespace scrivane {
namespace {

// Leading and trailing spaces removed (only spaces, as the text boxes are trimmed).
std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

OutputFormat FormatAt(int position) {
  if (position < 0 || position >= kFormatCount) return OutputFormat::Smart;
  return static_cast<OutputFormat>(position);
}

std::string OptionTextFor(const FormState& form) {
  switch (FormatAt(form.outFormat)) {
    case OutputFormat::HtmlTable: return form.separator;
    case OutputFormat::HtmlList: return form.listType;
    case OutputFormat::SelectionBox: return form.target;
    default: return {};
  }
}

ConversionOptions ReadFormOptions(const FormState& form) {
  ConversionOptions options;
  options.format = FormatAt(form.outFormat);
  const bool selectionBox = options.format == OutputFormat::SelectionBox;
  options.links.changeWWW = form.changeWWW == kChecked;
  options.links.changeFTP = form.changeFTP == kChecked;
  options.links.emailCheck = form.emailCheck == kChecked;
  // The punctuation box is disabled for the selection box, and a disabled box removes nothing.
  options.links.removePunctuation = form.removePunctuation == kChecked && !selectionBox;
  const bool centringFormat = options.format == OutputFormat::Smart ||
                              options.format == OutputFormat::OriginalLinefeeds || selectionBox;
  options.centre = centringFormat && form.centre == kChecked;
  options.webPage = form.webPage == kChecked;
  options.goButton = form.goButton == kChecked;
  options.title = form.title;
  options.footer = form.footer;
  options.bgColor = TrimSpaces(form.bgColor);
  options.bgImage = TrimSpaces(form.bgImage);
  options.textColor = TrimSpaces(form.textColor);
  options.charSet = TrimSpaces(form.charSet);
  options.fontFace = TrimSpaces(form.fontFace);
  options.fontSize = TrimSpaces(form.fontSize);
  options.fontColor = TrimSpaces(form.fontColor);
  options.separator = form.separator;
  options.listType = form.listType;
  options.target = form.target;
  return options;
}

}  // namespace scrivane
