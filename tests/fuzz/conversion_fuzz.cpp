// Fuzz target over whole conversions: every format, web page on and off, text in
// memory or in files, one thread or blocks on several. The first four bytes
// choose the options (the first also the size of reads for the blocks, the
// fourth the link rules and, for structured text, the page style, its options
// and whether the page takes the document's own title), short texts after them
// the option texts the flags ask for; the rest is the input text.
//
// Checked in every document: it is valid in the input's encoding; every tag is
// one the page style writes, with only its own attributes; no address or option
// value starts a script, and under the modern rules every address is a valid
// URL; ids are unique and links within the page lead to one; the Go button's
// handler is the only one and quotes its target soundly; blocks on threads give
// the body one thread gives. For the four line formats: the text outside the
// tags, entities decoded, gives back every word of the input in order, and the
// body is what the word-by-word reference renderer makes of each line. For
// structured text: the elements nest as HTML allows, a modern page holds no
// forbidden code point, and every word that is not markup comes back in order.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "body.h"
#include "document.h"
#include "form.h"
#include "fuzz_checks.h"
#include "line_scanner.h"
#include "markup_reference.h"
#include "output_file.h"
#include "page_text.h"
#include "render.h"

namespace scrivane::fuzz {
namespace {

std::string_view input;  // the whole fuzz input, for reports

void Require(bool holds, std::string_view property, std::string_view detail) {
  Check(holds, property, detail, input);
}

constexpr const char* kTitle = "Fuzz title";
constexpr const char* kFormId = "7";

// Tags with their closing tags, each with the attributes it may carry.
using TagTable = std::map<std::string, std::set<std::string>>;

TagTable WithClosingTags(TagTable tags, std::initializer_list<const char*> closing) {
  for (const char* name : closing) tags[std::string("/") + name] = {};
  return tags;
}

// The tags the converter writes in classic pages, each with the attributes it may carry.
const TagTable& ClassicTags() {
  static const TagTable tags = WithClosingTags(
      {{"HTML", {}},   {"HEAD", {}},  {"TITLE", {}},  {"META", {"HTTP-EQUIV", "CONTENT"}},
       {"BODY", {"BACKGROUND", "TEXT", "BGCOLOR"}},   {"CENTER", {}}, {"center", {}},
       {"FONT", {"FACE", "SIZE", "COLOR"}},           {"B", {}},      {"BR", {}},
       {"HR", {}},     {"P", {}},     {"PRE", {}},    {"UL", {}},     {"OL", {"TYPE", "START"}},
       {"LI", {}},     {"TABLE", {"BORDER"}},         {"TR", {}},     {"TD", {}},
       {"FORM", {"NAME"}},            {"SELECT", {"NAME"}},           {"OPTION", {"VALUE"}},
       {"INPUT", {"TYPE", "VALUE", "onClick"}},       {"A", {"HREF", "NAME"}},  {"a", {"href", "target", "rel"}},
       {"H2", {}},     {"H3", {}},    {"H4", {}},     {"H5", {}},     {"H6", {}},
       {"DL", {}},     {"DT", {}},    {"DD", {}},     {"BLOCKQUOTE", {}}, {"I", {}}, {"CODE", {}}},
      {"HTML", "HEAD", "TITLE", "BODY", "CENTER", "center", "FONT", "B", "PRE", "UL", "OL", "TABLE", "TR", "TD",
       "FORM", "SELECT", "OPTION", "A", "a", "P", "LI", "H2", "H3", "H4", "H5", "H6", "DL", "DT", "DD",
       "BLOCKQUOTE", "I", "CODE"});
  return tags;
}

// The tags the converter writes in modern structured pages.
const TagTable& ModernTags() {
  static const TagTable tags = WithClosingTags(
      {{"html", {"lang"}}, {"head", {}}, {"meta", {"charset", "name", "content"}}, {"title", {}}, {"style", {}},
       {"body", {}}, {"header", {}}, {"h1", {}}, {"main", {"class"}}, {"div", {"class"}}, {"footer", {}},
       {"p", {}}, {"time", {"datetime"}}, {"a", {"href", "target", "rel"}},
       {"nav", {"class", "aria-labelledby"}}, {"h2", {"id"}}, {"h3", {"id"}}, {"h4", {"id"}}, {"h5", {"id"}},
       {"h6", {"id"}}, {"ul", {}}, {"ol", {"type", "start"}}, {"li", {}}, {"dl", {}}, {"dt", {}}, {"dd", {}},
       {"pre", {"class"}}, {"blockquote", {}}, {"hr", {}}, {"br", {}}, {"strong", {}}, {"em", {}}, {"code", {}}},
      {"html", "head", "title", "style", "body", "header", "h1", "main", "div", "footer", "p", "time", "a", "nav",
       "h2", "h3", "h4", "h5", "h6", "ul", "ol", "li", "dl", "dt", "dd", "pre", "blockquote", "strong", "em",
       "code"});
  return tags;
}

bool IsLineFormat(OutputFormat format) {
  return format == OutputFormat::Smart || format == OutputFormat::OriginalLinefeeds ||
         format == OutputFormat::OriginalFormat || format == OutputFormat::HtmlList;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

// The texts of a JavaScript single-quoted string literal that ends the text at
// `from` with "')"; false when it is not one, or holds an escape or line end that
// would change what it says.
bool ReadScriptString(std::string_view script, std::size_t from, std::string& value) {
  value.clear();
  for (std::size_t i = from; i < script.size(); ++i) {
    const char c = script[i];
    if (c == '\r' || c == '\n') return false;
    if (c == '\'') return script.substr(i) == "')";
    if (c == '\\') {
      if (++i == script.size()) return false;
      switch (script[i]) {
        case '\\': case '\'': value.push_back(script[i]); break;
        case 'r': value.push_back('\r'); break;
        case 'n': value.push_back('\n'); break;
        default: return false;
      }
      continue;
    }
    value.push_back(c);
  }
  return false;
}

void CheckGoButton(const std::string& handler, const std::string& target) {
  const std::string expected = std::string("\r\n\tvar LinkObj=document.FN") + kFormId + ".SN" + kFormId +
                               ";\r\n\tvar Index=LinkObj.selectedIndex;\r\n\tvar link=LinkObj.options[Index].value;"
                               "\r\n\twindow.open(link,'";
  std::string decoded, quoted;
  Require(DecodeEntities(handler, decoded), "every & of the handler starts an entity", handler);
  Require(decoded.starts_with(expected), "the Go button runs its own script", decoded);
  Require(ReadScriptString(decoded, expected.size(), quoted) && quoted == target,
          "the Go button's target is one sound script string", decoded);
}

// The document as the tag reader takes it: a modern page without its doctype
// and the rules of its style element (checked by the page style's own tests).
std::string WithoutDoctypeAndStyle(std::string document) {
  constexpr std::string_view kDoctype = "<!DOCTYPE html>";
  if (document.starts_with(kDoctype)) document.erase(0, kDoctype.size());
  const std::size_t open = document.find("<style>");
  const std::size_t close = document.find("</style>");
  if (open != std::string::npos && close != std::string::npos && close > open) {
    document.erase(open + 7, close - open - 7);
  }
  return document;
}

// True for an address of the page's own within the page ("#id"). A classic link
// the text makes may start with "#" too, but always holds ":", "/", "@" or "."
// (a scheme, a mail address or a host), which ids never do.
bool IsFragment(std::string_view value) {
  return value.starts_with('#') && value.find_first_of(":/@.") == std::string_view::npos;
}

// Tags and attribute values of a document (as UTF-8); returns the text outside tags.
std::string CheckMarkup(const std::string& document, const ConversionOptions& options) {
  std::vector<Tag> tags;
  std::string text;
  const std::string malformed = ReadHtml(options.modern ? WithoutDoctypeAndStyle(document) : document, tags, text);
  Require(malformed.empty(), "the document is well-formed", malformed);
  const TagTable& knownTags = options.modern ? ModernTags() : ClassicTags();
  const bool goButton = options.format == OutputFormat::SelectionBox && options.goButton;
  int inputs = 0;
  int upperAnchors = 0;  // links out of the page written in upper case
  std::set<std::string> ids;
  std::vector<std::string> fragments;
  for (const Tag& tag : tags) {
    const auto known = knownTags.find(tag.name);
    Require(known != knownTags.end(), "every tag is one the converter writes", tag.name);
    Require(options.links.modern || (tag.name != "a" && tag.name != "/a"), "classic links are upper case", tag.name);
    for (const auto& [name, value] : tag.attributes) {
      Require(known->second.count(name) == 1, "every attribute is one its tag is written with", tag.name + " " + name);
      if (tag.name == "A" && name == "HREF" && !IsFragment(value)) ++upperAnchors;
      std::string decoded;
      Require(DecodeEntities(value, decoded), "every & of an attribute starts an entity", value);
      if (name == "id" || (tag.name == "A" && name == "NAME")) {
        Require(!value.empty() && value.find_first_of(" \t\r\n\f") == std::string::npos, "an id is one word", value);
        Require(ids.insert(value).second, "ids are unique in a page", value);
      }
      if (name == "HREF" || name == "VALUE" || name == "href") {
        Require(!StartsScript(decoded), "no address runs script", value);
      }
      if ((name == "href" || name == "HREF") && IsFragment(value)) {
        fragments.push_back(value.substr(1));
      } else if (options.links.modern && (name == "href" || (name == "VALUE" && tag.name == "OPTION"))) {
        const std::string problem = HrefProblem(value);
        Require(problem.empty(), "every modern HREF is a URL the validator accepts", problem + ": " + value);
        Require(HasAllowedScheme(decoded), "every modern HREF has an allowed scheme", value);
      }
      if (name == "onClick") CheckGoButton(value, options.target);
    }
    if (tag.name == "INPUT") ++inputs;
  }
  for (const std::string& fragment : fragments) {
    Require(ids.count(fragment) == 1, "every link within the page leads to an id on it", fragment);
  }
  Require(inputs == (goButton ? 1 : 0), "the Go button is the only input, and only when asked for", document);
  if (options.links.modern) {
    Require(upperAnchors == (options.webPage && !options.modern ? 2 : 0),
            "modern links are lower case (the classic page foot's are not)", document);
  }
  if (options.format == OutputFormat::Structured) {
    const std::string problem = NestingProblem(tags);
    Require(problem.empty(), "elements nest as HTML allows", problem + "\n--- in:\n" + document);
  }
  if (options.modern) {
    Require(!HoldsForbiddenCodePoint(document), "a modern page holds no control or noncharacter", document);
  }
  Require(text.find_first_of("<>\"") == std::string::npos, "the text outside tags holds no < > or \"", text);
  std::string decoded;
  Require(DecodeEntities(text, decoded), "every & of the text starts an entity", text);
  return decoded;
}

// The document each input line should give in a line format.
std::string ReferenceBody(std::string_view text, const ConversionOptions& options) {
  std::string body;
  for (std::string_view line : Lines(text)) {
    if (options.format == OutputFormat::Smart && line.empty()) {
      body.append("<P>\r\n");
      continue;
    }
    if (options.format == OutputFormat::HtmlList) body.append("<LI>");
    RenderTextReference(line, options.links, body);
    body.append(options.format == OutputFormat::OriginalLinefeeds ? " <BR>\r\n" : " \r\n");
  }
  return body;
}

// The words of the document must be the frame's (the same page around an empty
// input) with the input's words inserted in one place.
void CheckNothingLost(const std::string& documentText, const std::string& frameText, std::string_view inputText) {
  const std::vector<std::string_view> document = Words(documentText);
  const std::vector<std::string_view> frame = Words(frameText);
  const std::vector<std::string_view> words = Words(inputText);
  Require(document.size() == frame.size() + words.size(), "the document has one word for each input word",
          documentText);
  std::size_t prefix = 0;
  while (prefix < frame.size() && document[prefix] == frame[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < frame.size() && document[document.size() - 1 - suffix] == frame[frame.size() - 1 - suffix]) {
    ++suffix;
  }
  for (std::size_t at = frame.size() - std::min(suffix, frame.size()); at <= prefix; ++at) {
    if (std::equal(words.begin(), words.end(), document.begin() + static_cast<std::ptrdiff_t>(at))) return;
  }
  Fail("every input word comes back, in order", documentText, input);
}

// A word without the marks of strong, emphasised and code text.
std::string WithoutInlineMarks(std::string_view word) {
  std::string kept;
  for (char c : word) {
    if (c != '*' && c != '_' && c != '`') kept.push_back(c);
  }
  return kept;
}

// Structured text drops the markup it reads as structure (see StructuredTextWords),
// and inline marks when it reads them: every other input word must come back, in
// order and nothing else with it, between the page's head and foot (the words of
// the same page around an empty input). So that the rule stays strict about text,
// a word counts as markup by where it stands in its line, not by what the format
// made of it; inline marks are taken out of every word on both sides, and a
// modern page's words are compared as the page cleans its text.
void CheckStructuredWords(const std::string& documentText, const std::string& frameText, std::string_view content,
                          const ConversionOptions& options) {
  std::vector<TextWord> words = StructuredTextWords(content);
  for (TextWord& word : words) {
    if (options.modern) {
      std::string clean;
      AppendPageText(clean, word.text);
      word.text = std::move(clean);
    }
    if (options.inlineMarks) word.text = WithoutInlineMarks(word.text);
    if (word.text.empty()) word.markup = true;
  }
  const auto shownWords = [&](const std::string& text) {
    std::vector<std::string> shown;
    for (std::string_view word : Words(text)) {
      shown.emplace_back(options.inlineMarks ? WithoutInlineMarks(word) : std::string(word));
      if (shown.back().empty()) shown.pop_back();
    }
    return shown;
  };
  const std::vector<std::string> document = shownWords(documentText);
  const std::vector<std::string> frame = shownWords(frameText);
  Require(document.size() >= frame.size(), "the page holds its frame", documentText);
  std::size_t prefix = 0;
  while (prefix < frame.size() && document[prefix] == frame[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < frame.size() && document[document.size() - 1 - suffix] == frame[frame.size() - 1 - suffix]) {
    ++suffix;
  }
  for (std::size_t at = frame.size() - std::min(suffix, frame.size()); at <= prefix; ++at) {
    const std::vector<std::string> body(document.begin() + static_cast<std::ptrdiff_t>(at),
                                        document.end() - static_cast<std::ptrdiff_t>(frame.size() - at));
    if (ShowsAllText(words, body)) return;
  }
  Fail("every input word that is not markup comes back, in order", documentText, input);
}

// The body converted line by line, and in blocks on worker threads from reads of
// `chunk` bytes (so that blocks are small and end anywhere a read ends), must be
// the same bytes, and both must find the same text not to be UTF-8.
void CheckParallelBody(std::string_view text, const ConversionOptions& options, std::size_t chunk) {
  if (options.format == OutputFormat::Structured) return;  // never converted in blocks
  for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
    std::string sequential, parallel;
    bool sequentialNotUtf8 = false, parallelNotUtf8 = false;
    {
      DocumentSink sink([&](std::string_view bytes) { sequential.append(bytes); }, TextEncoding::Utf8);
      const PagePlan plan = PlanPage(options);
      DocumentWriter writer(plan, sink);
      LineScanner scanner(text, options.links);
      try {
        ConvertLines(scanner, encoding, true, writer, {});
      } catch (const NotUtf8&) {
        sequentialNotUtf8 = true;
      }
      sink.Flush();
    }
    {
      DocumentSink sink([&](std::string_view bytes) { parallel.append(bytes); }, TextEncoding::Utf8);
      std::size_t offset = 0;
      const auto read = [&](char* buffer, std::size_t size) {
        const std::size_t n = text.copy(buffer, std::min(size, chunk), offset);
        offset += n;
        return n;
      };
      try {
        ConvertInParallel(read, encoding, PlanPage(options), sink, {}, 2);
      } catch (const NotUtf8&) {
        parallelNotUtf8 = true;
      }
      sink.Flush();
    }
    Require(sequentialNotUtf8 == parallelNotUtf8, "blocks on threads find what is not UTF-8 as one thread does",
            text);
    if (!sequentialNotUtf8) {
      Require(sequential == parallel, "blocks on threads give the body one thread gives",
              sequential + "\n--- in blocks:\n" + parallel);
    }
  }
}

// A private folder for the file runs, removed when the process ends.
const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/scrivane-fuzz-XXXXXX";
    std::filesystem::path made = mkdtemp(pattern.data());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(Folder(), ignored);
    });
    return made;
  }();
  return folder;
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

struct Converted {
  bool delivered = false;
  std::string document;
};

Converted ConvertInMemory(std::string_view text, const ConversionOptions& options) {
  Converted converted;
  converted.delivered =
      RunConversion(InputText{std::string(text)},
                    OutputText{[&](std::string&& document) { converted.document = std::move(document); }}, options, {})
          .delivered;
  return converted;
}

Converted ConvertFiles(std::string_view text, const ConversionOptions& options, bool outputExists) {
  const std::filesystem::path in = Folder() / "in.txt";
  const std::filesystem::path out = Folder() / "out.html";
  std::ofstream(in, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
  const std::string old = "an earlier document";
  if (outputExists) std::ofstream(out, std::ios::binary) << old;
  Converted converted;
  converted.delivered = RunConversion(InputFile{in}, OutputFile{out}, options, {}).delivered;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Folder())) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  if (converted.delivered) {
    converted.document = ReadAll(out);
    Require(names == std::vector<std::string>{"in.txt", "out.html"}, "a run leaves only its output behind",
            names.size() > 2 ? names[2] : "");
  } else {
    Require(outputExists ? ReadAll(out) == old : !std::filesystem::exists(out),
            "a failed run leaves the output as it was", "");
  }
  std::filesystem::remove(in);
  std::filesystem::remove(out);
  return converted;
}

// A text for an option box: as given when it is UTF-8, else read as Windows-1252.
std::string OptionText(ByteReader& reader, std::size_t maxLength) {
  std::string text = reader.Text(maxLength);
  return IsUtf8(text) ? text : Utf8FromWindows1252(text);
}

}  // namespace
}  // namespace scrivane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace scrivane;
  using namespace scrivane::fuzz;
  input = std::string_view(reinterpret_cast<const char*>(data), size);
  ByteReader reader(data, size);
  const std::uint8_t choice = reader.Byte();
  const std::uint8_t flags = reader.Byte();
  const std::uint8_t more = reader.Byte();
  const std::uint8_t links = reader.Byte();

  FormState form;
  form.outFormat = (choice & 7) % kFormatCount;
  const std::size_t chunk = 1 + (choice >> 3);  // reads of 1 to 32 bytes for the block check
  const int off = (more & 64) ? kGrey : kUnchecked;
  form.changeWWW = (flags & 1) ? kChecked : off;
  form.changeFTP = (flags & 2) ? kChecked : off;
  form.emailCheck = (flags & 4) ? kChecked : off;
  form.removePunctuation = (flags & 8) ? kChecked : off;
  form.centre = (flags & 16) ? kChecked : off;
  form.webPage = (flags & 32) ? kChecked : off;
  form.goButton = (flags & 64) ? kChecked : off;
  const bool files = flags & 128;
  form.title = kTitle;
  static const char* const kSeparators[] = {"comma", "tab", "semi-colon", nullptr};
  const char* separator = kSeparators[(more >> 1) & 3];
  form.separator = separator ? separator : OptionText(reader, 8);
  static const char* const kListTypes[] = {"Unordered", "ordered", "OrDeReD", nullptr};
  const char* listType = kListTypes[(more >> 3) & 3];
  form.listType = listType ? listType : OptionText(reader, 12);
  form.target = (more & 32) ? OptionText(reader, 16) : "_blank";
  if (more & 1) {
    for (std::string* field : {&form.fontFace, &form.fontSize, &form.fontColor, &form.bgColor, &form.bgImage,
                               &form.textColor, &form.charSet}) {
      *field = OptionText(reader, 24);
    }
  }
  ConversionOptions options = ReadFormOptions(form);
  options.links.modern = links & 1;
  options.links.newTab = links & 2;
  options.links.nofollow = links & 4;
  // Structured text: a modern page from a spare bit, its three options, and the document's own title.
  if (options.format == OutputFormat::Structured) {
    options.modern = links & 8;
    options.links.modern = options.links.modern || options.modern;  // a modern page takes modern links
    options.contents = links & 16;
    options.keepLineBreaks = links & 32;
    options.inlineMarks = links & 64;
    if (links & 128) options.title.clear();
  }
  options.dateText = "DATE";
  options.formId = kFormId;
  const std::string_view text = reader.Rest();

  const Converted converted = files ? ConvertFiles(text, options, more & 128) : ConvertInMemory(text, options);
  const std::string listTag = LowerAscii(options.listType);
  const bool validList = listTag == "unordered" || listTag == "ordered";
  Require(converted.delivered == (options.format != OutputFormat::HtmlList || validList),
          "every run is delivered, unless the list type is not a list type", options.listType);
  if (!converted.delivered) return 0;
  CheckParallelBody(text, options, chunk);

  // Text that is UTF-8 (after a byte order mark) is read as UTF-8, anything else as
  // Windows-1252; a classic file keeps the input's encoding, modern pages and the
  // clipboard get UTF-8.
  const bool utf8 = IsUtf8(text);
  std::string_view content = text;
  if (utf8 && content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
  const std::string contentUtf8 = utf8 ? std::string(content) : Utf8FromWindows1252(content);
  std::string document = converted.document;
  if (files && !utf8 && !options.modern) {
    document = Utf8FromWindows1252(document);
  } else {
    Require(IsUtf8(document), "a UTF-8 input, or a modern page, gives a UTF-8 document", document);
  }

  const std::string documentText = CheckMarkup(document, options);
  if (options.format == OutputFormat::Structured && !options.title.empty()) {
    // The word check reads the page without a table of contents, which repeats the headings.
    ConversionOptions noContents = options;
    noContents.contents = false;
    const std::string pageText =
        options.contents ? CheckMarkup(ConvertInMemory(text, noContents).document, noContents) : documentText;
    CheckStructuredWords(pageText,
                         CheckMarkup(ConvertInMemory("", noContents).document, noContents), contentUtf8, options);
  }
  if (!IsLineFormat(options.format)) return 0;
  const std::string body = ReferenceBody(contentUtf8, options);
  Require(document.find(body) != std::string::npos, "the body is what the reference renderer makes of the lines",
          document + "\n--- expected body:\n" + body);
  const Converted frame = ConvertInMemory("", options);
  CheckNothingLost(documentText, CheckMarkup(frame.document, options), contentUtf8);
  return 0;
}
