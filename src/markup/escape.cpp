// HTML character escaping. The five replacements never produce a character
// that another one replaces (the "&" of an entity comes from the replacement,
// not the input), so one pass over the word gives the same result as five
// passes in table order, and a word without special characters is only scanned.
#include "markup.h"

#include <cstring>

namespace scrivane {
namespace {

constexpr char kPoundLead = '\xC2';   // U+00A3 is C2 A3 in UTF-8
constexpr char kPoundTrail = '\xA3';

// Replacement for the special character starting at `text[i]`, or null.
const char* EntityAt(std::string_view text, std::size_t i, std::size_t& consumed) {
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
      return nullptr;
    default: return nullptr;
  }
}

bool IsCandidate(char c) {
  return c == '&' || c == '<' || c == '>' || c == '"' || c == kPoundLead;
}

// Index of the first special character at or after `from`, or text.size().
std::size_t FindSpecial(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (!IsCandidate(text[i])) continue;
    std::size_t consumed = 0;
    if (EntityAt(text, i, consumed) != nullptr) return i;
  }
  return text.size();
}

}  // namespace

bool NeedsNoEscaping(std::string_view text) { return FindSpecial(text, 0) == text.size(); }

void AppendEscaped(std::string& out, std::string_view text) {
  std::size_t done = 0;
  for (std::size_t i = FindSpecial(text, 0); i < text.size(); i = FindSpecial(text, done)) {
    std::size_t consumed = 0;
    const char* entity = EntityAt(text, i, consumed);
    out.append(text.data() + done, i - done);
    out.append(entity);
    done = i + consumed;
  }
  out.append(text.data() + done, text.size() - done);
}

void EscapeHtml(std::string& word) {
  const std::size_t first = FindSpecial(word, 0);
  if (first == word.size()) return;
  std::string escaped(word, 0, first);
  escaped.reserve(word.size() + 16);
  AppendEscaped(escaped, std::string_view(word).substr(first));
  word.swap(escaped);
}

}  // namespace scrivane
