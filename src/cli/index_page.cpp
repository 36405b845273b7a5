// The index page of an output folder: its documents with their titles, sizes
// and dates, links to its sub-folders' indexes and to its parent's.
#include <ctime>
#include <string>

#include "cli.h"
#include "encoding.h"
#include "markup.h"
#include "page_style.h"

namespace scrivane {
namespace {

// A folder name or file name is shown at most this long.
constexpr std::size_t kNameCharacters = 255;

std::string Escaped(std::string_view text) {
  std::string escaped;
  AppendEscaped(escaped, text);
  return escaped;
}

// A file or folder name as one URL path segment, every byte outside the unreserved set encoded.
std::string PathSegment(std::string_view name) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string segment;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '-' ||
        byte == '.' || byte == '_' || byte == '~') {
      segment.push_back(c);
    } else {
      segment.append({'%', kDigits[byte >> 4], kDigits[byte & 15]});
    }
  }
  return segment;
}

std::string ShownName(std::string_view name) { return Escaped(PageText(name, kNameCharacters)); }

// "512 bytes", "1.5 KiB", "3.0 MiB": whole tenths, whatever the locale.
std::string SizeText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const bool mebi = bytes >= 1024 * 1024;
  const std::uint64_t unit = mebi ? 1024 * 1024 : 1024;
  const std::uint64_t tenths = (bytes * 10 + unit / 2) / unit;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + (mebi ? " MiB" : " KiB");
}

// The local date and time of a modification time, as text and as a <time> value.
std::string DateText(std::int64_t nanoseconds, const char* format) {
  const std::time_t seconds = static_cast<std::time_t>(nanoseconds / 1000000000);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return {};
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

std::string FolderTitle(const IndexFolder& folder) {
  std::string shown = folder.site;
  if (!folder.path.empty()) shown += "/" + folder.path;
  return "Index of " + Escaped(PageText(shown, kNameCharacters * 4));
}

// A line of the classic page, which ends its lines as the classic documents do.
void Line(std::string& page, std::string_view text) { page.append(text).append("\r\n"); }

// A line of the modern page, which ends its lines as the modern documents do.
void ModernLine(std::string& page, std::string_view text) { page.append(text).append("\n"); }

// ` NAME="value"` with the value escaped; nothing when the value is empty.
std::string Attribute(std::string_view name, const std::string& value) {
  if (value.empty()) return {};
  return " " + std::string(name) + "=\"" + Escaped(value) + "\"";
}

std::string ClassicPage(const IndexFolder& folder, const ConversionOptions& options) {
  const std::string title = FolderTitle(folder);
  std::string page;
  Line(page, "<HTML>");
  Line(page, "<HEAD>");
  Line(page, "<TITLE>" + title + "</TITLE>");
  Line(page, "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=utf-8\">");
  Line(page, "</HEAD>");
  // The documents' page colours and background, so the index looks like them.
  Line(page, "<BODY" + Attribute("BACKGROUND", options.bgImage) + Attribute("TEXT", options.textColor) +
                 Attribute("BGCOLOR", options.bgColor) + ">");
  Line(page, "<CENTER><FONT SIZE=\"+2\"><B>" + title + "</B></FONT></CENTER><BR>");
  if (!folder.path.empty()) Line(page, "<P><A HREF=\"../index.html\">Parent folder</A></P>");
  if (!folder.folders.empty()) {
    Line(page, "<UL>");
    for (const std::string& name : folder.folders) {
      Line(page, "<LI><A HREF=\"" + PathSegment(name) + "/index.html\">" + ShownName(name) + "/</A>");
    }
    Line(page, "</UL>");
  }
  if (folder.documents.empty()) {
    Line(page, "<P>No documents.</P>");
  } else {
    Line(page, "<TABLE BORDER=\"1\">");
    Line(page, "<TR><TH>Document</TH><TH>Size</TH><TH>Date</TH></TR>");
    for (const IndexItem& item : folder.documents) {
      Line(page, "<TR><TD><A HREF=\"" + PathSegment(item.name) + "\">" + ShownName(item.title) + "</A></TD><TD>" +
                     SizeText(item.bytes) + "</TD><TD>" + DateText(item.mtime, "%Y-%m-%d %H:%M") + "</TD></TR>");
    }
    Line(page, "</TABLE>");
  }
  Line(page, "</BODY>");
  Line(page, "</HTML>");
  return page;
}

// The documents' own style sheet and language, so that the index looks like them,
// light and dark.
std::string ModernPage(const IndexFolder& folder, const ConversionOptions& options) {
  const std::string title = FolderTitle(folder);
  std::string page;
  ModernLine(page, "<!DOCTYPE html>");
  ModernLine(page, "<html lang=\"" + LanguageTag(options.language) + "\">");
  ModernLine(page, "<head>");
  ModernLine(page, "<meta charset=\"utf-8\">");
  ModernLine(page, "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
  ModernLine(page, "<title>" + title + "</title>");
  ModernLine(page, "<style>");
  for (const std::string& rule : PageStyleLines(options)) ModernLine(page, rule);
  ModernLine(page, "td time { white-space: nowrap; }");
  ModernLine(page, "</style>");
  ModernLine(page, "</head>");
  ModernLine(page, "<body>");
  ModernLine(page, "<header>");
  ModernLine(page, "<h1>" + title + "</h1>");
  ModernLine(page, "</header>");
  if (!folder.path.empty() || !folder.folders.empty()) {
    ModernLine(page, "<nav aria-label=\"Folders\">");
    ModernLine(page, "<ul>");
    if (!folder.path.empty()) ModernLine(page, "<li><a href=\"../index.html\">Parent folder</a></li>");
    for (const std::string& name : folder.folders) {
      ModernLine(page, "<li><a href=\"" + PathSegment(name) + "/index.html\">" + ShownName(name) + "/</a></li>");
    }
    ModernLine(page, "</ul>");
    ModernLine(page, "</nav>");
  }
  ModernLine(page, "<main>");
  if (folder.documents.empty()) {
    ModernLine(page, "<p>No documents.</p>");
  } else {
    ModernLine(page, "<div class=\"table-box\" role=\"region\" aria-label=\"Documents\" tabindex=\"0\">");
    ModernLine(page, "<table>");
    ModernLine(page, "<caption>Documents</caption>");
    ModernLine(page, "<thead>");
    ModernLine(page, "<tr><th scope=\"col\">Document</th><th scope=\"col\">Size</th><th scope=\"col\">Date</th></tr>");
    ModernLine(page, "</thead>");
    ModernLine(page, "<tbody>");
    for (const IndexItem& item : folder.documents) {
      ModernLine(page, "<tr><td><a href=\"" + PathSegment(item.name) + "\">" + ShownName(item.title) + "</a></td><td>" +
                     SizeText(item.bytes) + "</td><td><time datetime=\"" + DateText(item.mtime, "%Y-%m-%dT%H:%M") +
                     "\">" + DateText(item.mtime, "%Y-%m-%d %H:%M") + "</time></td></tr>");
    }
    ModernLine(page, "</tbody>");
    ModernLine(page, "</table>");
    ModernLine(page, "</div>");
  }
  ModernLine(page, "</main>");
  ModernLine(page, "</body>");
  ModernLine(page, "</html>");
  return page;
}

}  // namespace

std::string PageText(std::string_view bytes, std::size_t characters) {
  std::string text;
  if (IsValidUtf8(bytes)) {
    text.assign(bytes);
  } else {
    AppendUtf8FromWindows1252(text, bytes);
  }
  std::string shown;
  std::size_t count = 0;
  for (std::size_t at = 0; at < text.size() && count < characters;) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3Fu);
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    const bool nonCharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
    if (control || nonCharacter || code == ' ') {
      if (!shown.empty() && shown.back() != ' ') shown.push_back(' ');
    } else {
      shown.append(text, at, length);
    }
    ++count;
    at += length;
  }
  while (!shown.empty() && shown.back() == ' ') shown.pop_back();
  return shown;
}

std::string IndexPage(const IndexFolder& folder, const ConversionOptions& options) {
  return options.modern ? ModernPage(folder, options) : ClassicPage(folder, options);
}

}  // namespace scrivane
