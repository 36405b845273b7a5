// What the fuzz targets check in the engine's output, written independently of
// the engine: a small HTML tag reader, entity decoding, the browser's view of a
// URL's scheme, UTF-8 and Windows-1252 decoding, and word lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scrivane::fuzz {

// Reports a broken property with the input that broke it, then aborts.
[[noreturn]] void Fail(std::string_view property, std::string_view detail, std::string_view input);

// Aborts through Fail when `holds` is false.
inline void Check(bool holds, std::string_view property, std::string_view detail, std::string_view input) {
  if (!holds) Fail(property, detail, input);
}

// Reads fuzz bytes front to back: flag bytes and short length-prefixed texts.
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  // The next byte, or 0 once the bytes run out.
  std::uint8_t Byte();
  // A text of up to `maxLength` bytes, its length taken from the next byte.
  std::string Text(std::size_t maxLength);
  // Everything not read yet.
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// One tag as written: its name and its attributes with their raw (undecoded) values.
struct Tag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
};

// Splits a document into tags and the text between them (tags removed, nothing
// decoded). Returns "" on success, or what was malformed: a "<" that does not open
// a well-formed tag, an attribute that is not NAME="value", a value holding < or >,
// or a run of text between two tags with an "&" that starts no whole entity there
// (an entity cut in two by a tag shows its halves in a browser).
std::string ReadHtml(std::string_view document, std::vector<Tag>& tags, std::string& text);

// Appends UTF-8 text with the five entities the engine writes and numeric
// references decoded. Returns false when an "&" starts no such entity.
bool DecodeEntities(std::string_view text, std::string& out);

// True when a browser following this attribute value (entities decoded) would run
// script: its scheme, after the trimming and tab/line-end removal of URL parsing,
// is javascript, vbscript or data.
bool StartsScript(std::string_view decodedValue);

// What the W3C Nu Html Checker would reject in a raw HREF value (entities not
// decoded), or "" when nothing: a space, quote, < >, backslash, control or
// non-ASCII byte, an & that does not start "&amp;", a % without two hex digits,
// a second #, any other byte outside the URL code points, or [ ] outside the host.
std::string HrefProblem(std::string_view value);

// True when a decoded HREF starts with a scheme the modern link rules allow:
// http, https, ftp, ftps, sftp or mailto.
bool HasAllowedScheme(std::string_view decodedValue);

// `text` with each "%" and two hex digits replaced by the byte they stand for.
std::string PercentDecoded(std::string_view text);

// True for well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8 (the five unassigned bytes as the controls of their value).
std::string Utf8FromWindows1252(std::string_view bytes);

// The words of a text: the runs of bytes between spaces, TABs, CRs and LFs.
std::vector<std::string_view> Words(std::string_view text);

// The lines of a text as the converter reads them: CR LF, CR and LF end a line,
// and a last line without a line end is a line too.
std::vector<std::string_view> Lines(std::string_view text);

// What is wrong with the nesting of a page's elements, or "" when nothing: every
// element closes in the order it opened and all are closed at the end; no block
// sits inside an inline element, a paragraph or a heading; li only in ul or ol,
// dt and dd only in dl, and nothing else directly inside those; headings not in
// lists or paragraphs; no link inside a link. Names compare in either case.
std::string NestingProblem(const std::vector<Tag>& tags);

// True when UTF-8 text holds a code point an HTML page must not: a control other
// than TAB, LF and CR (form feeds included), DEL, a C1 control or a noncharacter.
bool HoldsForbiddenCodePoint(std::string_view text);

// A word of a structured text, and whether the format may drop it as markup.
struct TextWord {
  std::string text;
  bool markup = false;
};

// The words of a structured text, form feeds removed, each marked when it may be
// markup the format drops: quotation marks opening a line; a list marker, a run
// of "#" or "*" opening a line's text and "#" runs closing it; whole lines of
// underline or rule marks; fence lines with their info strings; an editor's mode
// line ending a line; page feet ("[Page 3]") and the lines next to page breaks
// (running heads and feet), wherever the same line, numbers aside, recurs.
// Every other word is text the page must show.
std::vector<TextWord> StructuredTextWords(std::string_view text);

// True when `shown` is `words` with some of its markup words left out.
bool ShowsAllText(const std::vector<TextWord>& words, const std::vector<std::string>& shown);

}  // namespace scrivane::fuzz
