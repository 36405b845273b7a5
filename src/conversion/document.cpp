// The document: page wrapper (head, title banner, centring and font wrappers,
// foot) and the six body formats. Every item is one line ending in CR LF.
#include "document.h"

#include <charconv>
#include <limits>

#include "byte_rules.h"
#include "render.h"

namespace scrivane {
namespace {

constexpr char kQuote = '"';

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// ` NAME="value"` with the value escaped so that it cannot end the attribute;
// nothing when the value is empty.
std::string Attribute(std::string_view name, const std::string& value) {
  if (value.empty()) return {};
  std::string attribute = " ";
  attribute.append(name).append("=\"");
  AppendEscaped(attribute, value);
  attribute.push_back(kQuote);
  return attribute;
}

// Text to place inside a single-quoted script string within a double-quoted attribute.
std::string ScriptStringInAttribute(std::string_view text) {
  std::string script;
  for (char c : text) {
    if (c == '\r' || c == '\n') {  // a line end would end the string too soon
      script.append(c == '\r' ? "\\r" : "\\n");
      continue;
    }
    if (c == '\\' || c == '\'') script.push_back('\\');
    script.push_back(c);
  }
  std::string escaped;
  AppendEscaped(escaped, script);
  return escaped;
}

// The two texts the footer box shows until the user writes a footer.
bool IsFooterPlaceholder(std::string_view footer) {
  return footer == "Enter your footer here" || footer == "Enter your footer here icluding any html tags.";
}

std::string_view TrimWhitespace(std::string_view text) {
  constexpr std::string_view kWhitespace = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kWhitespace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kWhitespace) - first + 1);
}

}  // namespace

std::string ListTagFor(std::string_view listType) {
  const std::string lower = Lower(listType);
  if (lower == "unordered") return "UL";
  if (lower == "ordered") return "OL";
  return {};
}

std::string SeparatorFor(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "comma") return ",";
  if (lower == "tab") return "\t";
  if (lower == "semi-colon") return ";";
  return std::string(name);
}

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
  unquoted.reserve(line.size());  // never outgrown, so views into it stay valid
  std::size_t at = 0;
  for (;;) {
    const bool quoted = at < line.size() && line[at] == kQuote;
    const std::size_t start = unquoted.size();
    if (quoted) {
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
    const std::size_t next = line.find(separator, at);
    const std::string_view rest = line.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at);
    if (quoted) {
      unquoted.append(rest);
      fields.push_back(std::string_view(unquoted).substr(start));
    } else {
      fields.push_back(rest);
    }
    if (next == std::string_view::npos) return;
    at = next + separator.size();
  }
}

std::string EffectiveFontSize(const ConversionOptions& options) {
  if (options.format != OutputFormat::OriginalFormat) return options.fontSize;
  if (options.fontSize.empty()) return options.fontFace.empty() ? "" : "+1";
  // A whole number, signed or not, goes up by one; any other text is kept as typed.
  const std::string& size = options.fontSize;
  const char* first = size.data() + (size[0] == '+' ? 1 : 0);
  const char* last = size.data() + size.size();
  long value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return size;
  if (value == std::numeric_limits<long>::max()) return size;  // one more has no value
  return std::to_string(value + 1);
}

DocumentWriter::DocumentWriter(const ConversionOptions& options, DocumentSink& sink, std::size_t tableColumns)
    : options_(options), sink_(sink), tableColumns_(tableColumns), drain_([this] { sink_.Flush(); }) {
  const std::string size = EffectiveFontSize(options);
  if (!options.fontFace.empty() || !size.empty() || !options.fontColor.empty()) {
    fontTag_ = "<FONT" + Attribute("FACE", options.fontFace) + Attribute("SIZE", size) +
               Attribute("COLOR", options.fontColor) + ">";
  }
  listTag_ = ListTagFor(options.listType);
  separator_ = SeparatorFor(options.separator);
  // Modern documents end their lines as the web does; classic ones keep CR LF.
  sink_.UseLineEnd(options.modern ? "\n" : "\r\n");
}

void DocumentWriter::Begin() {
  if (options_.modern) return BeginModern();
  if (options_.webPage) {
    sink_.Line("<HTML>");
    sink_.Line("<HEAD>");
    sink_.Line("<TITLE>" + options_.title + "</TITLE>");
    if (!options_.charSet.empty()) {
      std::string meta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=";
      AppendEscaped(meta, options_.charSet);
      sink_.Line(meta + "\">");
    }
    sink_.Line("</HEAD>");
    sink_.Line("<BODY" + Attribute("BACKGROUND", options_.bgImage) + Attribute("TEXT", options_.textColor) +
               Attribute("BGCOLOR", options_.bgColor) + ">");
    sink_.Line("<CENTER><FONT SIZE=\"+2\"><B>" + options_.title + "</B></FONT></CENTER><BR>");
  }
  if (options_.centre) sink_.Line("<CENTER>");
  if (!fontTag_.empty()) sink_.Line(fontTag_);
  switch (options_.format) {
    case OutputFormat::OriginalFormat: sink_.Line("<PRE>"); break;
    case OutputFormat::HtmlTable: sink_.Line("<TABLE BORDER=\"1\">"); break;
    case OutputFormat::SelectionBox:
      sink_.Line("<FORM NAME=\"FN" + options_.formId + "\">");
      sink_.Line("<SELECT NAME=\"SN" + options_.formId + "\">");
      break;
    case OutputFormat::HtmlList: sink_.Line("<" + listTag_ + ">"); break;
    default: break;
  }
}

void DocumentWriter::AddLine(std::string_view line, bool plain, bool printable) {
  if (options_.modern) return AddModernLine(line, plain, printable);
  switch (options_.format) {
    case OutputFormat::Smart:
      if (line.empty()) {
        sink_.Text().append("<P>");
        break;
      }
      WriteText(line, plain);
      sink_.Text().push_back(' ');
      break;
    case OutputFormat::OriginalLinefeeds:
      WriteText(line, plain);
      sink_.Text().append(" <BR>");
      break;
    case OutputFormat::OriginalFormat:
      WriteText(line, plain);
      sink_.Text().push_back(' ');
      break;
    case OutputFormat::HtmlList:
      sink_.Text().append("<LI>");
      WriteText(line, plain);
      sink_.Text().push_back(' ');
      break;
    case OutputFormat::HtmlTable:
      if (line.empty()) return;
      AddTableRow(line, plain);
      break;
    case OutputFormat::SelectionBox:
      if (!plain) AddSelectionOption(line);  // a plain line holds no link
      return;
  }
  sink_.EndLine();
}

void DocumentWriter::AddTableRow(std::string_view line, bool plain) {
  SplitFields(line, separator_, unquoted_, fields_);
  sink_.Text().append("<TR>");
  for (std::string_view field : fields_) {
    sink_.Text().append("<TD>");
    // The line's scan saw a host that now starts a field in the middle of a word.
    const bool hostStartsField = field.size() > 3 && field[3] == '.' &&
                                 MayChangeWord<false>(field.data(), 0, 3, field.size(), false, options_.links);
    WriteText(field, plain && !hostStartsField);
    sink_.Text().append("</TD>");
  }
  sink_.Text().append("</TR>");
}

void DocumentWriter::WriteText(std::string_view text, bool plain) {
  // A long text goes out in pieces cut at spaces, so the pending output stays
  // small; words never span a space, so the pieces render as the whole would.
  constexpr std::size_t kPiece = 256 * 1024;
  while (text.size() > kPiece) {
    if (plain) {
      sink_.Append(text);
      return;
    }
    std::size_t cut = text.rfind(' ', kPiece);
    if (cut == std::string_view::npos) cut = text.find(' ', kPiece);
    if (cut == std::string_view::npos) break;
    RenderText(text.substr(0, cut + 1), options_.links, sink_.Text(), drain_);
    sink_.Flush();
    text.remove_prefix(cut + 1);
  }
  if (plain) {
    sink_.Text().append(text);
  } else {
    RenderText(text, options_.links, sink_.Text(), drain_);
  }
}

bool DocumentWriter::TakeOptionLink(std::string_view line) {
  std::size_t wordStart = 0, wordEnd = 0;
  if (!FindFirstLink(line, options_.links, link_, wordStart, wordEnd)) return false;
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

void DocumentWriter::AppendOptionLabel(std::string& out) {
  if (label_.empty()) {
    AppendDrained(out, link_.text, drain_);
  } else {
    AppendEscaped(out, label_);
  }
}

void DocumentWriter::AddSelectionOption(std::string_view line) {
  if (!TakeOptionLink(line)) return;
  std::string& out = sink_.Text();
  out.append("<OPTION VALUE=\"");
  if (options_.links.modern) {
    AppendDrained(out, link_.href, drain_);
  } else {
    out.append(link_.scheme);
    AppendDrained(out, link_.text, drain_);
  }
  out.append("\">");
  AppendOptionLabel(out);
  out.append("</OPTION>");
  sink_.EndLine();
}

void DocumentWriter::WriteGoButton() {
  const std::string& id = options_.formId;
  sink_.Line("<INPUT TYPE=\"Button\" VALUE=\"Go\"");
  sink_.Line("\tonClick=\"");
  sink_.Line("\tvar LinkObj=document.FN" + id + ".SN" + id + ";");
  sink_.Line("\tvar Index=LinkObj.selectedIndex;");
  sink_.Line("\tvar link=LinkObj.options[Index].value;");
  sink_.Line("\twindow.open(link,'" + ScriptStringInAttribute(options_.target) + "')\">");
}

void DocumentWriter::End() {
  if (options_.modern) return EndModern();
  switch (options_.format) {
    case OutputFormat::OriginalFormat: sink_.Line("</PRE>"); break;
    case OutputFormat::HtmlTable: sink_.Line("</TABLE>"); break;
    case OutputFormat::SelectionBox:
      sink_.Line("</SELECT>");
      if (options_.goButton) WriteGoButton();
      sink_.Line("</FORM>");
      break;
    case OutputFormat::HtmlList: sink_.Line("</" + listTag_ + ">"); break;
    default: break;
  }
  if (!fontTag_.empty()) sink_.Line("</FONT>");
  if (options_.centre) sink_.Line("</CENTER>");
  if (options_.webPage) WriteFoot();
}

void DocumentWriter::WriteFoot() {
  sink_.Line("<BR><HR>");
  const std::string_view footer = TrimWhitespace(options_.footer);
  if (!footer.empty() && !IsFooterPlaceholder(footer)) {
    // The footer is HTML typed over several lines; each becomes an output line.
    std::size_t start = 0;
    while (start <= footer.size()) {
      const std::size_t end = footer.find_first_of("\r\n", start);
      sink_.Line(footer.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
      if (end == std::string_view::npos) break;
      start = end + ((footer[end] == '\r' && end + 1 < footer.size() && footer[end + 1] == '\n') ? 2 : 1);
    }
  }
  sink_.Line("<center>Web Page created with " + options_.progName + " v" + kVersionText + " by <A HREF=\"mailto:" +
             kMakerMail + "\">" + kMakerName + "</A><BR>");
  sink_.Line(std::string("<A HREF=\"") + kMakerHomePage + "\">" + kMakerHomePage + "</A><BR>");
  sink_.Line("Date: " + options_.dateText + "</center><BR><BR>");
  sink_.Line("</BODY></HTML>");
}

}  // namespace scrivane
