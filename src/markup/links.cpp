// Link recognition: "://" URLs, "www." and "ftp." hosts and e-mail addresses,
// found in words that have already been escaped. The classic rules are here;
// the modern ones in modern_links.cpp.
#include "markup.h"

#include <array>

#include "byte_rules.h"
#include "modern_links.h"

namespace scrivane {
namespace {

constexpr std::string_view kQuoteEntity = "&quot;";

bool IsPunctuationByte(char c) { return HasRule(c, kSentenceMark); }

// The first `count` characters of `text`, or all of it when shorter.
std::string_view HeadChars(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t started = 0; end < text.size(); ++end) {
    if (IsContinuation(text[end])) continue;
    if (started == count) break;
    ++started;
  }
  return text.substr(0, end);
}

std::string_view TailChars(std::string_view text, std::size_t count) {
  return text.substr(text.size() - TailBytes(text, count));
}

// Length of the matching bracket pair around `core` (1), or 0.
std::size_t BracketLength(std::string_view core) {
  if (core.size() < 2) return 0;
  const char first = core.front();
  const char last = core.back();
  const bool pair = (first == '(' && last == ')') || (first == '[' && last == ']') ||
                    (first == '{' && last == '}');
  return pair ? 1 : 0;
}

// Length of the matching quote pair around `core` (1 for ' or ", 6 for &quot;), or 0.
// A pair needs room for both ends, so a lone quote is not a pair.
std::size_t QuoteLength(std::string_view core) {
  if (core.empty()) return 0;
  if (core.front() == '&') {
    const bool quoted = EqualsLower(HeadChars(core, 6), kQuoteEntity) &&
                        EqualsLower(TailChars(core, 6), kQuoteEntity);
    return quoted && core.size() >= 2 * kQuoteEntity.size() ? kQuoteEntity.size() : 0;
  }
  const char first = core.front();
  const char last = core.back();
  const bool pair = (first == '\'' && last == '\'') || (first == '"' && last == '"');
  return pair && core.size() >= 2 ? 1 : 0;
}

// Length of the entity EscapeHtml wrote at the end of `word` ("&quot;" in any
// letter case), or 0. Its ";" belongs to the entity, not to the sentence.
std::size_t EntityAtEnd(std::string_view word) {
  if (EqualsLower(TailChars(word, 6), kQuoteEntity)) return kQuoteEntity.size();
  for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&pound;"}) {
    if (word.ends_with(entity)) return entity.size();
  }
  return 0;
}

// Position of `needle` in `word` when it occurs and its first occurrence is not at the start.
bool OccursAfterStart(std::string_view word, std::string_view needle) {
  const std::size_t at = word.find(needle);
  return at != std::string_view::npos && at > 0;
}

// True when a "://" URL with this scheme must never become a link (script schemes).
bool IsBlockedScheme(std::string_view scheme) {
  // Browsers drop control characters and spaces around and inside a scheme, so
  // compare what they would see.
  for (std::string_view blocked : {"javascript", "vbscript", "data"}) {
    std::size_t matched = 0;
    bool same = true;
    for (char c : scheme) {
      if (static_cast<unsigned char>(c) <= 0x20) continue;
      if (matched == blocked.size() || LowerAscii(c) != blocked[matched]) {
        same = false;
        break;
      }
      ++matched;
    }
    if (same && matched == blocked.size()) return true;
  }
  return false;
}

bool FindUrlLink(std::string_view word, bool removePunctuation, Link& link) {
  // Peel, from the outside in: one trailing punctuation mark, a bracket pair, a quote pair.
  std::string_view core = word;
  if (removePunctuation && EntityAtEnd(word) == 0 && !core.empty() && IsPunctuationByte(core.back())) {
    core.remove_suffix(1);
  }
  const std::size_t bracket = BracketLength(core);
  core = core.substr(bracket, core.size() - 2 * bracket);
  const std::size_t quoteLength = QuoteLength(core);
  core = core.substr(quoteLength, core.size() - 2 * quoteLength);

  const std::size_t scheme = core.find("://");
  if (scheme != std::string_view::npos && scheme > 0) {
    for (char c : core.substr(0, scheme)) {
      if (IsPunctuationByte(c)) return false;
    }
    if (IsBlockedScheme(core.substr(0, scheme))) return false;
  }
  // What was peeled lies side by side around the core, so each side is one view.
  const std::size_t textStart = bracket + quoteLength;
  link.before = word.substr(0, textStart);
  link.scheme = {};
  link.text = core;
  link.after = word.substr(textStart + core.size());
  return true;
}

// Splits an e-mail word into its wrapper and core. A closing "&quot;" or "&gt;"
// is only taken off where the word really ends with it, so no text is dropped.
void SplitEmailWrapper(std::string_view word, std::string_view& opening, std::string_view& core,
                       std::string_view& closing) {
  constexpr std::string_view kSingleOpenings = "<([{'\"";
  if (kSingleOpenings.find(word.front()) != std::string_view::npos) {
    // The last character closes; an escaped one is its whole entity.
    const std::size_t entity = EntityAtEnd(word.substr(1));
    const std::size_t last = entity > 0 ? entity : TailBytes(word, 1);
    opening = word.substr(0, 1);
    closing = word.substr(word.size() - last);
    core = word.substr(1, word.size() - 1 - last);
    return;
  }
  constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kEntityWrappers{{
      {"&quot;", "&quot;"},
      {"&lt;", "&gt;"},
  }};
  for (const auto& [open, close] : kEntityWrappers) {
    if (!word.starts_with(open)) continue;
    opening = word.substr(0, open.size());
    core = word.substr(open.size());
    closing = {};
    if (core.ends_with(close)) {
      closing = core.substr(core.size() - close.size());
      core.remove_suffix(close.size());
    }
    return;
  }
  opening = closing = {};
  core = word;
}

bool FindEmailLink(std::string_view word, Link& link) {
  if (!OccursAfterStart(word, "@") || CharCount(word) <= 5 || !OccursAfterStart(word, ".")) {
    return false;
  }
  std::string_view opening, core, closing;
  SplitEmailWrapper(word, opening, core, closing);
  link.before = opening;
  link.scheme = "mailto:";
  link.text = core;
  link.after = closing;
  return true;
}

bool FindHostLink(std::string_view word, std::string_view scheme, Link& link) {
  link.before = {};
  link.scheme = scheme;
  link.text = word;
  link.after = {};
  return true;
}

}  // namespace

std::string_view ModernAnchorEnd(const LinkOptions& options) {
  if (options.newTab && options.nofollow) return "\" target=\"_blank\" rel=\"noopener noreferrer nofollow ugc\">";
  if (options.newTab) return "\" target=\"_blank\" rel=\"noopener noreferrer\">";
  if (options.nofollow) return "\" rel=\"nofollow ugc\">";
  return "\">";
}

bool FindLinkAfterLink(std::string_view rest, const LinkOptions& options, Link& link) {
  return options.modern && !rest.empty() && FindModernLink(rest, options, link, false);
}

bool FindLink(std::string_view word, const LinkOptions& options, Link& link) {
  if (options.modern) return FindModernLink(word, options, link);
  link.href.clear();
  if (OccursAfterStart(word, "://")) return FindUrlLink(word, options.removePunctuation, link);
  if (options.changeWWW && StartsWithLower(word, "www.")) return FindHostLink(word, "http://", link);
  if (options.changeFTP && StartsWithLower(word, "ftp.")) return FindHostLink(word, "ftp://", link);
  if (options.emailCheck) return FindEmailLink(word, link);
  return false;
}

}  // namespace scrivane
