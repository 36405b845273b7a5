// Text markup: the word-level rewrites of the conversion (escaping, link
// recognition) and the small routines around them. Text is UTF-8; wherever a
// rule counts or takes characters it means whole code points, never bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace scrivane {

// Which kinds of words MakeLinks turns into anchors besides "://" URLs.
struct LinkOptions {
  bool changeWWW = true;          // "www." hosts become http:// links
  bool changeFTP = true;          // "ftp." hosts become ftp:// links
  bool emailCheck = true;         // e-mail addresses become mailto: links
  bool removePunctuation = true;  // one trailing , . : ; ? ! leaves a URL's anchor
};

// Replaces & < > " and the pound sign with their entities, in place.
void EscapeHtml(std::string& word);

// Appends `text` to `out` escaped as EscapeHtml would escape it.
void AppendEscaped(std::string& out, std::string_view text);

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

// True when a "://" URL with this scheme must never become a link (script schemes).
bool IsBlockedScheme(std::string_view scheme);

// A word as MakeLinks renders it: before + <A HREF="scheme text">text</A> + after.
// Views into the word given to FindLink, so valid only while that word is.
struct Link {
  std::string_view before;  // opening bracket, quote or wrapper left outside the anchor
  std::string_view scheme;  // put before the text in the HREF: "http://", "ftp://", "mailto:" or none
  std::string_view text;    // the anchor's text
  std::string_view after;   // closing quote, bracket, wrapper and trailing punctuation

  // The HREF value.
  std::string Address() const { return std::string(scheme).append(text); }
};

// Finds the link MakeLinks would make of an escaped word; false when it makes none.
bool FindLink(std::string_view word, const LinkOptions& options, Link& link);

// Hands the link's markup, as MakeLinks writes it, piece by piece to `append`.
template <class Append>
void WriteLinkPieces(const Link& link, Append&& append) {
  for (std::string_view piece : {link.before, std::string_view("<A HREF=\""), link.scheme, link.text,
                                 std::string_view("\">"), link.text, std::string_view("</A>"), link.after}) {
    append(piece);
  }
}

// Appends the link as MakeLinks writes it.
void AppendLink(std::string& out, const Link& link);

// Splits `text` at every `delimiter` into `parts` (views into text); returns the
// count of parts, or -1 (parts untouched) when the delimiter is empty.
int SplitString(std::string_view text, std::string_view delimiter, std::vector<std::string_view>& parts);

// Fills `buffer` with up to `size` bytes of input and returns how many; 0 means the end.
using ReadFunction = std::function<std::size_t(char* buffer, std::size_t size)>;

// Receives one line without its line end, and the count of input bytes consumed so far.
using LineFunction = std::function<void(std::string_view line, std::uint64_t consumed)>;

// Reads the whole input and hands each line to `onLine`; CR LF, a bare CR and a
// bare LF each end a line, and a last line without a line end is still a line.
void NormaliseLineEnds(const ReadFunction& read, const LineFunction& onLine);

// True when `path` names a file that can be opened for reading (not a folder);
// a pipe or device is only looked up, never opened.
bool FileExists(const std::string& path);

// Number of characters (code points) in UTF-8 text.
std::size_t CharCount(std::string_view text);

// Byte length of the last `count` characters of `text` (all of it when shorter).
std::size_t TailBytes(std::string_view text, std::size_t count);

}  // namespace scrivane
