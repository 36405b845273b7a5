// Text markup: the word-level rewrites of the conversion (escaping, link
// recognition) and the small routines around them. Text is UTF-8; wherever a
// rule counts or takes characters it means whole code points, never bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace scrivane {

// Which kinds of words become anchors besides "://" URLs, and by which rules.
struct LinkOptions {
  bool changeWWW = true;          // "www." hosts become http:// links (modern: https://)
  bool changeFTP = true;          // "ftp." hosts become ftp:// links
  bool emailCheck = true;         // e-mail addresses become mailto: links
  bool removePunctuation = true;  // classic only: one trailing , . : ; ? ! leaves a URL's anchor
  bool modern = false;    // modern rules and lower-case anchors: <a href="...">
  bool newTab = false;    // modern only: target="_blank" rel="noopener noreferrer"
  bool nofollow = false;  // modern only: rel="nofollow ugc" (combined with the above into one rel)
};

// Appends `text` with & < > " and the pound sign replaced by their entities.
void AppendEscaped(std::string& out, std::string_view text);

// A linked word: before + <A HREF="scheme text">text</A> + after (classic), or
// before + <a href="href">text</a> + after (modern). The views point into the
// word given to FindLink, so they are valid only while that word is.
struct Link {
  std::string_view before;  // what stays outside before the anchor: wrappers, opening punctuation
  std::string_view scheme;  // classic: put before the text in the HREF: "http://", "ftp://", "mailto:" or none
  std::string_view text;    // the anchor's text, escaped as written
  std::string_view after;   // closing quote, bracket, wrapper and trailing punctuation
  std::string href;         // modern: the whole HREF, a valid URL written for the attribute

  // The HREF value.
  std::string Address() const { return href.empty() ? std::string(scheme).append(text) : href; }
};

// Finds the link an escaped word (or TAB piece of one) makes; false when it makes none.
bool FindLink(std::string_view word, const LinkOptions& options, Link& link);

// Finds a further link in what follows a modern link in its word (its `after`);
// false under the classic rules, which link a word once.
bool FindLinkAfterLink(std::string_view rest, const LinkOptions& options, Link& link);

// What follows a modern anchor's HREF value up to its text: the closing quote,
// the new-tab and nofollow attributes the options ask for, and ">".
std::string_view ModernAnchorEnd(const LinkOptions& options);

// Hands the link's markup piece by piece to `append`; under the modern rules,
// with the further links of the rest of its word.
template <class Append>
void WriteLinkPieces(const Link& link, const LinkOptions& options, Append&& append) {
  if (options.modern) {
    Link next;
    for (const Link* current = &link;; current = &next) {
      for (std::string_view piece : {current->before, std::string_view("<a href=\""), std::string_view(current->href),
                                     ModernAnchorEnd(options), current->text, std::string_view("</a>")}) {
        append(piece);
      }
      const std::string_view rest = current->after;
      if (!FindLinkAfterLink(rest, options, next)) {
        append(rest);
        return;
      }
    }
  }
  for (std::string_view piece : {link.before, std::string_view("<A HREF=\""), link.scheme, link.text,
                                 std::string_view("\">"), link.text, std::string_view("</A>"), link.after}) {
    append(piece);
  }
}

// Fills `buffer` with up to `size` bytes of input and returns how many; 0 means the end.
using ReadFunction = std::function<std::size_t(char* buffer, std::size_t size)>;

// True when `path` names a file that can be opened for reading (not a folder);
// a pipe or device is only looked up, never opened.
bool FileExists(const std::string& path);

// Number of characters (code points) in UTF-8 text.
std::size_t CharCount(std::string_view text);

// Byte length of the last `count` characters of `text` (all of it when shorter).
std::size_t TailBytes(std::string_view text, std::size_t count);

}  // namespace scrivane
