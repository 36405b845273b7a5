// The modern page's style sheet and language: option values are untrusted text,
// so each is checked, or escaped, before it reaches CSS or an attribute.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "page_plan.h"

namespace scrivane {

// A CSS colour for a typed one: a named colour, #rgb or #rrggbb (the "#" may be
// left off six digits), lower-cased; "" when it is none of these.
std::string CssColour(std::string_view typed);

// The text as a double-quoted CSS string that cannot end its string, rule or style element.
std::string CssString(std::string_view text);

// A font-family value: each comma-separated typed face as a CSS string, then `generic`.
std::string CssFontFamily(std::string_view faces, std::string_view generic);

// url("...") for a typed image address (relative, http, https, ftp or file); "" when empty or refused.
std::string CssUrl(std::string_view typed);

// A CSS font size for a size as the font option takes it (1 to 7, or +n/-n from 3); "" when it is none.
std::string CssFontSize(std::string_view typed);

// The typed language when it has the shape of a BCP 47 tag, else "en".
std::string LanguageTag(std::string_view typed);

// True when the user chose no colour or image, so the page may follow a dark colour scheme.
bool UsesDefaultColours(const PageTexts& texts);

// The rules of the page's style element, one a line.
std::vector<std::string> PageStyleLines(const PagePlan& plan);

}  // namespace scrivane
