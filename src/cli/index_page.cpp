// The index page of an output folder: its documents with their titles, sizes
// and dates, links to its sub-folders' indexes and to its parent's.
#include <algorithm>
#include <ctime>
#include <string>

#include "cli.h"
#include "encoding.h"
#include "markup.h"
#include "page_writer.h"
#include "utf8.h"

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
  std::string segment;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || byte == '-' ||
        byte == '.' || byte == '_' || byte == '~') {
      segment.push_back(c);
    } else {
      AppendPercentEncoded(segment, byte);
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

// The listing of a folder, its names and figures ready to write.
IndexListing ListingOf(const IndexFolder& folder) {
  IndexListing listing;
  listing.title = FolderTitle(folder);
  listing.hasParent = !folder.path.empty();
  for (const std::string& name : folder.folders) {
    listing.folders.push_back({.href = PathSegment(name) + "/index.html", .name = ShownName(name) + "/"});
  }
  for (const IndexItem& item : folder.documents) {
    listing.documents.push_back({.href = PathSegment(item.name),
                                 .name = ShownName(item.title),
                                 .size = SizeText(item.bytes),
                                 .date = DateText(item.mtime, "%Y-%m-%d %H:%M"),
                                 .dateTime = DateText(item.mtime, "%Y-%m-%dT%H:%M")});
  }
  return listing;
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
    char32_t code = 0;
    const std::size_t length = std::max<std::size_t>(DecodeUtf8(text, at, code), 1);  // the text is UTF-8 by now
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
  std::string page;
  DocumentSink sink([&page](std::string_view bytes) { page.append(bytes); }, TextEncoding::Utf8);
  const PagePlan plan = PlanPage(options);
  MakePageWriter(plan, sink)->WriteIndex(ListingOf(folder));
  sink.Flush();
  return page;
}

}  // namespace scrivane
