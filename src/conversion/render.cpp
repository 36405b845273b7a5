// Body text rendering. Most words of a text need neither escaping nor linking;
// RenderText finds the few that do with one table-driven scan and copies the
// rest unchanged, which gives exactly what rendering every word would.
#include "render.h"

#include <array>
#include <vector>

namespace scrivane {
namespace {

// What a byte may mean for the scan.
enum ByteClass : unsigned char {
  kPlain = 0,
  kSpace,        // ends a word
  kTab,          // starts a new piece, which may be a host name
  kEscaped,      // & < > " always change the word
  kPoundLead,    // C2: the pound sign when A3 follows
  kColon,        // a URL when "//" follows
  kAt,           // an e-mail address candidate
};

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> classes{};
  classes[' '] = kSpace;
  classes['\t'] = kTab;
  classes['&'] = kEscaped;
  classes['<'] = kEscaped;
  classes['>'] = kEscaped;
  classes['"'] = kEscaped;
  classes[0xC2] = kPoundLead;
  classes[':'] = kColon;
  classes['@'] = kAt;
  return classes;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool StartsWithHost(const char* p, std::size_t available, const LinkOptions& links) {
  if (available < 4 || p[3] != '.') return false;
  const char a = static_cast<char>(p[0] | 0x20), b = static_cast<char>(p[1] | 0x20),
             c = static_cast<char>(p[2] | 0x20);
  return (links.changeWWW && a == 'w' && b == 'w' && c == 'w') ||
         (links.changeFTP && a == 'f' && b == 't' && c == 'p');
}

// Scans the word starting at `start`; returns its end and whether it needs rendering.
std::size_t ScanWord(std::string_view text, std::size_t start, const LinkOptions& links, bool& special) {
  const char* p = text.data();
  const std::size_t n = text.size();
  special = StartsWithHost(p + start, n - start, links);
  std::size_t i = start;
  for (; i < n; ++i) {
    switch (kClasses[static_cast<unsigned char>(p[i])]) {
      case kPlain: continue;
      case kSpace: return i;
      case kTab:
        special = special || StartsWithHost(p + i + 1, n - i - 1, links);
        continue;
      case kEscaped: special = true; continue;
      case kPoundLead:
        special = special || (i + 1 < n && p[i + 1] == '\xA3');
        continue;
      case kColon:
        special = special || (i + 2 < n && p[i + 1] == '/' && p[i + 2] == '/');
        continue;
      case kAt: special = special || links.emailCheck; continue;
    }
  }
  return i;
}

}  // namespace

void RenderWord(std::string_view word, const LinkOptions& links, std::string& out) {
  thread_local std::string escaped;
  thread_local std::string piece;
  escaped.assign(word);
  EscapeHtml(escaped);
  if (escaped.find('\t') == std::string::npos) {
    MakeLinks(escaped, links);
    out.append(escaped);
    return;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = escaped.find('\t', start);
    piece.assign(escaped, start, tab == std::string::npos ? std::string::npos : tab - start);
    MakeLinks(piece, links);
    out.append(piece);
    if (tab == std::string::npos) break;
    out.push_back('\t');
    start = tab + 1;
  }
}

bool IsPlainText(std::string_view text, const LinkOptions& links) {
  for (std::size_t start = 0;;) {
    bool special = false;
    const std::size_t end = ScanWord(text, start, links, special);
    if (special) return false;
    if (end == text.size()) return true;
    start = end + 1;
  }
}

void RenderText(std::string_view text, const LinkOptions& links, std::string& out) {
  std::size_t copied = 0;  // text before this has been written
  std::size_t start = 0;
  for (;;) {
    bool special = false;
    const std::size_t end = ScanWord(text, start, links, special);
    if (special) {
      out.append(text.data() + copied, start - copied);
      RenderWord(text.substr(start, end - start), links, out);
      copied = end;
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  out.append(text.data() + copied, text.size() - copied);
}

void RenderTextReference(std::string_view text, const LinkOptions& links, std::string& out) {
  std::vector<std::string_view> words;
  std::vector<std::string_view> pieces;
  const int count = SplitString(text, " ", words);
  for (int i = 0; i < count; ++i) {
    std::string word(words[i]);
    EscapeHtml(word);
    if (SplitString(word, "\t", pieces) > 1) {
      std::string joined;
      for (std::string_view piece : pieces) {
        std::string linked(piece);
        MakeLinks(linked, links);
        joined.append(linked).push_back('\t');
      }
      joined.pop_back();
      word = joined;
    } else {
      MakeLinks(word, links);
    }
    if (i > 0) out.push_back(' ');
    out.append(word);
  }
}

}  // namespace scrivane
