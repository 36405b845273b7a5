// Body text rendering. Most words of a text need neither escaping nor linking;
// RenderText finds the few that do with one table-driven scan over the text and
// copies the rest unchanged, which gives exactly what rendering every word would.
#include "render.h"

#include <algorithm>

#include "byte_rules.h"

namespace scrivane {
namespace {

// Index of the next byte at or after `i` that may change its word, or n.
std::size_t SkipPlain(const char* p, std::size_t i, std::size_t n) {
  return SkipToClass<kCandidate, kCandidateBytes>(p, i, n);
}

// Index of the next byte at or after `i` that changes its word, or n. The
// callers choose the rules once for a whole text, not for every byte.
template <bool kModern>
std::size_t FindChange(std::string_view text, std::size_t i, const LinkOptions& links) {
  const char* p = text.data();
  const std::size_t n = text.size();
  for (i = SkipPlain(p, i, n); i < n; i = SkipPlain(p, i + 1, n)) {
    if (MayChangeWord<kModern>(p, 0, i, n, false, links)) return i;
  }
  return n;
}

constexpr std::size_t kDrainSize = 256 * 1024;

// The nearest place at or before `at` where a character starts; 0 when none does.
std::size_t CharacterStart(std::string_view bytes, std::size_t at) {
  while (at > 0 && IsContinuation(bytes[at])) --at;
  return at;
}

// False when FindLink can find no link in any TAB piece of the word once
// escaped: no byte of the word may change it but escaped ones, and escaping
// neither makes nor breaks a link.
template <bool kModern>
bool MayMakeLink(std::string_view word, const LinkOptions& links) {
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (HasRule(word[i], kLinkMark) && MayChangeWord<kModern>(word.data(), 0, i, word.size(), false, links)) {
      return true;
    }
  }
  return false;
}

// Escapes a word that makes no link straight into `out`, draining as it goes,
// so a giant one needs no copy of itself. Cuts fall where characters start.
void AppendEscapedDrained(std::string& out, std::string_view word, const DrainFunction& drain) {
  constexpr std::size_t kStep = kDrainSize / 8;  // escaping makes at most six bytes of one
  while (!word.empty()) {
    std::size_t take = std::min(word.size(), kStep);
    if (take < word.size()) {
      const std::size_t cut = CharacterStart(word, take);
      if (cut > 0) take = cut;  // a run with no character start (not UTF-8) is cut anyway
    }
    AppendEscaped(out, word.substr(0, take));
    word.remove_prefix(take);
    if (out.size() >= kDrainSize) drain();
  }
}

template <bool kModern>
void RenderTextWith(std::string_view text, const LinkOptions& links, std::string& out, const DrainFunction& drain) {
  std::size_t copied = 0;  // text before this has been written
  for (std::size_t at = FindChange<kModern>(text, 0, links); at < text.size();
       at = FindChange<kModern>(text, copied, links)) {
    const std::size_t space = text.rfind(' ', at);
    const std::size_t start = space == std::string_view::npos ? 0 : space + 1;
    const std::size_t end = std::min(text.find(' ', at), text.size());
    AppendDrained(out, text.substr(copied, start - copied), drain);
    RenderWord(text.substr(start, end - start), links, out, drain);
    copied = end;
  }
  AppendDrained(out, text.substr(copied), drain);
}

template <bool kModern>
bool FindFirstLinkWith(std::string_view text, const LinkOptions& links, Link& link, std::size_t& wordStart,
                       std::size_t& wordEnd) {
  thread_local std::string escaped;
  // Only a word holding a byte that can change it can be a link.
  for (std::size_t at = FindChange<kModern>(text, 0, links); at < text.size();
       at = FindChange<kModern>(text, wordEnd, links)) {
    const std::size_t space = text.rfind(' ', at);
    wordStart = space == std::string_view::npos ? 0 : space + 1;
    wordEnd = std::min(text.find(' ', at), text.size());
    if (!MayMakeLink<kModern>(text.substr(wordStart, wordEnd - wordStart), links)) continue;
    escaped.clear();
    AppendEscaped(escaped, text.substr(wordStart, wordEnd - wordStart));
    for (std::string_view rest = escaped;;) {
      const std::size_t tab = rest.find('\t');
      if (FindLink(rest.substr(0, tab), links, link)) return true;
      if (tab == std::string_view::npos) break;
      rest.remove_prefix(tab + 1);
    }
  }
  return false;
}

}  // namespace

void AppendDrained(std::string& out, std::string_view bytes, const DrainFunction& drain) {
  while (drain && out.size() + bytes.size() > kDrainSize) {
    // Fill up to the limit, backing off to where a character starts so an
    // encoder downstream sees whole characters. A run with no character start
    // (not UTF-8 at all) is cut anyway once nothing else is pending.
    std::size_t take = out.size() < kDrainSize ? kDrainSize - out.size() : 0;
    const std::size_t cut = CharacterStart(bytes, take);
    if (cut > 0 || !out.empty()) take = cut;
    out.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    drain();
  }
  out.append(bytes);
}

void RenderWord(std::string_view word, const LinkOptions& links, std::string& out, const DrainFunction& drain) {
  // Most words that come here only need escaping: they go straight into `out`.
  if (!(links.modern ? MayMakeLink<true>(word, links) : MayMakeLink<false>(word, links))) {
    if (drain) {
      AppendEscapedDrained(out, word, drain);
    } else {
      AppendEscaped(out, word);
    }
    return;
  }
  // Buffers kept between calls, so a word costs no allocation once they have grown.
  thread_local std::string escaped;
  thread_local Link link;
  escaped.clear();
  AppendEscaped(escaped, word);
  std::string_view rest = escaped;
  for (;;) {
    const std::size_t tab = rest.find('\t');
    const std::string_view piece = rest.substr(0, tab);
    if (FindLink(piece, links, link)) {
      WriteLinkPieces(link, links, [&](std::string_view part) { AppendDrained(out, part, drain); });
    } else {
      AppendDrained(out, piece, drain);
    }
    if (tab == std::string_view::npos) return;
    out.push_back('\t');
    rest.remove_prefix(tab + 1);
  }
}

bool IsPlainText(std::string_view text, const LinkOptions& links) {
  return (links.modern ? FindChange<true>(text, 0, links) : FindChange<false>(text, 0, links)) == text.size();
}

void RenderText(std::string_view text, const LinkOptions& links, std::string& out, const DrainFunction& drain) {
  if (links.modern) {
    RenderTextWith<true>(text, links, out, drain);
  } else {
    RenderTextWith<false>(text, links, out, drain);
  }
}

bool FindFirstLink(std::string_view text, const LinkOptions& links, Link& link, std::size_t& wordStart,
                   std::size_t& wordEnd) {
  return links.modern ? FindFirstLinkWith<true>(text, links, link, wordStart, wordEnd)
                      : FindFirstLinkWith<false>(text, links, link, wordStart, wordEnd);
}

}  // namespace scrivane
