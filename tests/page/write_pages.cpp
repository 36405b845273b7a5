// Writes modern documents of every format and option combination into a folder,
// for the checkers that read them (the Nu Html Checker, axe-core in Chromium):
//   write_pages FOLDER SAMPLE_TXT [REAL_TEXT...]
// Each real text (a file as found on a system; missing ones are passed over) is
// written in every format as real-NAME-FORMAT.html.
// Pages are NAME.html; fragments are set inside a minimal page as NAME.fragment.html.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert_helpers.h"
#include "hostile_lines.h"

namespace scrivane {
namespace {

using testing_support::kHostileLines;
using testing_support::ReadFile;
using testing_support::WriteFile;

const std::string kCsv =
    "Item,Price,Stock,Change,Note\n"
    "Apples,\"1,250.50\",42,+3%,\"Fresh, from \"\"the\"\" orchard\"\n"
    "Pears,$0.75,0,-1.5,see http://shop.example.org/pears?kind=all&sort=price\n"
    "\n"
    "Plums,12\n"
    "Figs,\xC2\xA3" "3,7,,mail sales@example.org,extra,fields\n";

const std::string kOddText =
    "\xEF\xBB\xBF" "A line after a byte-order mark\n"
    "Controls \x01 \x0B \x1F \x7F and noncharacters \xEF\xB7\x90 \xEF\xBF\xBE stay out\n"
    "\n\n\n"
    "Tabs\tbetween\twords and  two  spaces\n"
    "A long address https://example.org/" + std::string(300, 'a') + "/and/more?query=" + std::string(120, 'b') +
    " in a line\n"
    "A long word " + std::string(200, 'w') + "\n"
    "Pound \xC2\xA3" "5 & <b>tags</b> \"quoted\"\n"
    "\n"
    "www.example.com ftp.example.net someone@example.org (http://example.org/x).\n";

// Bytes that are not UTF-8 (Windows-1252), with the five it leaves undefined.
const std::string kLegacyText = "Caf\xE9 na\xEFve \x80 5 \x81\x8D\x8F\x90\x9D \x93quoted\x94\n";

struct Page {
  std::string name;
  std::string text;
  std::function<void(ConversionOptions&)> configure;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

void Hostile(ConversionOptions& o) {
  o.fontFace = "\"></style><script>alert('face')</script>";
  o.fontColor = "red;} body { display: none";
  o.fontSize = "3; background: url(javascript:alert(1))";
  o.bgColor = "</style><script>alert(1)</script>";
  o.textColor = "expression(alert(1))";
  o.bgImage = "javascript:alert(1)";
  o.language = "en\"><script>alert(1)</script>";
  o.target = "x');alert('target');//\"><script>alert(1)</script>";
  o.title = "<script>alert('title')</script><img src=x onerror=alert(1)><b onclick=alert(1)>bold</b>";
  o.footer = "<a href=\"javascript:alert(1)\">x</a> </footer><script>alert(1)</script> <i>kept</i>";
  o.centre = true;
  o.goButton = true;
}

void UserColours(ConversionOptions& o) {
  o.bgColor = "#FFFFF0";
  o.textColor = "203040";
  o.fontColor = "navy";
  o.fontFace = "DejaVu Serif, Georgia";
  o.fontSize = "4";
  o.bgImage = "images/paper texture.png";
}

std::vector<Page> Pages(const std::string& sample) {
  const std::string hostile = Joined(kHostileLines);
  const auto same = [](ConversionOptions&) {};
  std::vector<Page> pages;
  const char* formats[] = {"smart", "linefeeds", "pre", "list", "table", "links", "structured"};
  for (int f = 0; f < kFormatCount; ++f) {
    const std::string format = formats[f];
    const auto as = [f](const std::function<void(ConversionOptions&)>& more) {
      return [f, more](ConversionOptions& o) {
        o.format = static_cast<OutputFormat>(f);
        more(o);
      };
    };
    pages.push_back({format + "-sample", sample, as(same)});
    pages.push_back({format + "-hostile", hostile, as(same)});
    pages.push_back({format + "-hostile-options", hostile, as(Hostile)});
    pages.push_back({format + "-odd", kOddText + kLegacyText, as(UserColours)});
    pages.push_back({format + "-empty", "", as([](ConversionOptions& o) { o.title = ""; })});
    pages.push_back({format + "-fragment", sample, as([](ConversionOptions& o) { o.webPage = false; })});
    pages.push_back({format + "-hostile-fragment", hostile, as([](ConversionOptions& o) {
                       Hostile(o);
                       o.webPage = false;
                     })});
  }
  pages.push_back({"table-csv", kCsv, [](ConversionOptions& o) { o.format = OutputFormat::HtmlTable; }});
  pages.push_back({"table-csv-header", kCsv, [](ConversionOptions& o) {
                     o.format = OutputFormat::HtmlTable;
                     o.headerRow = true;
                     o.language = "de-CH";
                   }});
  pages.push_back({"table-tab-header", "a\tb\n1\t2\n", [](ConversionOptions& o) {
                     o.format = OutputFormat::HtmlTable;
                     o.separator = "tab";
                     o.headerRow = true;
                     o.fontFace = "Courier";
                   }});
  pages.push_back({"table-header-only-empty", "\n\n", [](ConversionOptions& o) {
                     o.format = OutputFormat::HtmlTable;
                     o.headerRow = true;
                   }});
  pages.push_back({"list-ordered-centred", sample, [](ConversionOptions& o) {
                     o.format = OutputFormat::HtmlList;
                     o.listType = "Ordered";
                     o.centre = true;
                   }});
  pages.push_back({"links-go-self", sample, [](ConversionOptions& o) {
                     o.format = OutputFormat::SelectionBox;
                     o.goButton = true;
                     o.target = "_self";
                     o.language = "pt-BR";
                   }});
  pages.push_back({"newsletter", sample, [](ConversionOptions& o) {
                     o.title = "Harbour Street Allotment Society";
                     o.footer = "Harbour Street Allotment Society &middot; <a href=\"mailto:plots@example.org\">write to us</a>";
                   }});
  pages.push_back({"links-without-go", sample, [](ConversionOptions& o) {
                     o.format = OutputFormat::SelectionBox;
                     o.goButton = false;
                   }});
  pages.push_back({"smart-marked-up-title", sample, [](ConversionOptions& o) {
                     o.title = "Notes &amp; <em>news</em> <a href=\"https://example.org/a b\">here</a><br>today";
                     o.footer = "Written by <b>me</b>\r\n<a href=\"mailto:me@example.org\">write</a> &copy; 2024";
                     o.centre = true;
                   }});
  return pages;
}

constexpr const char* kFragmentPageHead =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>A fragment</title>\n</head>\n<body>\n<main>\n<h1>A fragment</h1>\n";
constexpr const char* kFragmentPageFoot = "</main>\n</body>\n</html>\n";

}  // namespace
}  // namespace scrivane

int main(int argc, char** argv) {
  using namespace scrivane;
  if (argc < 3) {
    std::fprintf(stderr, "usage: write_pages FOLDER SAMPLE_TXT [REAL_TEXT...]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string sample = ReadFile(argv[2]);
  if (sample.empty()) {
    std::fprintf(stderr, "write_pages: cannot read %s\n", argv[2]);
    return 1;
  }
  std::vector<Page> pages = Pages(sample);
  for (int i = 3; i < argc; ++i) {
    const std::filesystem::path real = argv[i];
    if (!std::filesystem::is_regular_file(real)) continue;
    std::string name = real.parent_path().filename().string() + "-" + real.filename().string();
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    const char* formats[] = {"smart", "linefeeds", "pre", "list", "table", "links", "structured"};
    for (int f = 0; f < kFormatCount; ++f) {
      // Structured text names the page after the document when the title is the default.
      pages.push_back({"real-" + name + "-" + formats[f], ReadFile(real), [f](ConversionOptions& o) {
                         o.format = static_cast<OutputFormat>(f);
                         if (o.format == OutputFormat::Structured) o.title = kDefaultTitle;
                       }});
    }
  }
  int written = 0;
  for (const Page& page : pages) {
    ConversionOptions options;
    options.modern = true;
    options.title = "Modern page: " + page.name;
    options.footer = "Checked by the page tests";
    options.dateText = "Friday, 7 March 2025 03:04 PM";
    options.dateTime = "2025-03-07T15:04:00+01:00";
    options.formId = "42";
    options.listType = "Unordered";
    options.separator = "comma";
    options.target = "_blank";
    options.goButton = true;
    page.configure(options);
    const auto converted = testing_support::ConvertText(page.text, options);
    if (!converted.result.delivered) {
      std::fprintf(stderr, "write_pages: %s was not converted\n", page.name.c_str());
      return 1;
    }
    if (options.webPage) {
      WriteFile(folder / (page.name + ".html"), converted.document);
    } else {
      WriteFile(folder / (page.name + ".fragment.html"),
                kFragmentPageHead + converted.document + kFragmentPageFoot);
    }
    ++written;
  }
  std::printf("%d documents in %s\n", written, folder.c_str());
  return 0;
}
