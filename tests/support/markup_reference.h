// The test oracle of the markup layer: the text routines written plainly, word
// by word and pass by pass, to hold the engine's fast paths against. Only tests
// and fuzz targets use them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "markup.h"

namespace scrivane {

// Replaces & < > " and the pound sign with their entities, in place, one pass per character.
void EscapeHtml(std::string& word);

// True when EscapeHtml would leave `text` unchanged.
bool NeedsNoEscaping(std::string_view text);

// Rewrites an escaped word as an anchor when it is a URL, host or e-mail address.
void MakeLinks(std::string& word, const LinkOptions& options);

// Rewrites a word holding "://" as an anchor, with brackets, quotes and punctuation outside it.
void MakeUrlLink(std::string& word, bool removePunctuation);

// Takes one matching pair of (), [] or {} off the word's ends into opening and closing.
void StripBrackets(std::string& word, std::string& opening, std::string& closing);

// Takes one matching pair of ', " or &quot; off the word's ends into quote.
void StripQuotes(std::string& word, std::string& quote);

// True when `ch` is exactly one of the six marks , . : ; ? !
bool IsPunctuation(std::string_view ch);

// Appends the link as the word's anchor markup.
void AppendLink(std::string& out, const Link& link, const LinkOptions& options = {});

// Splits `text` at every `delimiter` into `parts` (views into text); returns the
// count of parts, or -1 (parts untouched) when the delimiter is empty.
int SplitString(std::string_view text, std::string_view delimiter, std::vector<std::string_view>& parts);

// Receives one line without its line end, and the count of input bytes consumed so far.
using LineFunction = std::function<void(std::string_view line, std::uint64_t consumed)>;

// Reads the whole input and hands each line to `onLine`; CR LF, a bare CR and a
// bare LF each end a line, and a last line without a line end is still a line.
void NormaliseLineEnds(const ReadFunction& read, const LineFunction& onLine);

// What the body renderer makes of a text: split at spaces, each word escaped
// and linked (whole, or TAB piece by TAB piece), joined with single spaces.
void RenderTextReference(std::string_view text, const LinkOptions& links, std::string& out);

}  // namespace scrivane
