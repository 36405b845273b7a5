// Rendering of body text: words escaped and linked, spacing kept.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "markup.h"

namespace scrivane {

// Hands on and empties the output text; lets a giant word go out in pieces.
using DrainFunction = std::function<void()>;

// Appends `bytes` to `out`, draining `out` whenever it would pass a few hundred
// KiB, each cut where a character starts; without `drain`, a plain append.
void AppendDrained(std::string& out, std::string_view bytes, const DrainFunction& drain);

// Appends `text` with each space-separated word escaped and linked, the spaces
// between words kept as they are. Words that need no change are copied in runs.
// With `drain`, the output of a giant word never piles up in `out`.
void RenderText(std::string_view text, const LinkOptions& links, std::string& out, const DrainFunction& drain = {});

// True when RenderText would copy `text` unchanged (so it holds no link either).
bool IsPlainText(std::string_view text, const LinkOptions& links);

// Finds the first word of `text` that makes a link, as RenderText would make it:
// fills `link` and the word's bounds [wordStart, wordEnd); false when none does.
bool FindFirstLink(std::string_view text, const LinkOptions& links, Link& link, std::size_t& wordStart,
                   std::size_t& wordEnd);

// Appends one word escaped and linked, TAB piece by TAB piece (the slow, exact path).
void RenderWord(std::string_view word, const LinkOptions& links, std::string& out, const DrainFunction& drain = {});

}  // namespace scrivane
