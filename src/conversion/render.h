// Rendering of body text: words escaped and linked, spacing kept.
#pragma once

#include <string>
#include <string_view>

#include "markup.h"

namespace scrivane {

// Appends `text` with each space-separated word escaped and linked, the spaces
// between words kept as they are. Words that need no change are copied in runs.
void RenderText(std::string_view text, const LinkOptions& links, std::string& out);

// True when RenderText would copy `text` unchanged (so it holds no link either).
bool IsPlainText(std::string_view text, const LinkOptions& links);

// Finds the first word of `text` that makes a link, as RenderText would make it:
// fills `link` and the word's bounds [wordStart, wordEnd); false when none does.
bool FindFirstLink(std::string_view text, const LinkOptions& links, Link& link, std::size_t& wordStart,
                   std::size_t& wordEnd);

// Appends one word escaped and linked, TAB piece by TAB piece (the slow, exact path).
void RenderWord(std::string_view word, const LinkOptions& links, std::string& out);

// The same result as RenderText, word by word through the named routines only.
void RenderTextReference(std::string_view text, const LinkOptions& links, std::string& out);

}  // namespace scrivane
