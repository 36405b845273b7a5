// The line recognisers. Every test looks at bytes only and gives up at the first
// byte that rules it out, since most lines of a text are ordinary words.
#include "structure_lines.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "markup.h"
#include "page_text.h"
#include "utf8.h"

namespace scrivane {
namespace {

constexpr std::size_t kTabWidth = 8;
constexpr std::size_t kHeadingChars = 72;

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool IsLetter(char c) { return IsUpper(c) || IsLower(c); }
bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// Bytes of white space from `at` on (a plain loop: the runs are short).
std::size_t SpacesFrom(std::string_view body, std::size_t at) {
  std::size_t end = at;
  while (end < body.size() && IsBlankChar(body[end])) ++end;
  return end - at;
}

// True when the text goes on after position `at` with white space and then a word.
bool WordFollows(std::string_view body, std::size_t at) {
  return at < body.size() && IsBlankChar(body[at]) && at + SpacesFrom(body, at) < body.size();
}

// True when the text holds more than `limit` characters; a text of no more
// bytes than that needs no count.
bool MoreCharsThan(std::string_view text, std::size_t limit) { return text.size() > limit && CharCount(text) > limit; }

// One bit (the top of its byte) for each zero byte of a word.
std::uint64_t ZeroBytes(std::uint64_t word) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// Where, from `from` on, the text holds a TAB or two spaces in a row; the size when nowhere.
// Ordinary text has neither, so it is searched eight bytes at a time.
std::size_t NextWideSpace(std::string_view text, std::size_t from) {
  constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
  constexpr std::uint64_t kTabs = 0x0909090909090909ull;
  std::size_t i = from;
#if defined(__SSE2__)
  // Sixteen bytes at a time where the processor allows, each against the byte after it.
  const char* p = text.data();
  for (; i + 16 < text.size(); i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i wide = _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(here, space), _mm_cmpeq_epi8(next, space)),
                                      _mm_cmpeq_epi8(here, _mm_set1_epi8('\t')));
    if (const int mask = _mm_movemask_epi8(wide)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
  }
  if (text.size() > 16 && i < text.size()) {
    // The rest but the last byte in one more step, over the 16 bytes before it; the
    // places before `i` were searched already.
    const std::size_t at = text.size() - 17;
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at + 1));
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i wide = _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(here, space), _mm_cmpeq_epi8(next, space)),
                                      _mm_cmpeq_epi8(here, _mm_set1_epi8('\t')));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(wide)) & (~0u << (i - at));
    if (mask != 0) return at + static_cast<std::size_t>(__builtin_ctz(mask));
    return text.back() == '\t' ? text.size() - 1 : text.size();
  }
#endif
  for (; i + sizeof(std::uint64_t) < text.size(); i += sizeof(std::uint64_t)) {
    const std::uint64_t here = EightBytesAt(text, i);
    const std::uint64_t wide = (ZeroBytes(here ^ kSpaces) & ZeroBytes(EightBytesAt(text, i + 1) ^ kSpaces)) |
                               ZeroBytes(here ^ kTabs);
    if (wide != 0) return i + static_cast<std::size_t>(std::countr_zero(wide)) / 8;
  }
  for (; i < text.size(); ++i) {
    if (text[i] == '\t' || (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ')) return i;
  }
  return text.size();
}

// Where the text goes on after the first column gap (see ColumnGaps) at or after
// `from`; 0 when there is none.
std::size_t ColumnGapEnd(std::string_view body, std::size_t from) {
  for (std::size_t i = from; (i = NextWideSpace(body, i)) < body.size();) {
    const std::size_t end = body.find_first_not_of(" \t", i);
    if (end == std::string_view::npos) return 0;
    const char before = body[i - 1];
    if (body[i] == '\t' || (before != '.' && before != '?' && before != '!' && before != ':' && before != ' ')) {
      return end;
    }
    i = end + 1;
  }
  return 0;
}

// A marker ended by `.` or `)` (or enclosed in brackets) around `token`, starting at 0.
// Returns the bytes it spans, or 0 when the text has no such marker.
std::size_t EnclosedToken(std::string_view body, std::size_t tokenLength, bool bracketed) {
  const std::size_t end = tokenLength + (bracketed ? 1 : 0);
  if (end >= body.size()) return 0;
  const char close = body[end];
  if (bracketed ? close != ')' : close != '.' && close != ')') return 0;
  return end + 1;
}

long RomanValue(std::string_view token) {
  long value = 0, last = 0;
  for (auto it = token.rbegin(); it != token.rend(); ++it) {
    const long digit = *it == 'i' ? 1 : *it == 'v' ? 5 : *it == 'x' ? 10 : 0;
    if (digit == 0) return 0;
    value += digit < last ? -digit : digit;
    last = std::max(last, digit);
  }
  return value;
}

// The ordered marker at the start of the text, if any.
ListMarker OrderedMarker(std::string_view body) {
  const bool bracketed = body[0] == '(';
  const std::size_t start = bracketed ? 1 : 0;
  std::size_t end = start;
  while (end < body.size() && end - start < 4 && (IsDigit(body[end]) || IsLower(body[end]))) ++end;
  const std::string_view token = body.substr(start, end - start);
  // Most lines open with a word, not a token closed by "." or ")".
  if (token.empty() || end >= body.size() || (body[end] != '.' && body[end] != ')')) return {};
  ListMarker marker;
  if (std::all_of(token.begin(), token.end(), IsDigit)) {
    if (token.size() > 3) return {};
    marker.kind = MarkerKind::Number;
    for (char digit : token) marker.number = 10 * marker.number + (digit - '0');
  } else if (token.size() > 1 && RomanValue(token) > 0) {
    marker.kind = MarkerKind::Roman;
    marker.number = RomanValue(token);
  } else if (token.size() == 1) {
    marker.kind = MarkerKind::Letter;
    marker.number = token[0] - 'a' + 1;
  } else {
    return {};
  }
  const std::size_t length = EnclosedToken(body.substr(start), token.size(), false) + start;
  if (length == start || (bracketed && body[length - 1] != ')')) return {};
  // "a." and "i." open too many sentences; a letter needs a bracket, or a capital after it ("a. The").
  if (marker.kind == MarkerKind::Letter && !bracketed && body[length - 1] != ')') {
    const std::size_t word = length + SpacesFrom(body, length);
    if (word == length || word >= body.size() || !IsUpper(body[word])) return {};
  }
  if (!WordFollows(body, length)) return {};
  marker.width = length + SpacesFrom(body, length);
  return marker;
}

// True when most words of more than three letters start with a capital.
bool MostWordsCapitalised(std::string_view body) {
  std::size_t words = 0, capitals = 0;
  for (std::size_t start = 0; start < body.size();) {
    const std::size_t end = std::min(body.find(' ', start), body.size());
    std::size_t letters = 0;
    for (std::size_t i = start; i < end; ++i) letters += IsLetter(body[i]) ? 1 : 0;
    if (letters > 3) {
      ++words;
      capitals += IsUpper(body[start]) || (body[start] == '"' && start + 1 < end && IsUpper(body[start + 1])) ? 1 : 0;
    }
    start = end + 1;
  }
  return words == 0 || 2 * capitals > words;
}

// True for a line of 3 or more of one box-drawing horizontal (U+2500, U+2501, U+2550).
bool IsBoxRule(std::string_view body) {
  constexpr std::size_t kWidth = 3;
  if (body.size() < 3 * kWidth || body.size() % kWidth != 0) return false;
  const std::string_view mark = body.substr(0, kWidth);
  if (mark != "\xE2\x94\x80" && mark != "\xE2\x94\x81" && mark != "\xE2\x95\x90") return false;
  for (std::size_t i = kWidth; i < body.size(); i += kWidth) {
    if (body.substr(i, kWidth) != mark) return false;
  }
  return true;
}

// True for the line a news reader puts over an article's headers: "Article 2846 of alt.sources:".
bool IsNewsArticleLine(std::string_view line) {
  constexpr std::string_view kArticle = "Article ";
  std::size_t i = kArticle.size();
  while (i < line.size() && IsDigit(line[i])) ++i;
  return i > kArticle.size() && line.substr(i).starts_with(" of ") && line.ends_with(':') &&
         line.find(' ', i + 4) == std::string_view::npos;
}

// True for a mailbox's "From " line as web archives spell its address: "From a at b.org ...".
bool IsArchivedSender(std::string_view line) {
  constexpr std::string_view kAt = " at ";
  const std::size_t at = line.find(' ', 5);
  if (at == std::string_view::npos || !line.substr(at).starts_with(kAt)) return false;
  const std::string_view domain = line.substr(at + kAt.size(), line.find(' ', at + kAt.size()) - at - kAt.size());
  const std::size_t dot = domain.find('.');
  return dot != std::string_view::npos && dot > 0 && dot + 1 < domain.size();
}

}  // namespace

LineShape ShapeOfSpaced(std::string_view line) {
  LineShape shape;
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;  // an indent is mostly spaces
  shape.indent = i;
  for (; i < line.size() && (IsBlankChar(line[i]) || line[i] == '\f'); ++i) {
    if (line[i] == '\t') {
      shape.indent = (shape.indent / kTabWidth + 1) * kTabWidth;
      shape.tabbed = true;
    } else if (line[i] == ' ') {
      ++shape.indent;
    }
  }
  std::size_t end = line.size();
  while (end > i && (IsBlankChar(line[end - 1]) || line[end - 1] == '\f')) --end;
  shape.body = line.substr(i, end - i);
  return shape;
}

char UnderlineMark(std::string_view body) {
  if (body == "==") return '=';  // a Markdown writer's shortest underline
  if (body.size() < 3) return 0;
  const char mark = body[0];
  if (std::string_view("=-~*#^\".").find(mark) == std::string_view::npos) return 0;
  return body.find_first_not_of(mark) == std::string_view::npos ? mark : 0;
}

bool UnderlinesText(std::string_view underline, std::string_view text) {
  const std::size_t marks = underline.size();
  const std::size_t chars = CharCount(text);
  if (chars == 0 || chars > kHeadingChars) return false;
  return (marks + 3 >= chars || marks * 2 >= chars) && marks <= chars * 2 + 3;
}

int HashHeadingLevel(std::string_view body, std::string_view& text) {
  std::size_t marks = 0;
  while (marks < body.size() && body[marks] == '#') ++marks;
  if (marks == 0 || marks > 6 || !WordFollows(body, marks)) return 0;
  std::string_view words = body.substr(marks);
  words.remove_prefix(SpacesFrom(words, 0));
  const std::size_t closing = words.find_last_not_of('#');
  if (closing != std::string_view::npos && closing + 1 < words.size() && IsBlankChar(words[closing])) {
    words = words.substr(0, closing);
  }
  while (!words.empty() && IsBlankChar(words.back())) words.remove_suffix(1);
  text = words;
  return static_cast<int>(marks);
}

int StarHeadingLevel(std::string_view body) {
  std::size_t stars = 0;
  while (stars < body.size() && body[stars] == '*') ++stars;
  return stars > 0 && stars <= 6 && WordFollows(body, stars) ? static_cast<int>(stars) : 0;
}

std::string_view WithoutModeLine(std::string_view body) {
  if (!body.ends_with("-*-")) return body;
  const std::size_t open = body.rfind("-*-", body.size() - 4);
  if (open == std::string_view::npos || open == 0) return body;
  return ShapeOf(body.substr(0, open)).body;
}

ListMarker ListMarkerOf(std::string_view body) {
  if (body.size() < 3) return {};
  const char first = body[0];
  if ((first == '-' || first == '*' || first == '+' || first == 'o') && WordFollows(body, 1)) {
    return {MarkerKind::Bullet, 1 + SpacesFrom(body, 1), 0};
  }
  // The bullet • (E2 80 A2) and the middle dot · (C2 B7).
  if (first == '\xE2' || first == '\xC2') {
    for (std::string_view bullet : {std::string_view("\xE2\x80\xA2"), std::string_view("\xC2\xB7")}) {
      if (body.starts_with(bullet) && WordFollows(body, bullet.size())) {
        return {MarkerKind::Bullet, bullet.size() + SpacesFrom(body, bullet.size()), 0};
      }
    }
  }
  if (IsDigit(first) || IsLower(first) || first == '(') return OrderedMarker(body);
  return {};
}

int SectionDepth(std::string_view body) {
  for (std::string_view word : {std::string_view("Appendix"), std::string_view("APPENDIX"),
                                std::string_view("Chapter"), std::string_view("CHAPTER"),
                                std::string_view("Section"), std::string_view("SECTION")}) {
    if (!body.starts_with(word)) continue;
    // A space or a no-break space (as documents made from markup have) before the number.
    const std::string_view rest = body.substr(word.size());
    const std::size_t gap = rest.starts_with(' ') ? 1 : rest.starts_with("\xC2\xA0") ? 2 : 0;
    if (gap > 0 && rest.size() > gap && (IsDigit(rest[gap]) || IsUpper(rest[gap]))) return 1;
  }
  int depth = 0;
  std::size_t i = 0;
  for (;;) {
    const std::size_t start = i;
    if (i < body.size() && IsUpper(body[i]) && depth == 0) {
      ++i;  // an appendix letter, which must be followed by a number
      if (i >= body.size() || body[i] != '.' || i + 1 >= body.size() || !IsDigit(body[i + 1])) return 0;
    } else {
      while (i < body.size() && IsDigit(body[i]) && i - start < 3) ++i;
      if (i == start || (i < body.size() && IsDigit(body[i]))) return 0;
    }
    ++depth;
    if (i < body.size() && body[i] == '.') ++i;
    if (i >= body.size() || !IsDigit(body[i])) break;
  }
  if (depth > 6 || !WordFollows(body, i)) return 0;
  const std::size_t word = i + SpacesFrom(body, i);
  return IsLetter(body[word]) || static_cast<unsigned char>(body[word]) >= 0x80 ? depth : 0;
}

bool IsCommandLine(std::string_view body, int maxPlainWords) {
  // The cheap tests first, as most lines are prose: how the line starts and ends.
  if (body.empty() || !(IsLower(body[0]) || body[0] == '.')) return false;
  const char last = body.back();
  if (last == ',' || last == ';' || last == '?' || last == '!' || last == ':' ||
      (last == '.' && body.size() > 1 && body[body.size() - 2] != '.' && body[body.size() - 2] != '/')) {
    return false;
  }
  // A command word first: lower-case letters, digits and . _ / - ("git", "./configure").
  std::size_t i = 0;
  while (i < body.size() && (IsLower(body[i]) || IsDigit(body[i]) || body[i] == '.' || body[i] == '_' ||
                             body[i] == '/' || body[i] == '-')) {
    ++i;
  }
  if (i < body.size() && body[i] != ' ') return false;
  // No capitalised word, comma, sentence end, "didn't" or "name: value" of prose anywhere, and few plain words.
  int plainWords = 0;
  bool plainWord = false;
  for (std::size_t at = i; at < body.size(); ++at) {
    const char c = body[at];
    if (c == ' ') {
      plainWords += plainWord ? 1 : 0;
      if (plainWords > maxPlainWords) return false;
      plainWord = at + 1 < body.size() && IsLower(body[at + 1]);
      if (at + 2 < body.size() && IsUpper(body[at + 1]) && IsLower(body[at + 2])) return false;
    } else if (!IsLower(c)) {
      if (c == '\'' && IsLetter(body[at - 1]) && at + 1 < body.size() && IsLetter(body[at + 1])) return false;
      plainWord = false;
    }
    if ((c == ',' || c == '.' || c == '?' || c == '!' || c == ';' || c == ':') && at + 1 < body.size() &&
        body[at + 1] == ' ') {
      return false;
    }
  }
  return plainWords + (plainWord ? 1 : 0) <= maxPlainWords;
}

bool IsMakeRule(std::string_view body) {
  std::size_t i = 0;
  while (i < body.size() && (IsLetter(body[i]) || IsDigit(body[i]) || std::string_view("_.$()/%-").find(body[i]) != std::string_view::npos)) {
    ++i;
  }
  // "Note: $(HOME) ..." is prose, "--quiet::" an option's term.
  if (i == 0 || IsUpper(body[0]) || body[0] == '-') return false;
  if (i < body.size() && body[i] == ' ') ++i;
  if (i >= body.size() || body[i] != ':') return false;
  const bool twoColons = i + 1 < body.size() && body[i + 1] == ':';
  const std::size_t after = i + (twoColons ? 2 : 1);
  // Prerequisites follow ("name::" alone is a term of a list, "_$(str) :" a function's name).
  if (after >= body.size() || (body[after] != ' ' && body[after] != '\t') || after + SpacesFrom(body, after) >= body.size()) {
    return false;
  }
  return twoColons || body.find("$(") != std::string_view::npos;
}

bool IsPromptLine(std::string_view body) {
  if (body.size() < 3 || (body[0] != '$' && body[0] != '%') || body[1] != ' ') return false;
  const std::string_view command = body.substr(2 + SpacesFrom(body, 2));
  if (body[0] == '%') return IsCommandLine(command);
  return !command.empty() && (IsLower(command[0]) || command[0] == '.' || command[0] == '/' || command[0] == '~');
}

bool HasShellMarks(std::string_view body) {
  for (std::string_view mark : {"&&", " | ", "~/", "./"}) {
    if (body.find(mark) != std::string_view::npos) return true;
  }
  // An option: " -x" or " --name".
  for (std::size_t at = body.find(" -"); at != std::string_view::npos; at = body.find(" -", at + 1)) {
    const std::size_t letter = at + (at + 2 < body.size() && body[at + 2] == '-' ? 3 : 2);
    if (letter < body.size() && IsLetter(body[letter])) return true;
  }
  return false;
}

bool IsTitleCase(std::string_view body) { return MostWordsCapitalised(body); }

bool IsHeadingLength(std::string_view body) {
  if (body.empty()) return false;
  const char last = body.back();
  return last != '.' && last != ',' && last != ';' && last != '!' && last != '?' && !MoreCharsThan(body, kHeadingChars);
}

bool IsSectionHeading(std::string_view body) {
  if (SectionDepth(body) == 0) return false;
  // "3. Rebase your branch." reads as a numbered step; "3. Conveying Source Versions." as a title.
  if (ListMarkerOf(body).kind == MarkerKind::Number && !MostWordsCapitalised(body)) return false;
  if (IsHeadingLength(body)) return true;
  if (!body.ends_with('.') || MoreCharsThan(body, kHeadingChars)) return false;
  const std::size_t word = body.find(' ');
  if (word == std::string_view::npos || !IsUpper(body[body.find_first_not_of(' ', word)])) return false;
  const std::size_t words = static_cast<std::size_t>(std::count(body.begin(), body.end(), ' '));
  const std::size_t stops = static_cast<std::size_t>(std::count(body.begin(), body.end(), '.'));
  return words <= 8 && stops <= 2 + static_cast<std::size_t>(SectionDepth(body));
}

bool IsQuestionLine(std::string_view body) {
  return body.size() > 3 && body[0] == 'Q' && (body[1] == ':' || body[1] == '.') && WordFollows(body, 2);
}

bool IsChangelogEntry(std::string_view body) {
  if (body.empty() || !(IsLower(body[0]) || IsDigit(body[0]))) return false;
  const std::size_t space = body.find(' ');
  if (space == std::string_view::npos || space + 1 >= body.size() || body[space + 1] != '(') return false;
  const std::size_t close = body.find(')', space);
  return close != std::string_view::npos && body.find("; urgency=", close) != std::string_view::npos;
}

bool IsCommitLine(std::string_view body) {
  constexpr std::string_view kCommit = "commit ";
  if (!body.starts_with(kCommit)) return false;
  std::size_t end = kCommit.size();
  while (end < body.size() && (IsDigit(body[end]) || (body[end] >= 'a' && body[end] <= 'f'))) ++end;
  const std::size_t digits = end - kCommit.size();
  return digits >= 7 && digits <= 40 && (end == body.size() || body.substr(end).starts_with(" ("));
}

bool IsCapitalsLine(std::string_view body) {
  std::size_t letters = 0;
  for (char c : body) {
    if (IsLower(c)) return false;
    if (IsUpper(c)) {
      ++letters;
    } else if (!IsDigit(c) && c != ' ' && c != '-' && c != ',' && c != '&' && c != '\'' && c != '/' &&
               c != ':' && c != '(' && c != ')' && c != '.' && static_cast<unsigned char>(c) < 0x80) {
      return false;
    }
  }
  return letters >= 2 && IsHeadingLength(body) && body.back() != '.';
}

bool IsProseLine(std::string_view body) {
  constexpr std::size_t kMinWords = 8;
  std::size_t words = 0, plain = 0;
  for (std::size_t at = 0; at < body.size();) {
    const std::size_t end = std::min(body.find(' ', at), body.size());
    std::string_view word = body.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    ++words;
    while (!word.empty() && std::string_view("(\"'").find(word.front()) != std::string_view::npos) word.remove_prefix(1);
    while (!word.empty() && std::string_view(".,;:)\"'!?").find(word.back()) != std::string_view::npos) word.remove_suffix(1);
    const auto letter = [](char c) { return IsLetter(c) || c == '-' || c == '\'' || static_cast<unsigned char>(c) >= 0x80; };
    plain += !word.empty() && std::all_of(word.begin(), word.end(), letter) ? 1 : 0;
  }
  return words >= kMinWords && plain * 10 >= words * 9;
}

std::string_view FramedText(std::string_view body) {
  constexpr std::size_t kMinMarks = 3;
  if (body.size() < 2 * kMinMarks + 3 || std::string_view("-=*#~").find(body[0]) == std::string_view::npos) return {};
  const char mark = body[0];
  const std::size_t open = body.find_first_not_of(mark);
  const std::size_t close = body.find_last_not_of(mark);
  if (open == std::string_view::npos || open < kMinMarks || body.size() - 1 - close < kMinMarks || body[open] != ' ' || body[close] != ' ') return {};
  const std::string_view words = ShapeOf(body.substr(open, close + 1 - open)).body;
  // Words starting as a heading does (a delimiter's "--- end of file ---" does not), and no more marks.
  const bool opens = !words.empty() && (IsUpper(words[0]) || IsDigit(words[0]));
  return opens && words.find(mark) == std::string_view::npos && std::any_of(words.begin(), words.end(), IsLetter)
             ? words
             : std::string_view();
}

bool IsRuleLine(std::string_view body) {
  if (body.empty()) return false;
  const char mark = body[0];
  if (mark == '\xE2') return IsBoxRule(body);
  if (mark != '-' && mark != '*' && mark != '_' && mark != '=') return false;
  std::size_t marks = 0;
  for (char c : body) {
    if (c == mark) {
      ++marks;
    } else if (c != ' ') {
      return false;
    }
  }
  return marks >= 3;
}

std::string_view FenceOf(std::string_view body) {
  if (body.size() < 3 || (body[0] != '`' && body[0] != '~')) return {};
  const std::size_t run = std::min(body.find_first_not_of(body[0]), body.size());
  if (run < 3) return {};
  // An info string may follow an opening fence, but not another backtick.
  if (body[0] == '`' && body.find('`', run) != std::string_view::npos) return {};
  return body.substr(0, run);
}

std::size_t QuoteDepth(std::string_view line, std::string_view& rest) {
  std::size_t depth = 0, i = 0, afterLast = 0;
  for (;;) {
    const std::size_t mark = line.find_first_not_of(' ', i);
    if (mark == std::string_view::npos || line[mark] != '>' || mark - i > 3) break;
    ++depth;
    i = mark + 1;
    afterLast = i;
  }
  if (depth == 0) {
    rest = line;
    return 0;
  }
  rest = line.substr(afterLast);
  if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
  return depth;
}

bool OpensPatch(std::string_view body, std::string_view next) {
  if (body.starts_with("--- ")) return next.starts_with("+++ ");
  if (body.starts_with("diff -")) return next.starts_with("index ") || next.starts_with("--- ");
  return body.starts_with("@@ -") && body.find(" @@", 4) != std::string_view::npos;
}

bool IsTableBorder(std::string_view body) {
  if (body.size() < 3 || (body[0] != '+' && body[0] != '|')) return false;
  bool rule = false;
  for (char c : body) {
    if (c == '-' || c == '=') {
      rule = true;
    } else if (c != '+' && c != '|' && c != ' ' && c != ':') {
      return false;
    }
  }
  return rule;
}

std::size_t ColumnGaps(std::string_view body) {
  std::size_t gaps = 0;
  for (std::size_t from = 1; (from = ColumnGapEnd(body, from)) != 0; ++from) ++gaps;
  return gaps;
}

bool IsHeaderField(std::string_view line) {
  // Every field name, and "From ", opens with a capital: most lines are ruled out here.
  if (line.empty() || !IsUpper(line[0])) return false;
  if (line.starts_with("From ") && (line.find('@') != std::string_view::npos || IsArchivedSender(line))) return true;
  if (line.starts_with("Article ")) return IsNewsArticleLine(line);
  // The name: letters, digits and '-', at most 40 of them.
  static constexpr auto kNameBytes = [] {
    std::array<bool, 256> bytes{};
    for (int c = 0; c < 256; ++c) bytes[c] = IsLetter(static_cast<char>(c)) || IsDigit(static_cast<char>(c)) || c == '-';
    return bytes;
  }();
  const std::size_t limit = std::min<std::size_t>(line.size(), 40);
  std::size_t i = 1;  // the capital
  while (i < limit && kNameBytes[static_cast<unsigned char>(line[i])]) ++i;
  return i + 1 < line.size() && line[i] == ':' && line[i + 1] == ' ';
}

bool IsMailHeader(std::string_view line) {
  // The names first, by their first letter: a text's other fields ("Copyright:") fail there.
  if (line.empty()) return false;
  using namespace std::string_view_literals;  // names of known length, not measured on each call
  bool named = false;
  switch (line[0]) {
    case 'F': named = line.starts_with("From:"sv) || line.starts_with("From "sv); break;
    case 'S': named = line.starts_with("Subject:"sv); break;
    case 'D': named = line.starts_with("Date:"sv); break;
    case 'T': named = line.starts_with("To:"sv); break;
    case 'N': named = line.starts_with("Newsgroups:"sv); break;
    case 'M': named = line.starts_with("Message-ID:"sv) || line.starts_with("Message-Id:"sv); break;
    case 'R': named = line.starts_with("Reply-To:"sv); break;
    case 'C': named = line.starts_with("Cc:"sv); break;
    default: break;
  }
  return named && IsHeaderField(line);
}

std::string_view BoundaryOf(std::string_view line) {
  std::size_t at = line.find("oundary=");
  if (at == 0 || at == std::string_view::npos || (line[at - 1] != 'b' && line[at - 1] != 'B')) return {};
  std::string_view value = line.substr(at + 8);
  if (value.starts_with('"')) {
    value.remove_prefix(1);
    return value.substr(0, value.find('"'));
  }
  return value.substr(0, value.find_first_of("; \t"));
}

std::string_view NamingFieldOf(std::string_view line) {
  for (std::string_view name : {std::string_view("Subject:"), std::string_view("Upstream-Name:")}) {
    if (line.starts_with(name)) return ShapeOf(line.substr(name.size())).body;
  }
  return {};
}

std::string_view NameInMarkup(std::string_view line) {
  const std::string_view body = ShapeOf(line).body;
  if (!body.starts_with('<')) return {};
  std::size_t at = body.find("<h1");
  if (at != std::string_view::npos && (at = body.find('>', at)) != std::string_view::npos) {
    const std::size_t end = body.find('<', at + 1);
    const std::string_view text = ShapeOf(body.substr(at + 1, end - at - 1)).body;
    if (!text.empty()) return text;
  }
  at = body.find("<img");
  if (at == std::string_view::npos || (at = body.find(" alt=\"", at)) == std::string_view::npos) return {};
  at += 6;
  const std::size_t end = body.find('"', at);
  return end == std::string_view::npos ? std::string_view{} : ShapeOf(body.substr(at, end - at)).body;
}

bool OpensBox(std::string_view body, std::string_view next) {
  const char mark = UnderlineMark(body);
  if (mark == 0 || body.size() < 3 || next.size() < 3 || next.front() != mark || next.back() != mark ||
      next.find_first_not_of(mark) == std::string_view::npos) {  // two rows are a double rule
    return false;
  }
  return next.size() <= body.size() + 2 && body.size() <= next.size() + 2;
}

std::string_view InsideBox(std::string_view body, char mark) {
  if (body.size() < 2 || body.front() != mark || body.back() != mark) return body;
  return ShapeOf(body.substr(1, body.size() - 2)).body;
}

std::string_view NameInImage(std::string_view body) {
  if (!body.starts_with("![")) return {};
  const std::size_t close = body.find("](", 2);
  return close == std::string_view::npos ? std::string_view{} : ShapeOf(body.substr(2, close - 2)).body;
}

bool IsBadgeLine(std::string_view body) {
  // Each badge is "[![alt](image)](target)"; spaces may part them.
  while (body.starts_with("[![")) {
    const std::size_t image = body.find("](", 3);
    const std::size_t target = image == std::string_view::npos ? image : body.find(")](", image);
    const std::size_t end = target == std::string_view::npos ? target : body.find(')', target + 3);
    if (end == std::string_view::npos) return false;
    body.remove_prefix(end + 1);
    body.remove_prefix(std::min(body.size(), SpacesFrom(body, 0)));
  }
  return body.empty();
}

bool IsCentred(const LineShape& shape) {
  // An editor that centres with TABs fills the rest of the indent with spaces, and centres
  // words. One or two TABs alone, one TAB and a few spaces (a change log's wrapped lines),
  // or a command ("$ make", "# make") indent the text's own structure instead; three TABs
  // or more before a capital are a title's.
  if (shape.tabbed) {
    const unsigned char first = static_cast<unsigned char>(shape.body.empty() ? ' ' : shape.body[0]);
    const bool words = IsLetter(static_cast<char>(first)) || IsDigit(static_cast<char>(first)) || first >= 0x80;
    const bool tabsAlone = shape.indent % kTabWidth == 0;
    if ((tabsAlone && (shape.indent < 3 * kTabWidth || !IsUpper(static_cast<char>(first)))) ||
        shape.indent < 2 * kTabWidth || !words) {
      return false;
    }
  }
  // A character is at most a byte: a short line needs no count.
  if (shape.indent < 8 || 2 * shape.indent + shape.body.size() < 64) return false;
  const std::size_t span = 2 * shape.indent + CharCount(shape.body);
  return span >= 64 && span <= 84;
}

bool IsPageFooter(std::string_view body) {
  if (!body.ends_with(']')) return false;
  const std::size_t open = body.rfind("[Page ");
  if (open == std::string_view::npos || open + 7 > body.size() - 1) return false;
  const std::string_view number = body.substr(open + 6, body.size() - open - 7);
  return std::all_of(number.begin(), number.end(), IsDigit);
}

std::string FurnitureKey(std::string_view body) {
  std::string key;
  key.reserve(body.size());
  for (char c : body) {
    if (IsDigit(c)) {
      if (key.empty() || key.back() != '#') key.push_back('#');
    } else if (c == ' ' || c == '\t') {
      if (!key.empty() && key.back() != ' ') key.push_back(' ');
    } else {
      key.push_back(c);
    }
  }
  return key;
}

LineFacts::LineFacts(std::string_view line) : LineFacts(line, ShapeOf(line)) {}

LineFacts::LineFacts(std::string_view line, const LineShape& lineShape) : content(line), shape(lineShape) {
  const std::string_view body = shape.body;
  if (body.size() < 3) {  // too short for a marker with a word after it, or an underline but "=="
    underline = UnderlineMark(body);
    return;
  }
  const char first = body[0];
  // Most lines open with a word: a capital opens no marker, and a small letter or a
  // digit only a lone "o" or a token of up to four of them closed by "." or ")"
  // (neither opens an underline).
  if (IsUpper(first)) return;
  if ((IsLower(first) && first != 'o') || IsDigit(first)) {
    std::size_t end = 1;
    while (end < body.size() && end < 5 && (IsLower(body[end]) || IsDigit(body[end]))) ++end;
    if (end == body.size() || (body[end] != '.' && body[end] != ')')) return;
  }
  if (IsLower(first) || IsDigit(first)) {
    marker = ListMarkerOf(body);
    return;
  }
  // Other bytes open a marker only as a bullet or a bracket.
  if (first == '(' || first == '-' || first == '*' || first == '+' || first == '\xE2' || first == '\xC2') {
    marker = ListMarkerOf(body);
  }
  underline = UnderlineMark(body);
}

std::size_t LineFacts::Chars() const {
  if (chars_ == kNotCounted) chars_ = CharCount(shape.body);
  return chars_;
}

bool LineFacts::HasGap() const {
  if (gap_ < 0) gap_ = ColumnGapEnd(shape.body, 1) != 0 ? 1 : 0;
  return gap_ != 0;
}

std::string SlugOf(std::string_view text) {
  // Controls and noncharacters may stand in no page: each counts as U+FFFD.
  std::string clean;
  if (HasForbiddenCodePoints(text)) {
    AppendWithoutForbidden(clean, text);
    text = clean;
  }
  std::string slug;
  for (char c : text) {
    if (IsLetter(c) || IsDigit(c) || static_cast<unsigned char>(c) >= 0x80) {
      slug.push_back(IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c);
    } else if (!slug.empty() && slug.back() != '-') {
      slug.push_back('-');
    }
    if (slug.size() >= 64 && (static_cast<unsigned char>(c) < 0x80 || (c & 0xC0) != 0x80)) break;
  }
  while (!slug.empty() && (slug.back() == '-' || (static_cast<unsigned char>(slug.back()) >= 0x80 &&
                                                  (slug.back() & 0xC0) == 0xC0))) {
    slug.pop_back();  // a trailing dash, or a lead byte cut off from its character
  }
  return slug.empty() ? "section" : slug;
}

}  // namespace scrivane
