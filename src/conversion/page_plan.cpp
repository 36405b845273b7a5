// Reading a run's options into its page plan.
#include "page_plan.h"

#include <charconv>
#include <limits>

#include "byte_rules.h"
#include "page_frame.h"
#include "page_style.h"

namespace scrivane {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// The font size written for a format: "Retain original format" raises it one step.
std::string FontSizeFor(const ConversionOptions& options) {
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

// The typed texts as the page of this style shows them.
PageTexts TextsFor(const ConversionOptions& options, PageStyle style) {
  // The classic document keeps a form feed at the ends of its footer, as typed.
  const std::string_view footerBlanks = style == PageStyle::Modern ? kHtmlBlanks : kLineBlanks;
  return PageTexts{.title = options.title,
                   .footer = std::string(UserFooter(options.footer, footerBlanks)),
                   .fontFace = options.fontFace,
                   .fontColor = options.fontColor,
                   .bgColor = options.bgColor,
                   .bgImage = options.bgImage,
                   .textColor = options.textColor,
                   .charSet = options.charSet,
                   .formId = options.formId,
                   .target = options.target,
                   .progName = options.progName,
                   .dateText = options.dateText,
                   .dateTime = options.dateTime,
                   .language = LanguageTag(options.language)};
}

}  // namespace

ListKind ListKindFor(std::string_view listType) {
  const std::string lower = Lower(listType);
  if (lower == "unordered") return ListKind::Unordered;
  if (lower == "ordered") return ListKind::Ordered;
  return ListKind::None;
}

std::string SeparatorFor(std::string_view name) {
  const std::string lower = Lower(name);
  for (const NamedSeparator& named : kNamedSeparators) {
    if (lower == named.name) return std::string(named.text);
  }
  return std::string(name);
}

PagePlan PlanPage(const ConversionOptions& options) {
  const PageStyle style = options.modern ? PageStyle::Modern : PageStyle::Classic;
  LinkOptions links = options.links;
  links.modern = links.modern || options.modern;  // a modern page takes modern links
  const std::string_view typedTitle = TrimBlanks(options.title, kHtmlBlanks);
  return PagePlan{.style = style,
                  .format = options.format,
                  .links = links,
                  .list = ListKindFor(options.listType),
                  .separator = SeparatorFor(options.separator),
                  .fontSize = FontSizeFor(options),
                  .keepsInputEncoding = style == PageStyle::Classic,  // modern pages are always UTF-8
                  .webPage = options.webPage,
                  .showsDocumentTitle = options.webPage && (typedTitle.empty() || typedTitle == kDefaultTitle),
                  .centre = options.centre,
                  .goButton = options.goButton,
                  .headerRow = options.headerRow,
                  .contents = options.contents,
                  .keepLineBreaks = options.keepLineBreaks,
                  .inlineMarks = options.inlineMarks,
                  .texts = TextsFor(options, style)};
}

}  // namespace scrivane
