// Fuzz target over the text markup, word by word. The first byte holds the link
// options (classic or modern rules among them), the second the size of each
// read of the line readers; the rest is text.
// For every line and word it checks that escaping and linking lose nothing and add
// no markup but one anchor with a harmless address, that the fast body renderer
// agrees with the word-by-word reference, and that both line readers split the
// text as it should be split whatever the sizes of the reads, and from memory.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_checks.h"
#include "line_scanner.h"
#include "markup.h"
#include "markup_reference.h"
#include "render.h"

namespace scrivane::fuzz {
namespace {

std::string_view input;  // the whole fuzz input, for reports

void Require(bool holds, std::string_view property, std::string_view detail) {
  Check(holds, property, detail, input);
}

bool StartsWithLower(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i]) return false;
  }
  return true;
}

void CheckEscaping(std::string_view word) {
  std::string escaped(word);
  EscapeHtml(escaped);
  Require(escaped.find_first_of("<>\"") == std::string::npos, "escaped text holds no < > or \"", escaped);
  std::string decoded;
  Require(DecodeEntities(escaped, decoded), "every & of escaped text starts an entity", escaped);
  Require(decoded == word, "escaping loses nothing", escaped);
  Require(NeedsNoEscaping(word) == (escaped == word), "NeedsNoEscaping agrees with EscapeHtml", word);
  std::string appended = "x";
  AppendEscaped(appended, word);
  Require(appended == "x" + escaped, "AppendEscaped agrees with EscapeHtml", appended);
}

// The decoded text of escaped text (valid as the escaping wrote it).
std::string Decoded(std::string_view escaped) {
  std::string decoded;
  Require(DecodeEntities(escaped, decoded), "every & of linked text starts an entity", escaped);
  return decoded;
}

// A modern link: one <a href> with exactly the attributes its options ask for,
// an HREF that is a valid URL with an allowed scheme, a link that starts at the
// word's start or after opening punctuation, and no sentence punctuation,
// quote or unmatched closing bracket at its end.
void CheckModernLink(const Link& link, const LinkOptions& options, const std::vector<Tag>& tags,
                     const std::string& linked) {
  std::vector<std::pair<std::string, std::string>> attributes{{"href", link.href}};
  if (options.newTab) attributes.emplace_back("target", "_blank");
  const std::string rel = std::string(options.newTab ? "noopener noreferrer" : "") +
                          (options.newTab && options.nofollow ? " " : "") + (options.nofollow ? "nofollow ugc" : "");
  if (!rel.empty()) attributes.emplace_back("rel", rel);
  Require(tags.size() % 2 == 0 && tags[0].attributes == attributes,
          "a modern link is an <a href> with the attributes its options ask for", linked);
  for (std::size_t i = 0; i < tags.size(); i += 2) {
    Require(tags[i].name == "a" && tags[i + 1].name == "/a" && tags[i + 1].attributes.empty() &&
                tags[i].attributes.size() == attributes.size() && tags[i].attributes[0].first == "href",
            "the links of a word are <a href> and </a> pairs", linked);
    const std::string& href = tags[i].attributes[0].second;
    const std::string problem = HrefProblem(href);
    Require(problem.empty(), "every HREF is a URL the validator accepts", problem + ": " + href);
    const std::string decodedHref = Decoded(href);
    Require(HasAllowedScheme(decodedHref) && !StartsScript(decodedHref), "every HREF has an allowed scheme", href);
  }
  const std::string address = Decoded(link.href);

  const std::string before = Decoded(link.before);
  const std::string text = Decoded(link.text);
  const bool opened = before.empty() || static_cast<unsigned char>(before.back()) >= 0x80 ||
                      std::string_view("([{<>\"'|:").find(before.back()) != std::string_view::npos ||
                      (before.back() == '@' && text.find("://") != std::string::npos);
  Require(opened, "a link starts a word, follows opening punctuation, or is a URL glued after an @", linked);
  Require(!text.empty() && std::string_view(".,:;!?").find(text.back()) == std::string_view::npos,
          "no sentence punctuation ends a link", linked);
  if (text.back() == '"' || text.back() == '\'') {
    Require(std::count(text.begin(), text.end(), text.back()) >= 2, "a quote ends a link only when one opens inside it",
            linked);
  }
  for (const std::string_view pair : {"()", "[]", "{}"}) {
    if (text.back() != pair[1]) continue;
    Require(std::count(text.begin(), text.end(), pair[0]) >= std::count(text.begin(), text.end(), pair[1]),
            "a closing bracket ends a link only when it closes one inside it", linked);
  }
  // Text that a URL may hold as it is is the HREF itself, or its end.
  bool plain = std::count(text.begin(), text.end(), '#') <= 1 && text.find('%') == std::string::npos;
  for (char c : text) {
    plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      std::string_view("!$&'()*+,-./:;=?@_~#").find(c) != std::string_view::npos);
  }
  if (plain) {
    Require(address == text || address == "https://" + text || address == "ftp://" + text ||
                PercentDecoded(address) == "mailto:" + text,
            "a link to plain text goes where the text says", linked);
  }
}

// No "@" inside the authority of a URL in the piece (after "://", up to "/", "?",
// "#", a backslash or an escaped < > ") lies inside a mailto: link: no part of a
// URL is ever linked as an e-mail address.
void CheckNoAddressInAuthority(std::string_view piece, const Link& link, const std::string& linked) {
  if (!StartsWithLower(link.href, "mailto:")) return;
  const std::size_t linkStart = link.before.size(), linkEnd = linkStart + link.text.size();
  for (std::size_t scheme = piece.find("://"); scheme != std::string_view::npos; scheme = piece.find("://", scheme + 1)) {
    for (std::size_t i = scheme + 3; i < piece.size(); ++i) {
      const char c = piece[i];
      if (c == '/' || c == '?' || c == '#' || c == '\\' || (c == '&' && piece.substr(i, 5) != "&amp;")) break;
      Require(c != '@' || i < linkStart || i >= linkEnd, "an @ inside a URL's authority never starts a mailto: link",
              linked);
    }
  }
}

// `piece` is an escaped word or TAB piece as MakeLinks receives it.
void CheckLinking(std::string_view piece, const LinkOptions& options) {
  std::string linked(piece);
  MakeLinks(linked, options);
  std::vector<Tag> tags;
  std::string text;
  const std::string malformed = ReadHtml(linked, tags, text);
  Require(malformed.empty(), "a linked word is well-formed HTML", malformed + ": " + linked);
  Require(text == piece, "linking keeps every character of the word outside its tags", linked);

  Link link;
  const bool found = FindLink(piece, options, link);
  Require(found == !tags.empty(), "FindLink agrees with MakeLinks", linked);
  if (!found) {
    Require(linked == piece, "a word without a link is unchanged", linked);
    return;
  }
  std::string appended;
  AppendLink(appended, link, options);
  Require(appended == linked, "AppendLink writes what MakeLinks writes", appended);
  if (options.modern) {
    CheckModernLink(link, options, tags, linked);
    CheckNoAddressInAuthority(piece, link, linked);
    return;
  }
  Require(tags.size() == 2 && tags[0].name == "A" && tags[1].name == "/A" && tags[0].attributes.size() == 1 &&
              tags[0].attributes[0].first == "HREF" && tags[1].attributes.empty(),
          "a link is one <A HREF> and its </A>", linked);
  const std::string& href = tags[0].attributes[0].second;
  std::string address;
  Require(DecodeEntities(href, address), "every & of an address starts an entity", href);
  Require(!StartsScript(address), "no address runs script", href);

  // The address is the link text, with a scheme in front for hosts and e-mail.
  // A URL word's core may begin with "://" once its brackets and quotes are off.
  const std::size_t scheme = piece.find("://");
  const bool url = href == link.text && scheme != std::string_view::npos && scheme > 0 &&
                   link.text.find("://") != std::string_view::npos;
  const bool www = options.changeWWW && href == "http://" + std::string(link.text) && StartsWithLower(link.text, "www.");
  const bool ftp = options.changeFTP && href == "ftp://" + std::string(link.text) && StartsWithLower(link.text, "ftp.");
  // A wrapped address closes with its last character, whatever it is (even the @).
  const bool mail = options.emailCheck && href == "mailto:" + std::string(link.text) && piece.find('@') != std::string_view::npos;
  Require(url || www || ftp || mail, "the address is the link text with the scheme its kind gives", linked);
  if (piece.find("://") != std::string_view::npos && piece.find("://") > 0) {
    std::string viaUrl(piece);
    MakeUrlLink(viaUrl, options.removePunctuation);
    Require(viaUrl == linked, "MakeUrlLink agrees with MakeLinks for URL words", viaUrl);
  }
}

void CheckStripping(std::string_view piece) {
  std::string core(piece), opening, closing, quote;
  StripBrackets(core, opening, closing);
  Require(opening + core + closing == piece, "StripBrackets keeps every character", core);
  Require(opening.size() == closing.size() && opening.size() <= 1, "StripBrackets takes one pair at most", core);
  core = std::string(piece);
  StripQuotes(core, quote);
  Require(quote + core + quote == piece, "StripQuotes takes the same quote from both ends", core);
  Require(core.size() + 2 * quote.size() == piece.size(), "StripQuotes takes one pair at most", core);
}

void CheckWords(std::string_view line, const LinkOptions& options) {
  std::vector<std::string_view> words;
  const int count = SplitString(line, " ", words);
  Require(count == static_cast<int>(words.size()) && count >= 1, "SplitString counts its parts", line);
  std::string joined;
  for (std::size_t i = 0; i < words.size(); ++i) {
    Require(words[i].find(' ') == std::string_view::npos, "no part holds the delimiter", words[i]);
    if (i > 0) joined.push_back(' ');
    joined.append(words[i]);
  }
  Require(joined == line, "the parts joined with the delimiter give back the line", joined);
  Require(SplitString(line, "", words) == -1, "an empty delimiter gives -1", line);

  std::vector<std::string_view> pieces;
  SplitString(line, " ", words);
  for (std::string_view word : words) {
    CheckEscaping(word);
    std::string escaped(word);
    EscapeHtml(escaped);
    SplitString(escaped, "\t", pieces);
    for (std::string_view piece : pieces) {
      CheckLinking(piece, options);
      CheckStripping(piece);
    }
  }
}

void CheckRendering(std::string_view line, const LinkOptions& options) {
  std::string fast, reference;
  RenderText(line, options, fast);
  RenderTextReference(line, options, reference);
  Require(fast == reference, "RenderText agrees with the word-by-word reference", fast + "\n" + reference);
  if (IsPlainText(line, options)) Require(fast == line, "plain text is copied unchanged", fast);

  // The first link of a line (the selection box's) is the first word, in order, with
  // a TAB piece that FindLink links once escaped.
  Link expected;
  std::size_t expectedStart = 0, expectedEnd = 0;
  bool found = false;
  std::vector<std::string_view> words, pieces;
  std::string escaped;  // outlives the loop: `expected` holds views into it
  SplitString(line, " ", words);
  for (std::size_t i = 0, start = 0; i < words.size() && !found; start += words[i].size() + 1, ++i) {
    escaped.assign(words[i]);
    EscapeHtml(escaped);
    SplitString(escaped, "\t", pieces);
    for (std::string_view piece : pieces) {
      if (FindLink(piece, options, expected)) {
        found = true;
        expectedStart = start;
        expectedEnd = start + words[i].size();
        break;
      }
    }
  }
  Link link;
  std::size_t wordStart = 0, wordEnd = 0;
  Require(FindFirstLink(line, options, link, wordStart, wordEnd) == found, "FindFirstLink finds a link when one is",
          line);
  if (found) {
    Require(link.Address() == expected.Address() && link.text == expected.text && link.before == expected.before &&
                link.after == expected.after && wordStart == expectedStart && wordEnd == expectedEnd,
            "FindFirstLink finds the first link's word", line);
  }
}

// Hands out the text `chunk` bytes at a time, as a file read in small pieces would.
ReadFunction ChunkedReader(std::string_view text, std::size_t chunk, std::size_t& offset) {
  offset = 0;
  return [text, chunk, &offset](char* buffer, std::size_t size) {
    const std::size_t n = text.copy(buffer, std::min(size, chunk), offset);
    offset += n;
    return n;
  };
}

void CheckLineReaders(std::string_view text, std::size_t chunk, const LinkOptions& options) {
  const std::vector<std::string_view> expected = Lines(text);
  std::vector<std::string> lines;
  std::vector<std::uint64_t> consumed;
  std::size_t offset = 0;
  NormaliseLineEnds(ChunkedReader(text, chunk, offset), [&](std::string_view line, std::uint64_t through) {
    lines.emplace_back(line);
    consumed.push_back(through);
  });
  Require(lines == std::vector<std::string>(expected.begin(), expected.end()),
          "NormaliseLineEnds splits at CR LF, CR and LF", text);
  for (std::size_t i = 0; i < consumed.size(); ++i) {
    Require(consumed[i] > (i > 0 ? consumed[i - 1] : 0), "the bytes consumed grow with every line", text);
  }
  Require(consumed.empty() ? text.empty() : consumed.back() == text.size(), "every byte is consumed", text);

  LineScanner scanner(ChunkedReader(text, chunk, offset), options);
  ScannedLine line;
  std::size_t index = 0;
  std::uint64_t before = 0;
  while (scanner.Next(line)) {
    Require(index < expected.size() && line.text == expected[index], "LineScanner splits as NormaliseLineEnds",
            line.text);
    Require(line.consumed == consumed[index], "LineScanner counts consumed bytes as NormaliseLineEnds", line.text);
    Require(line.consumed > before, "LineScanner's consumed bytes grow", line.text);
    before = line.consumed;
    bool high = false;
    for (char c : line.text) high = high || static_cast<unsigned char>(c) >= 0x80;
    Require(line.hasHighBytes == high, "LineScanner marks the lines with bytes above 127", line.text);
    if (!line.mayChange) {
      std::string rendered;
      RenderTextReference(line.text, options, rendered);
      Require(rendered == line.text, "a line LineScanner calls plain renders unchanged", rendered);
    }
    ++index;
  }
  Require(index == expected.size(), "LineScanner yields every line", text);

  // Scanning text in memory (the blocks of a parallel run) splits it the same way,
  // and reads nothing past its end. The copy has exactly the text's size.
  const std::vector<char> exact(text.begin(), text.end());
  LineScanner inMemory(std::string_view(exact.data(), exact.size()), options);
  index = 0;
  while (inMemory.Next(line)) {
    Require(index < expected.size() && line.text == expected[index], "LineScanner in memory splits as from a reader",
            line.text);
    Require(line.consumed == consumed[index], "LineScanner in memory counts consumed bytes", line.text);
    if (!line.mayChange) {
      std::string rendered;
      RenderTextReference(line.text, options, rendered);
      Require(rendered == line.text, "a line LineScanner in memory calls plain renders unchanged", rendered);
    }
    ++index;
  }
  Require(index == expected.size(), "LineScanner in memory yields every line", text);
}

void CheckCharacters(std::string_view text) {
  const std::size_t count = CharCount(text);
  Require(TailBytes(text, count) == text.size() && TailBytes(text, count + 1) == text.size(),
          "the last CharCount characters are the whole text", text);
  if (count > 0) {
    const std::size_t last = TailBytes(text, 1);
    Require(last >= 1 && CharCount(text.substr(text.size() - last)) == 1, "TailBytes(1) is one character", text);
  }
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    const bool mark = c == ',' || c == '.' || c == ':' || c == ';' || c == '?' || c == '!';
    Require(IsPunctuation(one) == mark, "IsPunctuation knows the six marks", one);
  }
  Require(!IsPunctuation("") && !IsPunctuation(".."), "IsPunctuation wants exactly one character", text);
}

}  // namespace
}  // namespace scrivane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace scrivane;
  using namespace scrivane::fuzz;
  ByteReader reader(data, size);
  const std::uint8_t flags = reader.Byte();
  const std::size_t chunk = 1 + reader.Byte();
  input = std::string_view(reinterpret_cast<const char*>(data), size);
  const std::string_view text = reader.Rest();

  LinkOptions options;
  options.changeWWW = flags & 1;
  options.changeFTP = flags & 2;
  options.emailCheck = flags & 4;
  options.removePunctuation = flags & 8;
  options.modern = flags & 32;
  options.newTab = flags & 64;
  options.nofollow = flags & 128;

  // The routines take UTF-8, as the conversion hands it to them: bytes that are not
  // UTF-8 are read as Windows-1252 first. The line readers take the raw bytes.
  const std::string utf8 = IsUtf8(text) ? std::string(text) : Utf8FromWindows1252(text);
  for (std::string_view line : Lines(utf8)) {
    CheckWords(line, options);
    CheckRendering(line, options);
  }
  CheckLineReaders(text, chunk, options);
  if (flags & 16) CheckCharacters(utf8);
  return 0;
}
