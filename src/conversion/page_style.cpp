// The modern page's style: a readable measure from a 320 px phone to a wide
// screen, the user's font and colours where they are valid, and a dark palette
// when the user left the colours alone.
#include "page_style.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "page_text.h"
#include "utf8.h"

namespace scrivane {
namespace {

// The CSS named colours, sorted for binary search.
constexpr std::array<std::string_view, 148> kNamedColours = {
    "aliceblue", "antiquewhite", "aqua", "aquamarine", "azure", "beige", "bisque", "black", "blanchedalmond",
    "blue", "blueviolet", "brown", "burlywood", "cadetblue", "chartreuse", "chocolate", "coral",
    "cornflowerblue", "cornsilk", "crimson", "cyan", "darkblue", "darkcyan", "darkgoldenrod", "darkgray",
    "darkgreen", "darkgrey", "darkkhaki", "darkmagenta", "darkolivegreen", "darkorange", "darkorchid", "darkred",
    "darksalmon", "darkseagreen", "darkslateblue", "darkslategray", "darkslategrey", "darkturquoise",
    "darkviolet", "deeppink", "deepskyblue", "dimgray", "dimgrey", "dodgerblue", "firebrick", "floralwhite",
    "forestgreen", "fuchsia", "gainsboro", "ghostwhite", "gold", "goldenrod", "gray", "green", "greenyellow",
    "grey", "honeydew", "hotpink", "indianred", "indigo", "ivory", "khaki", "lavender", "lavenderblush",
    "lawngreen", "lemonchiffon", "lightblue", "lightcoral", "lightcyan", "lightgoldenrodyellow", "lightgray",
    "lightgreen", "lightgrey", "lightpink", "lightsalmon", "lightseagreen", "lightskyblue", "lightslategray",
    "lightslategrey", "lightsteelblue", "lightyellow", "lime", "limegreen", "linen", "magenta", "maroon",
    "mediumaquamarine", "mediumblue", "mediumorchid", "mediumpurple", "mediumseagreen", "mediumslateblue",
    "mediumspringgreen", "mediumturquoise", "mediumvioletred", "midnightblue", "mintcream", "mistyrose",
    "moccasin", "navajowhite", "navy", "oldlace", "olive", "olivedrab", "orange", "orangered", "orchid",
    "palegoldenrod", "palegreen", "paleturquoise", "palevioletred", "papayawhip", "peachpuff", "peru", "pink",
    "plum", "powderblue", "purple", "rebeccapurple", "red", "rosybrown", "royalblue", "saddlebrown", "salmon",
    "sandybrown", "seagreen", "seashell", "sienna", "silver", "skyblue", "slateblue", "slategray", "slategrey",
    "snow", "springgreen", "steelblue", "tan", "teal", "thistle", "tomato", "turquoise", "violet", "wheat",
    "white", "whitesmoke", "yellow", "yellowgreen"};

// The font option's sizes 1 to 7, relative to the page's own text size.
constexpr std::array<std::string_view, 7> kFontSizes = {"0.625em", "0.8125em", "1em", "1.125em",
                                                        "1.5em",   "2em",      "3em"};


std::string_view Trim(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n\f";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

}  // namespace

std::string CssColour(std::string_view typed) {
  const std::string colour = Lower(Trim(typed));
  const std::string_view digits = std::string_view(colour).substr(colour.starts_with('#') ? 1 : 0);
  const bool hex = !digits.empty() && std::all_of(digits.begin(), digits.end(), IsHexDigit);
  if (hex && (digits.size() == 6 || (digits.size() == 3 && colour.starts_with('#')))) return "#" + std::string(digits);
  if (std::binary_search(kNamedColours.begin(), kNamedColours.end(), colour)) return colour;
  return {};
}

std::string CssString(std::string_view text) {
  std::string clean;
  if (HasForbiddenCodePoints(text)) {
    AppendWithoutForbidden(clean, text);
    text = clean;
  }
  std::string css = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      css.push_back('\\');
      css.push_back(c);
    } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
      // A hex escape and the space that ends it: no line end, and no "</style".
      css.push_back('\\');
      if (byte >= 0x10) css.push_back(HexDigit(byte >> 4, HexCase::Lower));
      css.push_back(HexDigit(byte, HexCase::Lower));
      css.push_back(' ');
    } else {
      css.push_back(c);
    }
  }
  return css + "\"";
}

std::string CssFontFamily(std::string_view faces, std::string_view generic) {
  std::string family;
  for (std::size_t start = 0; start <= faces.size();) {
    const std::size_t comma = std::min(faces.find(',', start), faces.size());
    std::string_view face = Trim(faces.substr(start, comma - start));
    if (face.size() >= 2 && (face.front() == '"' || face.front() == '\'') && face.back() == face.front()) {
      face = Trim(face.substr(1, face.size() - 2));  // typed as a CSS name already
    }
    if (!face.empty()) family.append(CssString(face)).append(", ");
    start = comma + 1;
  }
  return family.append(generic);
}

std::string CssUrl(std::string_view typed) {
  const std::string_view address = Trim(typed);
  if (address.empty()) return {};
  const std::size_t colon = address.find(':');
  if (colon != std::string_view::npos && colon < address.find_first_of("/?#")) {
    // A scheme: only those that fetch an image, compared as a browser would read them.
    std::string scheme;
    for (char c : address.substr(0, colon)) {
      if (static_cast<unsigned char>(c) > 0x20) scheme.push_back(LowerAscii(c));
    }
    if (scheme != "http" && scheme != "https" && scheme != "ftp" && scheme != "file") return {};
  }
  return "url(" + CssString(address) + ")";
}

std::string CssFontSize(std::string_view typed) {
  const std::string_view size = Trim(typed);
  if (size.empty()) return {};
  const bool relative = size[0] == '+' || size[0] == '-';
  const std::string_view digits = size.substr(relative ? 1 : 0);
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return {};
  if (relative) value = size[0] == '+' ? 3 + value : 3 - value;
  if (!relative && value < 1) return {};
  return std::string(kFontSizes[static_cast<std::size_t>(std::clamp(value, 1, 7) - 1)]);
}

std::string LanguageTag(std::string_view typed) {
  const std::string_view tag = Trim(typed);
  // language ("-" subtag)*: 2 to 8 letters first, then 1 to 8 letters or digits each.
  std::size_t start = 0;
  for (bool first = true; start <= tag.size() && tag.size() <= 64; first = false) {
    const std::size_t end = std::min(tag.find('-', start), tag.size());
    const std::string_view part = tag.substr(start, end - start);
    const bool fits = first ? part.size() >= 2 && part.size() <= 8 && std::all_of(part.begin(), part.end(), IsAsciiAlpha)
                            : !part.empty() && part.size() <= 8 &&
                                  std::all_of(part.begin(), part.end(), [](char c) {
                                    return IsAsciiAlpha(c) || IsAsciiDigit(c);
                                  });
    if (!fits) return "en";
    if (end == tag.size()) return std::string(tag);
    start = end + 1;
  }
  return "en";
}

bool UsesDefaultColours(const PageTexts& texts) {
  return CssColour(texts.fontColor).empty() && CssColour(texts.bgColor).empty() &&
         CssColour(texts.textColor).empty() && CssUrl(texts.bgImage).empty();
}

std::vector<std::string> PageStyleLines(const PagePlan& plan) {
  const PageTexts& texts = plan.texts;
  const bool defaults = UsesDefaultColours(texts);
  const std::string size = CssFontSize(plan.fontSize);
  const std::string fontColour = CssColour(texts.fontColor);
  const std::string textColour = CssColour(texts.textColor);
  const std::string background = CssColour(texts.bgColor);
  const std::string image = CssUrl(texts.bgImage);
  std::vector<std::string> lines;
  lines.push_back(defaults ? ":root { color-scheme: light dark; }" : ":root { color-scheme: light; }");
  std::string body = "body { margin: 0; padding: 0 1rem; font-family: " +
                     CssFontFamily(texts.fontFace, "system-ui, sans-serif") +
                     "; font-size: 1.0625rem; line-height: 1.6; overflow-wrap: break-word;";
  if (defaults) body += " color: #1f1f1f; background-color: #ffffff;";
  if (!textColour.empty()) body += " color: " + textColour + ";";
  if (!background.empty()) body += " background-color: " + background + ";";
  if (!image.empty()) body += " background-image: " + image + ";";
  lines.push_back(body + " }");
  lines.push_back("header, nav, main, footer { max-width: 70ch; margin: 0 auto; }");
  lines.push_back("h1 { font-size: 1.75em; line-height: 1.25; text-align: center; margin: 1em 0 0.75em; }");
  std::string main = "main { overflow-wrap: anywhere;";
  if (!fontColour.empty()) main += " color: " + fontColour + ";";
  if (!size.empty()) main += " font-size: " + size + ";";
  lines.push_back(main + " }");
  lines.push_back(".centre { text-align: center; }");
  lines.push_back("pre { white-space: pre-wrap; font-family: " +
                  CssFontFamily(texts.fontFace, "ui-monospace, \"DejaVu Sans Mono\", monospace") +
                  "; font-size: 0.9375em; }");
  // Cells break between words only; a table too wide for the page scrolls in its box.
  lines.push_back(".table-box { overflow-x: auto; margin: 1em 0; }");
  lines.push_back("table { border-collapse: collapse; }");
  lines.push_back("th, td { border: 1px solid #8c8c8c; padding: 0.25em 0.5em; text-align: left; vertical-align: top;"
                  " overflow-wrap: normal; }");
  lines.push_back("td.number { text-align: right; font-variant-numeric: tabular-nums; }");
  lines.push_back("form.links { display: flex; flex-wrap: wrap; gap: 0.5em; align-items: center; }");
  lines.push_back(".centre form.links { justify-content: center; }");
  lines.push_back("select, button { font: inherit; max-width: 100%; }");
  lines.push_back("footer { margin-top: 3em; padding: 1em 0 2em; border-top: 1px solid #c4c4c4; font-size: 0.875em;"
                  " text-align: center; }");
  if (plan.format == OutputFormat::Structured) {
    lines.push_back("h2, h3, h4, h5, h6 { line-height: 1.3; margin: 1.5em 0 0.5em; }");
    lines.push_back("blockquote { margin: 1em 0; padding-left: 1em; border-left: 0.25em solid #8c8c8c; }");
    lines.push_back("dt { font-weight: 600; } dd { margin: 0 0 0.5em 1.5em; }");
    lines.push_back("hr { border: 0; border-top: 1px solid #8c8c8c; margin: 2em 0; }");
    lines.push_back("nav.contents { margin: 1em 0 2em; } nav.contents ul { margin: 0; }");
  }
  if (defaults) {
    lines.push_back("a { color: #0b57d0; } a:visited { color: #6a3ab2; }");
    lines.push_back("th { background-color: #f0f0f0; } footer { color: #4d4d4d; }");
    lines.push_back("@media (prefers-color-scheme: dark) {");
    lines.push_back("  body { color: #e3e3e3; background-color: #161616; }");
    lines.push_back("  a { color: #8ab4f8; } a:visited { color: #c9a7f5; }");
    lines.push_back("  th { background-color: #262626; } th, td { border-color: #6b6b6b; }");
    lines.push_back("  footer { color: #b4b4b4; border-top-color: #4d4d4d; }");
    lines.push_back("}");
  }
  return lines;
}

}  // namespace scrivane
