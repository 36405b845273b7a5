// HTML character escaping. The five replacements never produce a character
// that another one replaces (the "&" of an entity comes from the replacement,
// not the input), so one pass over the word gives the same result as five
// passes in table order, and a word without special characters is only scanned.
#include "markup.h"

#include <algorithm>
#include <cstring>

#include "byte_rules.h"

namespace scrivane {
namespace {

constexpr char kPoundLead = '\xC2';   // U+00A3 is C2 A3 in UTF-8
constexpr char kPoundTrail = '\xA3';

// Replacement for the special character starting at `text[i]`, or empty.
std::string_view EntityAt(std::string_view text, std::size_t i, std::size_t& consumed) {
  consumed = 1;
  switch (text[i]) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case kPoundLead:
      if (i + 1 < text.size() && text[i + 1] == kPoundTrail) {
        consumed = 2;
        return "&pound;";
      }
      return {};
    default: return {};
  }
}

// Index of the first byte at or after `i` that may start an escape, or n.
std::size_t SkipToCandidate(const char* p, std::size_t i, std::size_t n) {
  return SkipToClass<kEscapeStart, kEscapeStartBytes>(p, i, n);
}

// Index of the first special character at or after `from`, or text.size().
std::size_t FindSpecial(std::string_view text, std::size_t from) {
  for (std::size_t i = SkipToCandidate(text.data(), from, text.size()); i < text.size();
       i = SkipToCandidate(text.data(), i + 1, text.size())) {
    std::size_t consumed = 0;
    if (!EntityAt(text, i, consumed).empty()) return i;
  }
  return text.size();
}

// Escapes the next stretch of up to 64 bytes from `i`, byte by byte, and returns
// where it stopped. Used once a special character is found: where they come
// thick ("&&&&..."), this costs far less than a search and an append for each.
std::size_t AppendEscapedStretch(std::string& out, std::string_view text, std::size_t i) {
  constexpr std::size_t kStretch = 64;
  char buffer[kStretch * 7];  // "&pound;" is the longest replacement
  char* write = buffer;
  for (const std::size_t end = std::min(text.size(), i + kStretch); i < end;) {
    if (!HasRule(text[i], kEscapeStart)) {  // most bytes: one look in the table
      *write++ = text[i++];
      continue;
    }
    std::size_t consumed = 1;
    const std::string_view entity = EntityAt(text, i, consumed);
    if (entity.empty()) {
      *write++ = text[i];
    } else {
      std::memcpy(write, entity.data(), entity.size());
      write += entity.size();
    }
    i += consumed;
  }
  out.append(buffer, static_cast<std::size_t>(write - buffer));
  return i;
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
  std::size_t done = 0;
  for (std::size_t i = FindSpecial(text, 0); i < text.size(); i = FindSpecial(text, done)) {
    out.append(text.data() + done, i - done);
    done = AppendEscapedStretch(out, text, i);
  }
  out.append(text.data() + done, text.size() - done);
}

}  // namespace scrivane
