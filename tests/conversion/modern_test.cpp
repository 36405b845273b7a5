// The modern page: option values as CSS and language, the documents of every
// format against golden files (SCRIVANE_UPDATE_GOLDEN=1 rewrites them after a
// deliberate change), and the threaded path against the single-threaded one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>

#include "body.h"
#include "convert_helpers.h"
#include "output_file.h"
#include "page_style.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Reads `text` at any offset, at most `most` bytes a call.
ReadAtFunction ReaderAt(const std::string& text, std::size_t most) {
  return [&text, most](char* buffer, std::size_t size, std::uint64_t offset) {
    return offset < text.size() ? text.copy(buffer, std::min(size, most), static_cast<std::size_t>(offset)) : 0;
  };
}

struct ValueCase {
  std::string (*check)(std::string_view);
  const char* typed;
  const char* written;
};

class OptionValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(OptionValueTest, CheckedOrEscaped) { EXPECT_EQ(GetParam().check(GetParam().typed), GetParam().written); }

std::string Family(std::string_view faces) { return CssFontFamily(faces, "serif"); }

INSTANTIATE_TEST_SUITE_P(
    Table, OptionValueTest,
    testing::Values(
        ValueCase{CssColour, " #FFFFF0 ", "#fffff0"}, ValueCase{CssColour, "203040", "#203040"},
        ValueCase{CssColour, "#abc", "#abc"}, ValueCase{CssColour, "abc", ""}, ValueCase{CssColour, "NavY", "navy"},
        ValueCase{CssColour, "#12345", ""}, ValueCase{CssColour, "red;} body {display:none", ""},
        ValueCase{CssColour, "</style><script>", ""}, ValueCase{CssColour, "expression(alert(1))", ""},
        ValueCase{CssFontSize, "1", "0.625em"}, ValueCase{CssFontSize, "7", "3em"}, ValueCase{CssFontSize, "9", "3em"},
        ValueCase{CssFontSize, "+2", "1.5em"}, ValueCase{CssFontSize, "-5", "0.625em"},
        ValueCase{CssFontSize, "0", ""}, ValueCase{CssFontSize, "3; color: red", ""}, ValueCase{CssFontSize, "12pt", ""},
        ValueCase{LanguageTag, "de-CH", "de-CH"}, ValueCase{LanguageTag, " sr-Latn-RS ", "sr-Latn-RS"},
        ValueCase{LanguageTag, "e", "en"}, ValueCase{LanguageTag, "en-", "en"}, ValueCase{LanguageTag, "", "en"},
        ValueCase{LanguageTag, "en\"><script>", "en"}, ValueCase{LanguageTag, "fr-toolongsubtag", "en"},
        ValueCase{CssUrl, "images/paper.png", "url(\"images/paper.png\")"},
        ValueCase{CssUrl, "https://x.example/a\").b{c", "url(\"https://x.example/a\\\").b{c\")"},
        ValueCase{CssUrl, "javascript:alert(1)", ""}, ValueCase{CssUrl, "Java\tScript:alert(1)", ""},
        ValueCase{CssUrl, "data:image/png;base64,AAAA", ""}, ValueCase{CssUrl, "  ", ""},
        ValueCase{Family, "Arial, 'Times New Roman'", "\"Arial\", \"Times New Roman\", serif"},
        ValueCase{Family, "\"></style><script>", "\"\\\"\\3e \\3c /style\\3e \\3c script\\3e \", serif"},
        ValueCase{Family, "a\\b\nc", "\"a\\\\b\\a c\", serif"}, ValueCase{Family, " , ", "serif"}));

ConversionOptions Modern(OutputFormat format) {
  ConversionOptions options;
  options.modern = true;
  options.format = format;
  options.title = "Golden <em>page</em>";
  options.footer = "Kept <b>footer</b>\r\nsecond line";
  options.dateText = "DATE";
  options.dateTime = "2025-03-07T15:04:00+01:00";
  options.formId = "7";
  options.separator = "comma";
  options.listType = "Ordered";
  options.target = "_blank";
  return options;
}

const std::string kText =
    "First line & a link www.example.org\n"
    "second line\n"
    "\n\n"
    "Name,Price,\"Note, quoted\"\n"
    "Pear,1.25\n"
    "\tindented http://example.org/x?a=1&b=2 \"quoted\"\x01\n";

struct GoldenCase {
  const char* name;
  void (*configure)(ConversionOptions& options);
};

class GoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, MatchesTheGoldenFile) {
  ConversionOptions options = Modern(OutputFormat::Smart);
  GetParam().configure(options);
  const std::string document = ConvertText(kText, options).document;
  const std::filesystem::path golden =
      std::filesystem::path(SCRIVANE_SOURCE_DIR) / "tests/conversion/golden/modern" / (std::string(GetParam().name) + ".html");
  if (std::getenv("SCRIVANE_UPDATE_GOLDEN") != nullptr) WriteFile(golden, document);
  EXPECT_EQ(document, ReadFile(golden)) << golden;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, GoldenTest,
    testing::Values(
        GoldenCase{"smart", [](ConversionOptions&) {}},
        GoldenCase{"linefeeds_centred", [](ConversionOptions& o) {
                     o.format = OutputFormat::OriginalLinefeeds;
                     o.centre = true;
                   }},
        GoldenCase{"pre_user_colours", [](ConversionOptions& o) {
                     o.format = OutputFormat::OriginalFormat;
                     o.fontFace = "Courier";
                     o.fontSize = "3";
                     o.fontColor = "navy";
                     o.bgColor = "#FFFFF0";
                     o.bgImage = "paper.png";
                     o.language = "de";
                   }},
        GoldenCase{"list_fragment", [](ConversionOptions& o) {
                     o.format = OutputFormat::HtmlList;
                     o.webPage = false;
                   }},
        GoldenCase{"table_header_row", [](ConversionOptions& o) {
                     o.format = OutputFormat::HtmlTable;
                     o.headerRow = true;
                   }},
        GoldenCase{"links_go", [](ConversionOptions& o) {
                     o.format = OutputFormat::SelectionBox;
                     o.goButton = true;
                     o.target = "x\" onclick=\"alert(1)";
                   }},
        GoldenCase{"links_fragment_without_go", [](ConversionOptions& o) {
                     o.format = OutputFormat::SelectionBox;
                     o.webPage = false;
                     o.centre = true;
                   }}),
    [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

// Which table cells are marked as numbers (right-aligned by the page's style).
TEST(ModernPage, NumberCells) {
  const std::pair<const char*, bool> cells[] = {
      {"12", true},         {" 12 ", true},       {"-3.5", true},       {"+7", true},
      {"$5", true},         {"\xC2\xA3" "5", true}, {"\xE2\x82\xAC" "1,234.50", true}, {"50%", true},
      {".5", true},         {"1,234", true},      {"12.", false},       {"1.2.3", false},
      {"1,", false},        {"12a", false},       {"$", false},         {"-", false},
      {"%", false},         {"abc", false},       {"\xC2\xA0" "5", false}, {"\xE2\x80\x93" "5", false},
      {"\t7 \t", true},     {"a 7", false},       {" ", false},         {"$%", false},
  };
  ConversionOptions options = Modern(OutputFormat::HtmlTable);
  options.webPage = false;
  options.separator = "tab";
  for (const auto& [cell, number] : cells) {
    const std::string document = ConvertText(std::string(cell) + "\n", options).document;
    EXPECT_EQ(document.find("<td class=\"number\">") != std::string::npos, number) << '"' << cell << '"';
  }
}

TEST(ModernPage, LegacyInputBecomesUtf8WhateverTheCharSet) {
  ConversionOptions options = Modern(OutputFormat::Smart);
  options.charSet = "windows-1252";
  testing_support::Sandbox folder;
  WriteFile(folder / "in.txt", "Caf\xE9 \x80\n");
  RunConversion(InputFile{(folder / "in.txt").string()}, OutputFile{(folder / "out.html").string()}, options, {});
  const std::string document = ReadFile(folder / "out.html");
  EXPECT_NE(document.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(document.find("<p>Caf\xC3\xA9 \xE2\x82\xAC\n"), std::string::npos);
  EXPECT_EQ(document.find("windows-1252"), std::string::npos);
}

// The first pass over a table finds the widest row as the writer splits rows:
// any line ends, quoted fields holding separators, any separator, in chunks,
// counted on one thread or in blocks on several.
TEST(ModernPage, TableWidthAsTheWriterSplits) {
  const std::vector<std::string> pieces = {"a", ",", ",", ";", "\t", "\"x,y\"", "\"q\"\"", "\n", "\r\n", "\r",
                                           "::", "\xE9", std::string(37, 'z')};
  std::mt19937 random(3);
  for (const std::string separator : {",", "\t", ";", "::", "\xC3\xA9"}) {
    for (int round = 0; round < 20; ++round) {
      std::string text;
      while (text.size() < (round == 0 ? 400000u : 3000u)) text += pieces[random() % pieces.size()];
      for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
        std::size_t expected = 0;
        std::string unquoted;
        std::vector<std::string_view> fields;
        std::size_t offset = 0;
        LineScanner scanner(
            [&](char* buffer, std::size_t size) {
              const std::size_t n = text.copy(buffer, std::min<std::size_t>(size, 1000), offset);
              offset += n;
              return n;
            },
            LinkOptions{});
        ScannedLine line;
        std::string decoded;
        while (scanner.Next(line)) {
          std::string_view fieldsOf = line.text;
          if (encoding == TextEncoding::Windows1252 && line.hasHighBytes) {
            decoded.clear();
            AppendUtf8FromWindows1252(decoded, line.text);
            fieldsOf = decoded;
          }
          SplitFields(fieldsOf, separator, unquoted, fields);
          expected = std::max(expected, fields.size());
        }
        std::size_t at = 0;
        const auto read = [&](char* buffer, std::size_t size) {
          const std::size_t n = text.copy(buffer, std::min<std::size_t>(size, 777), at);
          at += n;
          return n;
        };
        EXPECT_EQ(CountTableColumns(read, encoding, separator), expected) << separator << " " << round;
        EXPECT_EQ(CountTableColumnsAt(ReaderAt(text, 777), encoding, separator, 3), expected)
            << separator << " " << round << " in stretches";
      }
    }
  }
}

// Rows no wider than the widest so far are passed over 64 bytes at a time; a
// wider row that begins among them still counts whole, as does a quoted one.
TEST(ModernPage, TableWidthPastNarrowRows) {
  const auto lines = [](std::string_view line, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line;
    return text;
  };
  const std::pair<std::string, std::size_t> cases[] = {
      {"a,b,c,d,e,f\n" + lines("x\n", 40) + "p,q,r,s," + std::string(100, 'z') + ",t,u\n" + lines("y\n", 40), 7},
      {"a,b,c\n" + lines("x,y\r\n", 30) + "\"p,q,r,s\",t\n" + lines("y\n", 40), 3},
      {"a,b,c\n" + lines("x,y\n", 30) + "\"p,q\",r,s,t\n" + lines("y\n", 40), 4},
      {"a,b,c\n" + lines("x\r", 50) + "1,2,3,4", 4},
  };
  for (const auto& [text, expected] : cases) {
    std::size_t at = 0;
    const auto read = [&](char* buffer, std::size_t size) {
      const std::size_t n = text.copy(buffer, size, at);
      at += n;
      return n;
    };
    EXPECT_EQ(CountTableColumns(read, TextEncoding::Utf8, ","), expected) << text;
    EXPECT_EQ(CountTableColumnsAt(ReaderAt(text, SIZE_MAX), TextEncoding::Utf8, ",", 3), expected) << text;
  }
}

// Threads counting stretches in no order find the one wide row wherever it lies
// against a stretch's edge (before, across, just after), however its line ends,
// and as the last line without an end; a row whose quoted field holds separators
// counts as one, never as the wider tail a stretch begins in. No input, no row.
TEST(ModernPage, TableWidthInAnyStretch) {
  const std::string none;
  EXPECT_EQ(CountTableColumnsAt(ReaderAt(none, 1), TextEncoding::Utf8, ",", 2), 0u);
  const std::pair<std::string, std::size_t> rows[] = {{"1,2,\"3,x\",4,5,6", 6}, {"\"q,r,s,t,u,v,w\",z", 2}};
  const std::size_t edge = 2 * kTableCountStretch;
  for (const auto& [row, width] : rows) {
    for (const std::string lineEnd : {"\n", "\r\n", "\r"}) {
      for (const bool last : {false, true}) {
        for (std::size_t at = edge - row.size() - 3; at <= edge + 2; ++at) {
          // One long line before it: no stretch up to it holds another line end.
          std::string text = std::string(at - 1, 'p') + "\n" + row;
          if (!last) {
            text += lineEnd;
            while (text.size() < edge + kTableCountStretch + 1000) text += "c" + lineEnd;
          }
          EXPECT_EQ(CountTableColumnsAt(ReaderAt(text, 5000), TextEncoding::Utf8, ",", 2), width)
              << row << " " << at - edge << (last ? " last" : "");
        }
      }
    }
  }
}

// A read that fails on any thread, in a stretch or reading on to a line's end,
// reaches the caller as it was thrown, naming the file.
TEST(ModernPage, TableWidthReadFailureReachesTheCaller) {
  const std::string text(3 * kTableCountStretch, 'x');  // one long line: read on past every stretch
  for (const std::uint64_t failAt : {std::uint64_t{0}, std::uint64_t{kTableCountStretch}, text.size() - 10}) {
    const ReadAtFunction reader = ReaderAt(text, 4096);
    const auto failing = [&](char* buffer, std::size_t size, std::uint64_t offset) {
      if (offset + size > failAt) throw FileError(RunFailure::InputUnreadable, "in.txt", EIO);
      return reader(buffer, size, offset);
    };
    try {
      CountTableColumnsAt(failing, TextEncoding::Utf8, ",", 3);
      ADD_FAILURE() << "no failure at " << failAt;
    } catch (const FileError& error) {
      EXPECT_EQ(error.path, "in.txt");
      EXPECT_EQ(error.error, EIO);
    }
  }
}

// A row wider than the rest, late in a large input, has the whole table
// written again with every row filling the widest.
TEST(ModernPage, LateWideRowWidensEveryRow) {
  ConversionOptions options = Modern(OutputFormat::HtmlTable);
  std::string input;
  while (input.size() < 3 * 1024 * 1024) input += "a,b,c\r\n\"d, e\",f,g\n";
  for (const std::string last : {"", "x,y,z,w\n", "short\n"}) {
    std::string expected;
    DocumentSink sink([&](std::string_view bytes) { expected.append(bytes); }, TextEncoding::Utf8);
    const PagePlan plan = PlanPage(options);
    DocumentWriter writer(plan, sink, last == "x,y,z,w\n" ? 4 : 3);
    const std::string text = input + last;
    LineScanner scanner(text, options.links);
    writer.Begin();
    ConvertLines(scanner, TextEncoding::Utf8, true, writer, {});
    writer.End();
    sink.Flush();
    testing_support::Sandbox folder;
    WriteFile(folder / "in.txt", text);
    RunConversion(InputFile{(folder / "in.txt").string()}, OutputFile{(folder / "out.html").string()}, options, {});
    EXPECT_EQ(ReadFile(folder / "out.html"), expected) << last;
  }
}

// Control characters never reach a modern page (each becomes U+FFFD), whichever
// link rules scanned the lines.
TEST(ModernPage, ControlsTakenOutWhateverTheScanner) {
  for (const bool modernLinks : {false, true}) {
    ConversionOptions options = Modern(OutputFormat::Smart);
    options.links.modern = modernLinks;
    std::string document;
    DocumentSink sink([&](std::string_view bytes) { document.append(bytes); }, TextEncoding::Utf8);
    const PagePlan plan = PlanPage(options);
    DocumentWriter writer(plan, sink);
    LineScanner scanner("plain\x01text\x7F\x1B[0m\n", options.links);
    writer.Begin();
    ConvertLines(scanner, TextEncoding::Utf8, true, writer, {});
    writer.End();
    sink.Flush();
    EXPECT_NE(document.find("plain\uFFFDtext\uFFFD\uFFFD[0m"), std::string::npos) << modernLinks;
  }
}

struct RealLineCase {
  OutputFormat format;
  std::string text;
  std::string written;  // in the modern document
};

class RealLinesTest : public testing::TestWithParam<RealLineCase> {};

// Lines as real files hold them: no form feed in any modern format, text in
// Normalization Form C, and an option named by its link when nothing else is
// on its line. The classic document keeps the form feed as it came.
TEST_P(RealLinesTest, WrittenAsAModernPageNeedsThem) {
  ConversionOptions options = Modern(GetParam().format);
  options.links.modern = true;
  const std::string document = ConvertText(GetParam().text, options).document;
  EXPECT_NE(document.find(GetParam().written), std::string::npos) << document;
  EXPECT_EQ(document.find('\f'), std::string::npos);
  options.modern = false;
  options.links.modern = false;
  const bool feed = GetParam().text.find('\f') != std::string::npos;
  EXPECT_EQ(ConvertText(GetParam().text, options).document.find('\f') != std::string::npos, feed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RealLinesTest,
    testing::Values(
        RealLineCase{OutputFormat::Smart, "one\ftwo\n", "<p>one two"},
        RealLineCase{OutputFormat::Smart, "end.\n\f\nNext\n", "</p>\n<p>Next"},
        RealLineCase{OutputFormat::OriginalFormat, "a \f b\f\n", "\na  b\n"},
        RealLineCase{OutputFormat::OriginalLinefeeds, "\fPage 2\n", "Page 2<br>"},
        RealLineCase{OutputFormat::HtmlList, "x\f\fy\n", "<li>x y</li>"},
        RealLineCase{OutputFormat::HtmlTable, "a,b\f\n", "<td>b</td>"},
        RealLineCase{OutputFormat::Smart, "Cafe\xCC\x81 A\xCC\x8A\n", "Caf\xC3\xA9 \xC3\x85"},
        RealLineCase{OutputFormat::HtmlList, "\xE2\x84\xAB \xEF\xA8\x80\n", "<li>\xC3\x85 \xE5\x88\x87</li>"},
        RealLineCase{OutputFormat::SelectionBox, "    http://x.org/a\n",
                     "<option value=\"http://x.org/a\">http://x.org/a</option>"},
        RealLineCase{OutputFormat::SelectionBox, "\thttp://x.org/b \t\f\n",
                     "<option value=\"http://x.org/b\">http://x.org/b</option>"},
        RealLineCase{OutputFormat::SelectionBox, "see http://x.org/c\n", "<option value=\"http://x.org/c\">see</option>"}));

// Paragraphs and header rows run across the blocks the threads convert apart.
TEST(ModernPage, ThreadsWriteTheSameDocument) {
  std::string input;
  for (int i = 0; input.size() < 3 * 1024 * 1024; ++i) {
    input += (i % 7 == 0) ? "\n" : (i % 11 == 0) ? "\r\n\r\n" : "a,\"b, c\",www.x.org & d " + std::to_string(i) + "\r\n";
  }
  for (OutputFormat format : {OutputFormat::Smart, OutputFormat::HtmlTable, OutputFormat::OriginalLinefeeds}) {
    ConversionOptions options = Modern(format);
    options.headerRow = true;
    std::string sequential, parallel;
    {
      DocumentSink sink([&](std::string_view bytes) { sequential.append(bytes); }, TextEncoding::Utf8);
      const PagePlan plan = PlanPage(options);
      DocumentWriter writer(plan, sink, 3);
      LineScanner scanner(input, options.links);
      ConvertLines(scanner, TextEncoding::Utf8, true, writer, {});
      writer.End();
      sink.Flush();
    }
    {
      DocumentSink sink([&](std::string_view bytes) { parallel.append(bytes); }, TextEncoding::Utf8);
      const PagePlan plan = PlanPage(options);
      DocumentWriter writer(plan, sink, 3);
      std::size_t offset = 0;
      const auto read = [&](char* buffer, std::size_t size) {
        const std::size_t n = input.copy(buffer, std::min<std::size_t>(size, 70000), offset);
        offset += n;
        return n;
      };
      writer.Resume(ConvertInParallel(read, TextEncoding::Utf8, plan, sink, {}, 3, 3));
      writer.End();
      sink.Flush();
    }
    EXPECT_EQ(parallel, sequential) << static_cast<int>(format);
  }
}

// Modern documents end every line with LF, on the threaded path too; classic ones
// keep CR LF, whatever the input's line ends.
TEST(ModernPage, LineEndsByProfile) {
  std::string input;
  for (int i = 0; input.size() < 3 * 1024 * 1024; ++i) input += i % 3 == 0 ? "a,b www.x.org\r\n" : "c,d\n\n";
  testing_support::Sandbox folder;
  WriteFile(folder / "in.txt", input);
  for (const bool modern : {false, true}) {
    for (int format = 0; format < kFormatCount; ++format) {
      ConversionOptions options = Modern(static_cast<OutputFormat>(format));
      options.modern = modern;
      options.listType = "unordered";
      ASSERT_TRUE(RunConversion(InputFile{(folder / "in.txt").string()}, OutputFile{(folder / "out.html").string()},
                                options, {})
                      .delivered);
      const std::string document = ReadFile(folder / "out.html");
      const auto lines = std::count(document.begin(), document.end(), '\n');
      const auto returns = std::count(document.begin(), document.end(), '\r');
      EXPECT_GT(lines, 10) << modern << format;
      EXPECT_EQ(returns, modern ? 0 : lines) << modern << format;
    }
  }
}

}  // namespace
}  // namespace scrivane
