// The test oracle: each routine does its work the plain way, so that the
// engine's fast paths can be held against it.
#include "markup_reference.h"

#include <cstring>

namespace scrivane {
namespace {

constexpr std::string_view kQuoteEntity = "&quot;";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = Lower(c);
  return lower;
}

// Replaces every `from` in `word` with `to`, searching from the first character.
void ReplaceAll(std::string& word, std::string_view from, std::string_view to) {
  if (word.find(from) == std::string::npos) return;
  std::string result;
  for (std::size_t i = 0; i < word.size();) {
    if (word.compare(i, from.size(), from) == 0) {
      result.append(to);
      i += from.size();
    } else {
      result.push_back(word[i++]);
    }
  }
  word = result;
}

// True when the word ends with an entity EscapeHtml wrote ("&quot;" in any
// letter case): its ";" belongs to the entity, not to the sentence.
bool EndsWithEntity(std::string_view word) {
  if (word.size() >= kQuoteEntity.size() && LowerText(word.substr(word.size() - kQuoteEntity.size())) == kQuoteEntity) {
    return true;
  }
  for (std::string_view entity : {"&amp;", "&lt;", "&gt;", "&pound;"}) {
    if (word.ends_with(entity)) return true;
  }
  return false;
}

// Browsers drop control characters and spaces in a scheme, so a script scheme
// is recognised in what remains.
bool IsScriptScheme(std::string_view scheme) {
  std::string seen;
  for (char c : scheme) {
    if (static_cast<unsigned char>(c) > 0x20) seen.push_back(Lower(c));
  }
  return seen == "javascript" || seen == "vbscript" || seen == "data";
}

constexpr std::size_t kReadBlock = 256 * 1024;

// Finds CR and LF in a buffer. Each search result is remembered until the scan
// passes it, so a file that uses only one of the two is still scanned once.
class LineEndFinder {
 public:
  // Position of the first CR or LF in [from, end), or end.
  std::size_t Find(const char* data, std::size_t from, std::size_t end) {
    // CR is searched to the end too, so a file without any costs one search a block.
    const std::size_t lf = lf_.Next(data, from, end, '\n');
    const std::size_t cr = cr_.Next(data, from, end, '\r');
    return cr < lf ? cr : lf;
  }
  // Forgets what was found; the buffer's contents have moved.
  void Reset() { lf_ = cr_ = {}; }

 private:
  // The first `c` in [from, limit) is at `found` (found == limit: none).
  struct Search {
    bool valid = false;
    std::size_t from = 0;
    std::size_t limit = 0;
    std::size_t found = 0;

    std::size_t Next(const char* data, std::size_t start, std::size_t end, char c) {
      if (valid && start >= from && start <= found) {
        if (found < limit) return found < end ? found : end;
        if (end <= limit) return end;
      }
      const void* hit = end > start ? std::memchr(data + start, c, end - start) : nullptr;
      valid = true;
      from = start;
      limit = end;
      found = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : end;
      return found;
    }
  };

  Search lf_;
  Search cr_;
};

}  // namespace

void EscapeHtml(std::string& word) {
  // "&" first, so that the entities of the later passes are not escaped again.
  ReplaceAll(word, "&", "&amp;");
  ReplaceAll(word, "<", "&lt;");
  ReplaceAll(word, ">", "&gt;");
  ReplaceAll(word, "\"", "&quot;");
  ReplaceAll(word, "\xC2\xA3", "&pound;");
}

bool NeedsNoEscaping(std::string_view text) {
  return text.find_first_of("&<>\"") == std::string_view::npos && text.find("\xC2\xA3") == std::string_view::npos;
}

void MakeLinks(std::string& word, const LinkOptions& options) {
  Link link;
  if (!FindLink(word, options, link)) return;
  std::string linked;
  AppendLink(linked, link, options);
  word = linked;
}

void MakeUrlLink(std::string& word, bool removePunctuation) {
  std::string core = word, tail;
  if (removePunctuation && !EndsWithEntity(word) && !core.empty() && IsPunctuation(core.substr(core.size() - 1))) {
    tail = core.substr(core.size() - 1);
    core.pop_back();
  }
  std::string opening, closing, quote;
  StripBrackets(core, opening, closing);
  const std::string quoted = core;
  StripQuotes(core, quote);
  const std::string closingQuote = quoted.substr(quoted.size() - quote.size());  // the case it is written in
  const std::size_t scheme = core.find("://");
  if (scheme != std::string::npos && scheme > 0) {
    for (char c : core.substr(0, scheme)) {
      if (IsPunctuation(std::string(1, c))) return;
    }
    if (IsScriptScheme(core.substr(0, scheme))) return;
  }
  word = opening + quote + "<A HREF=\"" + core + "\">" + core + "</A>" + closingQuote + closing + tail;
}

void StripBrackets(std::string& word, std::string& opening, std::string& closing) {
  opening.clear();
  closing.clear();
  if (word.size() < 2) return;
  for (std::string_view pair : {"()", "[]", "{}"}) {
    if (word.front() == pair[0] && word.back() == pair[1]) {
      opening = word.substr(0, 1);
      closing = word.substr(word.size() - 1);
      word = word.substr(1, word.size() - 2);
      return;
    }
  }
}

void StripQuotes(std::string& word, std::string& quote) {
  quote.clear();
  std::size_t length = 0;
  if (word.size() >= 2 * kQuoteEntity.size() && LowerText(word.substr(0, kQuoteEntity.size())) == kQuoteEntity &&
      LowerText(word.substr(word.size() - kQuoteEntity.size())) == kQuoteEntity) {
    length = kQuoteEntity.size();
  } else if (word.size() >= 2 && word.front() == word.back() && (word.front() == '\'' || word.front() == '"')) {
    length = 1;
  }
  if (length == 0) return;
  quote = word.substr(0, length);
  word = word.substr(length, word.size() - 2 * length);
}

bool IsPunctuation(std::string_view ch) {
  return ch.size() == 1 && std::string_view(",.:;?!").find(ch[0]) != std::string_view::npos;
}

void AppendLink(std::string& out, const Link& link, const LinkOptions& options) {
  WriteLinkPieces(link, options, [&out](std::string_view piece) { out.append(piece); });
}

int SplitString(std::string_view text, std::string_view delimiter, std::vector<std::string_view>& parts) {
  if (delimiter.empty()) return -1;
  parts.clear();
  std::size_t start = 0;
  for (std::size_t at = text.find(delimiter); at != std::string_view::npos; at = text.find(delimiter, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  parts.push_back(text.substr(start));
  return static_cast<int>(parts.size());
}

void NormaliseLineEnds(const ReadFunction& read, const LineFunction& onLine) {
  std::vector<char> buffer(kReadBlock);
  std::size_t begin = 0;    // start of the current line
  std::size_t end = 0;      // end of the bytes read so far
  std::size_t scanned = 0;  // no line end in [begin, scanned)
  bool atEnd = false;
  std::uint64_t consumed = 0;
  LineEndFinder finder;

  // Moves the unread bytes to the front, grows a full buffer, and reads more.
  const auto refill = [&] {
    if (begin > 0) {
      std::memmove(buffer.data(), buffer.data() + begin, end - begin);
      finder.Reset();
      end -= begin;
      scanned -= begin;
      begin = 0;
    }
    if (end == buffer.size()) buffer.resize(buffer.size() * 2);
    const std::size_t got = read(buffer.data() + end, buffer.size() - end);
    if (got == 0) atEnd = true;
    end += got;
  };

  for (;;) {
    const std::size_t eol = finder.Find(buffer.data(), scanned, end);
    if (eol == end) {
      scanned = end;
      if (!atEnd) {
        refill();
        continue;
      }
      if (end > begin) {
        consumed += end - begin;
        onLine(std::string_view(buffer.data() + begin, end - begin), consumed);
      }
      return;
    }
    std::size_t next = eol + 1;
    if (buffer[eol] == '\r') {
      if (next == end && !atEnd) {  // an LF may follow in the next block
        scanned = eol;
        refill();
        continue;
      }
      if (next < end && buffer[next] == '\n') ++next;
    }
    consumed += next - begin;
    onLine(std::string_view(buffer.data() + begin, eol - begin), consumed);
    begin = scanned = next;
  }
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
