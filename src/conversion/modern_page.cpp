// The modern page: an HTML5 page (or fragment) in lower case, styled from
// the page plan through one style element, with header, main and footer
// landmarks. The body formats mean what the classic ones do; what a format
// carries from line to line (an open paragraph, the header row) lives in the
// writer's LineContext, so blocks converted apart join up the same.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <memory>

#include "page_frame.h"
#include "page_style.h"
#include "page_text.h"
#include "page_writer.h"

namespace scrivane {
namespace {

using namespace std::string_view_literals;

// Text escaped and cleaned for an element's content.
std::string Text(std::string_view text) {
  std::string clean;
  if (HasForbiddenCodePoints(text)) {
    AppendWithoutForbidden(clean, text);
    text = clean;
  }
  std::string escaped;
  AppendEscaped(escaped, text);
  return escaped;
}

// ` name="value"` with the value escaped and cleaned as Text does; nothing when it is empty.
std::string TextAttribute(std::string_view name, std::string_view value) {
  if (value.empty()) return {};
  return std::string(" ").append(name).append("=\"").append(Text(value)).append("\"");
}

// The form identifier as it may stand in an id: letters, digits, "-" and "_".
std::string IdPart(std::string_view formId) {
  std::string id;
  for (char c : formId) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_') {
      id.push_back(c);
    }
  }
  return id.empty() ? "1" : id;
}

// True for a field that holds one number: an optional sign and currency sign,
// digits (grouped by commas), a decimal part, a per cent sign. Plain byte tests
// only: every cell of a table comes through here.
bool IsNumber(std::string_view field) {
  std::size_t i = 0, n = field.size();
  // Most cells are words, often indented: turn them away on their last byte, as
  // a number ends in a digit or a per cent sign, and then on their first. A last
  // byte past '9' (a letter, most marks) can be neither, nor a blank before one.
  if (n == 0 || static_cast<unsigned char>(field[n - 1]) > '9') return false;
  while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == '\t')) --n;
  if (n == 0 || !((field[n - 1] >= '0' && field[n - 1] <= '9') || field[n - 1] == '%')) return false;
  while (field[i] == ' ' || field[i] == '\t') ++i;
  const char first = field[i];
  if (!((first >= '0' && first <= '9') || first == '+' || first == '-' || first == '$' || first == '.' ||
        first == '\xC2' || first == '\xE2')) {
    return false;
  }
  if (i < n && (field[i] == '+' || field[i] == '-')) ++i;
  if (i < n && field[i] == '$') {
    ++i;
  } else if (n - i >= 2 && field[i] == '\xC2' && field[i + 1] == '\xA3') {  // pound sign
    i += 2;
  } else if (n - i >= 3 && field[i] == '\xE2' && field[i + 1] == '\x82' && field[i + 2] == '\xAC') {  // euro sign
    i += 3;
  }
  if (n > i && field[n - 1] == '%') --n;
  if (i == n || field[n - 1] == '.') return false;
  bool digits = false, point = false;
  for (; i < n; ++i) {
    const char c = field[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == ',' && digits && !point) {
      if (i + 1 >= n || field[i + 1] < '0' || field[i + 1] > '9') return false;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

// A row's markup is gathered through a cursor into a buffer of the writer's own
// and goes out in one append, not one per tag and cell. Room kept free in it for
// the tags around a cell's text (a header cell's end, a spanning header cell's
// start with its number) and at the row's end.
constexpr std::size_t kRowBytes = 16 * 1024;
constexpr std::ptrdiff_t kTagRoom = 128;

// Copies a tag, a string literal, to `at` at a size known when compiling; returns its end.
template <std::size_t N>
char* Put(char* at, const char (&tag)[N]) {
  std::memcpy(at, tag, N - 1);
  return at + N - 1;
}

// Writes `number` in decimal at `at`; returns its end.
char* PutNumber(char* at, std::size_t number) {
  if (number < 10) {  // a span is nearly always this small: no general conversion
    *at = static_cast<char>('0' + number);
    return at + 1;
  }
  if (number < 100) {
    at[0] = static_cast<char>('0' + number / 10);
    at[1] = static_cast<char>('0' + number % 10);
    return at + 2;
  }
  return std::to_chars(at, at + 20, number).ptr;
}

// A date and time as the datetime attribute takes it (digits and - : . + T Z only).
bool LooksLikeDateTime(std::string_view text) {
  return !text.empty() && text.size() <= 40 && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == ':' || c == '.' || c == '+' || c == 'T' || c == 'Z';
  });
}

// Wires every Go button on the page once, however many boxes (and copies of this
// script) it holds; script addresses are never opened.
constexpr std::string_view kGoScript[] = {
    "<script>",
    "document.querySelectorAll(\"form.links button.go:not([data-wired])\").forEach(function (button) {",
    "  button.setAttribute(\"data-wired\", \"\");",
    "  button.addEventListener(\"click\", function () {",
    "    var address = button.form.querySelector(\"select\").value;",
    "    if (!address || /^(javascript|vbscript|data):$/.test(new URL(address, location.href).protocol)) return;",
    "    var target = button.getAttribute(\"data-target\") || \"_blank\";",
    "    window.open(address, target, /^_(self|parent|top)$/i.test(target) ? \"\" : \"noopener\");",
    "  });",
    "});",
    "</script>",
};


// Structured text's block tags, in the order of BlockKind: the opening tag
// without its ">" (so that a list's start can follow), then the closing tag.
constexpr std::array<std::array<std::string_view, 2>, kBlockKinds> kBlockTags{{
    {"<p", "</p>"},
    {"<ul", "</ul>"},
    {"<ol", "</ol>"},
    {"<ol type=\"a\"", "</ol>"},
    {"<ol type=\"i\"", "</ol>"},
    {"<li", "</li>"},
    {"<dl", "</dl>"},
    {"<dt", "</dt>"},
    {"<dd", "</dd>"},
    {"<pre", "</pre>"},
    {"<blockquote", "</blockquote>"},
    {"<pre class=\"headers\"", "</pre>"},
}};

// The inline elements of '*', '_' and '`' marks.
std::array<std::string_view, 2> MarkTags(char mark) {
  if (mark == '*') return {"<strong>", "</strong>"};
  if (mark == '_') return {"<em>", "</em>"};
  return {"<code>", "</code>"};
}

constexpr CreditMarkup kCredit{.open = "<p>Web page created with ",
                               .version = " ",
                               .anchor = "<a href=\"",
                               .anchorEnd = "</a>",
                               .lineBreak = "<br>",
                               .close = "</p>"};

class ModernPageWriter final : public PageWriter {
 public:
  ModernPageWriter(const PagePlan& plan, DocumentSink& sink, std::size_t tableColumns)
      : PageWriter(plan, sink), tableColumns_(tableColumns) {
    sink_.UseLineEnd("\n");  // as the web ends its lines
  }

  void WriteHead() override {
    if (plan_.webPage) {
      const std::string banner = SanitizeInlineHtml(TrimBlanks(title_, kHtmlBlanks));
      std::string title(TrimBlanks(InlineHtmlText(banner), kHtmlBlanks));
      if (title.empty()) title = "Untitled";
      OpenHead(plan_.texts.language);
      sink_.Line("<meta name=\"generator\"" + TextAttribute("content", plan_.texts.progName + " " + kVersionText) +
                 ">");
      sink_.Line("<title>" + title + "</title>");
      sink_.Line("<style>");
      for (const std::string& rule : PageStyleLines(plan_)) sink_.Line(rule);
      sink_.Line("</style>");
      WriteBanner(InlineHtmlText(banner).find_first_not_of(" \t\r\n") == std::string::npos ? title : banner);
      sink_.Line(plan_.centre ? "<main class=\"centre\">" : "<main>");
    } else if (plan_.centre) {
      sink_.Line("<div class=\"centre\">");
    }
  }

  void OpenBody() override {
    switch (plan_.format) {
      case OutputFormat::OriginalLinefeeds: sink_.Line("<p class=\"lines\">"); break;
      case OutputFormat::OriginalFormat: sink_.Line("<pre>"); break;
      case OutputFormat::HtmlList: sink_.Line(plan_.list == ListKind::Ordered ? "<ol>" : "<ul>"); break;
      case OutputFormat::HtmlTable:
        // A table wider than the screen scrolls sideways in a box of its own (which
        // the keyboard can reach), rather than squeezing its cells or the page.
        sink_.Line("<div class=\"table-box\" role=\"region\" aria-label=\"Table\" tabindex=\"0\">");
        sink_.Line("<table>");
        if (!plan_.headerRow) sink_.Line("<tbody>");
        break;
      case OutputFormat::SelectionBox: {
        const std::string id = "links-" + IdPart(plan_.texts.formId);
        sink_.Line("<form class=\"links\">");
        sink_.Line("<label for=\"" + id + "\">Links</label>");
        sink_.Line("<select id=\"" + id + "\">");
        break;
      }
      default: break;
    }
  }

  void AddLine(std::string_view line, bool plain, bool printable) override {
    if (plan_.format == OutputFormat::SelectionBox && plain) return;  // a plain line holds no link
    if (!printable && NeedsPageCleaning(line)) {
      cleaned_.clear();
      AppendPageText(cleaned_, line);
      line = cleaned_;
    }
    switch (plan_.format) {
      case OutputFormat::Smart:
        // Each run of lines with text is one paragraph; the lines stay lines.
        if (line.empty()) {
          if (context_.afterText) sink_.Line("</p>");
          context_.afterText = false;
          return;
        }
        if (!context_.afterText) sink_.Text().append("<p>");
        context_.afterText = true;
        WriteText(line, plain);
        break;
      case OutputFormat::OriginalLinefeeds:
        WriteText(line, plain);
        sink_.Text().append("<br>");
        break;
      case OutputFormat::OriginalFormat: WriteText(line, plain); break;
      case OutputFormat::HtmlList:
        sink_.Text().append("<li>");
        WriteText(line, plain);
        sink_.Text().append("</li>");
        break;
      case OutputFormat::HtmlTable:
        if (line.empty()) return;
        AddRow(line, plain);  // with its line end
        sink_.PassIfFull();
        return;
      case OutputFormat::SelectionBox: AddOption(line); return;
      case OutputFormat::Structured: return;  // written by the structured page
    }
    sink_.EndLine();
  }

  void CloseBody() override {
    switch (plan_.format) {
      case OutputFormat::Smart:
        if (context_.afterText) sink_.Line("</p>");
        context_.afterText = false;
        break;
      case OutputFormat::OriginalLinefeeds: sink_.Line("</p>"); break;
      case OutputFormat::OriginalFormat: sink_.Line("</pre>"); break;
      case OutputFormat::HtmlList: sink_.Line(plan_.list == ListKind::Ordered ? "</ol>" : "</ul>"); break;
      case OutputFormat::HtmlTable:
        if (!plan_.headerRow || context_.rowsBefore) sink_.Line("</tbody>");
        sink_.Line("</table>");
        sink_.Line("</div>");
        break;
      case OutputFormat::SelectionBox:
        sink_.Line("</select>");
        if (plan_.goButton) {
          sink_.Line("<button type=\"button\" class=\"go\"" + TextAttribute("data-target", plan_.texts.target) +
                     ">Go</button>");
        }
        sink_.Line("</form>");
        if (plan_.goButton) {
          for (std::string_view line : kGoScript) sink_.Line(line);
        }
        break;
      case OutputFormat::Structured: break;  // the structured page closes its blocks
    }
  }

  void WriteFoot() override {
    if (!plan_.webPage) {
      if (plan_.centre) sink_.Line("</div>");
      return;
    }
    sink_.Line("</main>");
    sink_.Line("<footer>");
    if (!plan_.texts.footer.empty()) {
      // Typed over several lines: each stays a line of the paragraph.
      const std::string clean = SanitizeInlineHtml(plan_.texts.footer);
      sink_.Text().append("<p>");
      bool first = true;
      for (std::string_view line : TypedLines(clean)) {
        if (!first) sink_.EndLine();
        first = false;
        sink_.Text().append(line);
      }
      sink_.Line("</p>");
    }
    const PageTexts& texts = plan_.texts;
    std::string date = Text(texts.dateText);
    if (LooksLikeDateTime(texts.dateTime)) date = "<time datetime=\"" + texts.dateTime + "\">" + date + "</time>";
    for (const std::string& line : CreditLines(kCredit, Text(texts.progName), date)) sink_.Line(line);
    sink_.Line("</footer>");
    sink_.Line("</body>");
    sink_.Line("</html>");
  }

  LineContext Context() const override { return context_; }
  void Resume(const LineContext& context) override { context_ = context; }

  void OpenBlock(BlockKind block, long start) override {
    sink_.Text().append(kBlockTags[static_cast<std::size_t>(block)][0]);
    if (IsListBlock(block) && start != 1 && start > 0) {
      sink_.Text().append(" start=\"").append(std::to_string(start)).append("\"");
    }
    sink_.Text().push_back('>');
  }
  void CloseBlock(BlockKind block) override {
    sink_.Text().append(kBlockTags[static_cast<std::size_t>(block)][1]);
  }
  void OpenHeading(int level, std::string_view id, bool) override {
    sink_.Text().append("<h").append(std::to_string(level)).append(" id=\"").append(id).append("\">");
  }
  void CloseHeading(int level) override { sink_.Text().append("</h").append(std::to_string(level)).append(">"); }
  void WriteRule() override { sink_.Text().append("<hr>"); }
  void WriteLineBreak() override { sink_.Text().append("<br>"); }
  void OpenMark(char mark) override { sink_.Text().append(MarkTags(mark)[0]); }
  void CloseMark(char mark) override { sink_.Text().append(MarkTags(mark)[1]); }
  void OpenContents() override {
    sink_.Line("<nav class=\"contents\" aria-labelledby=\"toc_title\">");
    sink_.Line("<h2 id=\"toc_title\">Contents</h2>");
  }
  void CloseContents() override { sink_.Line("</nav>"); }
  void OpenHeadingLink(std::string_view id) override { sink_.Text().append("<a href=\"#").append(id).append("\">"); }
  void CloseHeadingLink() override { sink_.Text().append("</a>"); }
  // A block's text was not cleaned on the way in: form feeds tell the builder where pages break.
  void WriteBlockText(std::string_view text, bool plain, bool printable) override {
    if (!printable && NeedsPageCleaning(text)) {
      cleaned_.clear();
      AppendPageText(cleaned_, text);
      text = cleaned_;
    }
    WriteText(text, plain);
  }
  bool WritesBlockTextAsTyped(std::string_view text, bool plain, bool printable) const override {
    return PageWriter::WritesBlockTextAsTyped(text, plain, printable) && (printable || !NeedsPageCleaning(text));
  }
  bool RenderBlockTextAhead(std::string_view text, bool plain, bool printable, std::string& out) const override {
    if (!printable && NeedsPageCleaning(text)) return false;
    return PageWriter::RenderBlockTextAhead(text, plain, printable, out);
  }
  void WriteUnlinkedText(std::string_view text) override {
    if (NeedsPageCleaning(text)) {
      cleaned_.clear();
      AppendPageText(cleaned_, text);
      text = cleaned_;
    }
    AppendEscaped(sink_.Text(), text);
  }

  void WriteIndex(const IndexListing& listing) override {
    // The documents' own language and style sheet, so that the index looks like
    // them, light and dark.
    OpenHead(plan_.texts.language);
    sink_.Line("<title>" + listing.title + "</title>");
    sink_.Line("<style>");
    for (const std::string& rule : PageStyleLines(plan_)) sink_.Line(rule);
    sink_.Line("td time { white-space: nowrap; }");
    sink_.Line("</style>");
    WriteBanner(listing.title);
    if (listing.hasParent || !listing.folders.empty()) {
      sink_.Line("<nav aria-label=\"Folders\">");
      sink_.Line("<ul>");
      if (listing.hasParent) sink_.Line("<li><a href=\"../index.html\">Parent folder</a></li>");
      for (const IndexEntry& folder : listing.folders) {
        sink_.Line("<li><a href=\"" + folder.href + "\">" + folder.name + "</a></li>");
      }
      sink_.Line("</ul>");
      sink_.Line("</nav>");
    }
    sink_.Line("<main>");
    if (listing.documents.empty()) {
      sink_.Line("<p>No documents.</p>");
    } else {
      WriteIndexTable(listing.documents);
    }
    sink_.Line("</main>");
    sink_.Line("</body>");
    sink_.Line("</html>");
  }

 private:
  // The page's first lines, up to the viewport.
  void OpenHead(std::string_view language) {
    sink_.Line("<!DOCTYPE html>");
    sink_.Line(std::string("<html lang=\"").append(language).append("\">"));
    sink_.Line("<head>");
    sink_.Line("<meta charset=\"utf-8\">");
    sink_.Line("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  }

  // The end of the head and the page's header with its heading.
  void WriteBanner(std::string_view heading) {
    sink_.Line("</head>");
    sink_.Line("<body>");
    sink_.Line("<header>");
    sink_.Line(std::string("<h1>").append(heading).append("</h1>"));
    sink_.Line("</header>");
  }

  void WriteIndexTable(const std::vector<IndexEntry>& documents) {
    sink_.Line("<div class=\"table-box\" role=\"region\" aria-label=\"Documents\" tabindex=\"0\">");
    sink_.Line("<table>");
    sink_.Line("<caption>Documents</caption>");
    sink_.Line("<thead>");
    sink_.Line("<tr><th scope=\"col\">Document</th><th scope=\"col\">Size</th><th scope=\"col\">Date</th></tr>");
    sink_.Line("</thead>");
    sink_.Line("<tbody>");
    for (const IndexEntry& item : documents) {
      sink_.Line("<tr><td><a href=\"" + item.href + "\">" + item.name + "</a></td><td>" + item.size +
                 "</td><td><time datetime=\"" + item.dateTime + "\">" + item.date + "</time></td></tr>");
    }
    sink_.Line("</tbody>");
    sink_.Line("</table>");
    sink_.Line("</div>");
  }

  // A row's cells and its line end, gathered in row_ (see kRowBytes); a cell's text
  // that is escaped or linked, or too long for the room left, is written after what gathered.
  void AddRow(std::string_view line, bool plain) {
    SplitFields(line, plan_.separator, unquoted_, fields_);
    if (tableColumns_ == 0) {
      if (context_.rowWidth != 0 && context_.rowWidth != fields_.size()) throw UnevenTable{};
      context_.rowWidth = fields_.size();
    }
    const bool header = plan_.headerRow && !context_.rowsBefore;
    context_.rowsBefore = true;
    std::string& out = sink_.Text();
    char* const row = row_.data();
    char* at = Put(header ? Put(row, "<thead>") : row, "<tr>");
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      const std::string_view field = fields_[i];
      const bool headerCell = header && !TrimBlanks(field, kHtmlBlanks).empty();  // an empty header cell names nothing
      const bool number = !header && IsNumber(field);
      if (row + kRowBytes - at < 2 * kTagRoom) {
        out.append(row, static_cast<std::size_t>(at - row));
        at = row;
      }
      // The last cell spans what the row lacks of the widest row's width.
      if (i + 1 == fields_.size() && tableColumns_ > fields_.size()) {
        if (headerCell) {
          at = Put(at, "<th scope=\"col\" colspan=\"");
        } else if (number) {
          at = Put(at, "<td class=\"number\" colspan=\"");
        } else {
          at = Put(at, "<td colspan=\"");
        }
        at = Put(PutNumber(at, tableColumns_ - fields_.size() + 1), "\">");
      } else if (headerCell) {
        at = Put(at, "<th scope=\"col\">");
      } else if (number) {
        at = Put(at, "<td class=\"number\">");
      } else {
        at = Put(at, "<td>");
      }
      if (plain && static_cast<std::ptrdiff_t>(field.size()) <= row + kRowBytes - at - kTagRoom) {
        std::memcpy(at, field.data(), field.size());
        at += field.size();
      } else {
        out.append(row, static_cast<std::size_t>(at - row));
        at = row;
        WriteText(field, plain);
      }
      at = headerCell ? Put(at, "</th>") : Put(at, "</td>");
    }
    at = Put(at, "</tr>");
    if (header) at = Put(at, "</thead><tbody>");
    *at++ = '\n';  // the modern page's line end (see the constructor)
    out.append(row, static_cast<std::size_t>(at - row));
  }

  void AddOption(std::string_view line) {
    if (!TakeOptionLink(line)) return;
    // A label of white space alone is an empty option; the link names it then.
    if (label_.find_first_not_of(" \t\n\f\r") == std::string::npos) label_.clear();
    std::string& out = sink_.Text();
    out.append("<option value=\"");
    AppendDrained(out, link_.href, drain_);  // a modern page's links are always modern
    out.append("\">");
    AppendOptionLabel(out);
    out.append("</option>");
    sink_.EndLine();
  }

  std::size_t tableColumns_;  // every row fills this many columns; 0 while not known
  std::array<char, kRowBytes> row_;  // a row's markup on its way out (see AddRow)
  LineContext context_;
  std::string cleaned_;       // a line without its forbidden code points
};

}  // namespace

std::unique_ptr<PageWriter> MakeModernPageWriter(const PagePlan& plan, DocumentSink& sink, std::size_t tableColumns) {
  return std::make_unique<ModernPageWriter>(plan, sink, tableColumns);
}

}  // namespace scrivane
