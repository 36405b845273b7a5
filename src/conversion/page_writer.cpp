// What every page writer shares: table fields, body text and option links.
#include "page_writer.h"

#include <algorithm>
#include <cstring>

#include "byte_rules.h"

namespace scrivane {
namespace {

constexpr char kQuote = '"';

// Where the next `separator` (not empty) starts at or after `at`, or the line's
// size when none does.
std::size_t FindSeparator(std::string_view line, std::size_t at, std::string_view separator) {
  for (;; ++at) {
    at = FindByte(line.data(), at, line.size(), separator[0]);
    if (line.size() - at < separator.size()) return line.size();
    if (separator.size() == 1 || line.substr(at + 1, separator.size() - 1) == separator.substr(1)) return at;
  }
}

}  // namespace

// A field that begins with a double quote runs to its closing quote; text after
// the closing quote is kept as it is.
void SplitFields(std::string_view line, const std::string& separator, std::string& unquoted,
                 std::vector<std::string_view>& fields) {
  fields.clear();
  if (separator.empty()) {
    fields.push_back(line);
    return;
  }
  unquoted.clear();
  std::size_t at = 0;
  for (;;) {
    const bool quoted = at < line.size() && line[at] == kQuote;
    const std::size_t start = unquoted.size();
    if (quoted) {
      // Room for the whole line before its first quoted field: never outgrown, so
      // views into it stay valid.
      if (unquoted.capacity() < line.size()) unquoted.reserve(line.size());
      ++at;
      while (at < line.size()) {
        if (line[at] != kQuote) {
          unquoted.push_back(line[at++]);
        } else if (at + 1 < line.size() && line[at + 1] == kQuote) {
          unquoted.push_back(kQuote);
          at += 2;
        } else {
          ++at;
          break;
        }
      }
    }
    const std::size_t next = FindSeparator(line, at, separator);
    const std::string_view rest(line.data() + at, next - at);
    if (quoted) {
      unquoted.append(rest);
      fields.emplace_back(unquoted.data() + start, unquoted.size() - start);
    } else {
      fields.push_back(rest);
    }
    if (next == line.size()) return;
    at = next + separator.size();
  }
}

LineWrapping LineWrapping::Of(std::string_view prefix, std::string_view suffix, std::string_view empty) {
  LineWrapping wrapping;
  const auto put = [](Piece& piece, std::string_view bytes) {
    piece.size = bytes.copy(piece.bytes.data(), piece.bytes.size());
  };
  put(wrapping.prefix, prefix);
  put(wrapping.suffix, suffix);
  put(wrapping.empty, empty);
  return wrapping;
}

void PageWriter::AddPlainLines(std::string_view lines) {
  // The scan notes controls under the modern rules only: there its plain lines are printable.
  for (std::size_t start = 0; start < lines.size();) {
    const std::size_t end = lines.find('\n', start);
    AddLine(lines.substr(start, end - start), true, plan_.links.modern);
    start = end + 1;
  }
}

namespace {

// Copies a wrapping's piece with one store of eight bytes; returns the end of the piece.
char* Put(char* at, const LineWrapping::Piece& piece) {
  std::memcpy(at, piece.bytes.data(), piece.bytes.size());
  return at + piece.size;
}

constexpr std::size_t kStep = 32;  // bytes of a line copied at once

#if defined(__SSE2__) && !defined(SCRIVANE_PORTABLE)
// Copies a step's bytes from `from` to `to` and returns their LFs, one bit each.
unsigned CopyStep(const char* from, char* to) {
  const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), first);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16), second);
  const __m128i feed = _mm_set1_epi8('\n');
  const auto feeds = [&](__m128i bytes) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)));
  };
  return feeds(first) | feeds(second) << 16;
}
#endif

}  // namespace

void PageWriter::WriteWrappedLines(std::string_view lines, const LineWrapping& wrapping) {
  // The lines are put together in a buffer here, which takes no check per byte,
  // and appended to the pending text a few thousand bytes at a time.
  constexpr std::size_t kBuffer = 8192;
  char buffer[kBuffer + 2 * kStep];  // room past the limit for a piece and one more step's stores
  char* const limit = buffer + kBuffer;
  std::string& out = sink_.Text();
  char* o = buffer;
  const auto spill = [&] {
    out.append(buffer, static_cast<std::size_t>(o - buffer));
    o = buffer;
  };
  const char* p = lines.data();
  const char* const end = p + lines.size();
  // Where a step would read past the lines: from there on they are copied byte by byte.
  [[maybe_unused]] const char* const safeEnd = lines.size() < kStep ? p : end - kStep + 1;
  while (p < end) {  // a line each time round; every line ends in LF
    if (o >= limit) {
      spill();
      sink_.PassIfFull();
    }
    if (*p == '\n') {
      o = Put(o, wrapping.empty);
      ++p;
      continue;
    }
    o = Put(o, wrapping.prefix);
    for (;;) {
#if defined(__SSE2__) && !defined(SCRIVANE_PORTABLE)
      if (p < safeEnd) {
        const unsigned feeds = CopyStep(p, o);
        if (feeds != 0) {
          const auto step = static_cast<unsigned>(__builtin_ctz(feeds));
          p += step;
          o += step;
          break;
        }
        p += kStep;
        o += kStep;
        if (o >= limit) spill();
        continue;
      }
#endif
      if (*p == '\n') break;
      *o++ = *p++;
      if (o >= limit) spill();
    }
    ++p;  // the LF
    o = Put(o, wrapping.suffix);
  }
  spill();
  sink_.PassIfFull();
}

PageWriter::PageWriter(const PagePlan& plan, DocumentSink& sink)
    : plan_(plan), sink_(sink), title_(plan.texts.title), drain_([this] { sink_.Flush(); }) {}

void PageWriter::WriteLongOrMarkedText(std::string_view text, bool plain) {
  // A long text goes out in pieces cut at spaces, so the pending output stays
  // small; words never span a space, so the pieces render as the whole would.
  while (text.size() > kTextPiece) {
    if (plain) {
      sink_.Append(text);
      return;
    }
    std::size_t cut = text.rfind(' ', kTextPiece);
    if (cut == std::string_view::npos) cut = text.find(' ', kTextPiece);
    if (cut == std::string_view::npos) break;
    RenderText(text.substr(0, cut + 1), plan_.links, sink_.Text(), drain_);
    sink_.Flush();
    text.remove_prefix(cut + 1);
  }
  if (plain) {
    sink_.Text().append(text);
  } else {
    RenderText(text, plan_.links, sink_.Text(), drain_);
  }
}

bool PageWriter::RenderBlockTextAhead(std::string_view text, bool plain, bool, std::string& out) const {
  if (text.size() > kTextPiece) return false;
  if (plain) {
    out.append(text);
  } else {
    RenderText(text, plan_.links, out);
  }
  return true;
}

void PageWriter::UseDocumentTitle(std::string_view text) {
  if (text.empty() || !plan_.showsDocumentTitle) return;
  title_.clear();
  AppendEscaped(title_, text);
}

bool PageWriter::TakeOptionLink(std::string_view line) {
  std::size_t wordStart = 0, wordEnd = 0;
  if (!FindFirstLink(line, plan_.links, link_, wordStart, wordEnd)) return false;
  // The label: the line's other words, one space apart.
  label_.clear();
  for (std::string_view part : {line.substr(0, wordStart), line.substr(wordEnd)}) {
    for (std::size_t start = 0; start < part.size();) {
      const std::size_t end = std::min(part.find(' ', start), part.size());
      if (end > start) {
        if (!label_.empty()) label_.push_back(' ');
        label_.append(part.substr(start, end - start));
      }
      start = end + 1;
    }
  }
  return true;
}

void PageWriter::AppendOptionLabel(std::string& out) {
  if (label_.empty()) {
    AppendDrained(out, link_.text, drain_);
  } else {
    AppendEscaped(out, label_);
  }
}

std::unique_ptr<PageWriter> MakePageWriter(const PagePlan& plan, DocumentSink& sink, std::size_t tableColumns) {
  switch (plan.style) {
    case PageStyle::Modern: return MakeModernPageWriter(plan, sink, tableColumns);
    case PageStyle::Classic: break;
  }
  return MakeClassicPageWriter(plan, sink);
}

}  // namespace scrivane
