// Converting in blocks on several threads gives the same document as one thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <thread>

#include "body.h"

namespace scrivane {
namespace {

std::string RandomText(std::size_t bytes, unsigned seed) {
  const std::vector<std::string> tokens = {"word ", "http://x.com/a. ", "www.y.org ", "a@b.cd ", "& ", "\"q\" ",
                                           "caf\xC3\xA9 ", "\xC2\xA3" "5 ", "\t", "\n", "\r\n", "\r", "\n\n",
                                           "one,two,\"three, four\"\n", "  "};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < bytes) text += tokens[random() % tokens.size()];
  return text;
}

ReadFunction ReaderOf(const std::string& input, std::size_t& offset) {
  return [&input, &offset](char* buffer, std::size_t size) {
    const std::size_t n = input.copy(buffer, std::min<std::size_t>(size, 100000), offset);
    offset += n;
    return n;
  };
}

std::string Sequential(const std::string& input, TextEncoding encoding, const ConversionOptions& options,
                       std::size_t tableColumns = 0) {
  std::string document;
  DocumentSink sink([&](std::string_view bytes) { document.append(bytes); }, TextEncoding::Utf8);
  const PagePlan plan = PlanPage(options);
  DocumentWriter writer(plan, sink, tableColumns);
  std::size_t offset = 0;
  LineScanner scanner(ReaderOf(input, offset), options.links);
  ConvertLines(scanner, encoding, true, writer, {});
  sink.Flush();
  return document;
}

std::string Parallel(const std::string& input, TextEncoding encoding, const ConversionOptions& options,
                     unsigned threads, std::vector<std::uint64_t>& consumed, std::size_t tableColumns = 0) {
  std::string document;
  DocumentSink sink([&](std::string_view bytes) { document.append(bytes); }, TextEncoding::Utf8);
  std::size_t offset = 0;
  ConvertInParallel(ReaderOf(input, offset), encoding, PlanPage(options), sink,
                    [&](std::uint64_t bytes) { consumed.push_back(bytes); }, threads, tableColumns);
  sink.Flush();
  return document;
}

// A writer of pieces gets the whole document in order, in writes that end on whole
// half mebibytes of it but for the last (a giant line appended whole breaks the
// rhythm, which the next write takes up again); text taken over leaves its buffer
// empty to fill again.
TEST(DocumentSink, GathersWholeHalfMebibytesForAWriterOfPieces) {
  constexpr std::size_t kGathered = 512 * 1024;
  enum class Step { Line, Take, Append };
  struct Case {
    const char* name;
    std::vector<std::pair<Step, std::size_t>> steps;  // each with the size of its text
    TextEncoding encoding = TextEncoding::Utf8;
  };
  const std::vector<Case> cases = {
      {"lines", {{Step::Line, 300000}, {Step::Line, 5}, {Step::Line, 900000}, {Step::Line, 70}}},
      {"blocks taken", {{Step::Line, 2000}, {Step::Take, 145000}, {Step::Take, 150000}, {Step::Take, 140000},
                        {Step::Take, 145000}, {Step::Take, 160000}, {Step::Take, 3}, {Step::Take, 0}}},
      {"a block of several gathers", {{Step::Take, 1300000}, {Step::Line, 10}, {Step::Take, 600000}}},
      {"appended whole", {{Step::Take, 400000}, {Step::Append, 700000}, {Step::Take, 900000}, {Step::Line, 4}}},
      {"Windows-1252", {{Step::Line, 1000}, {Step::Take, 600000}, {Step::Line, 300000}, {Step::Take, 500000}},
       TextEncoding::Windows1252},
  };
  for (const Case& c : cases) {
    std::string document, expected;
    std::vector<std::size_t> ends;  // where each write left the document
    DocumentSink sink(DocumentSink::PiecesWriter([&](std::span<const std::string_view> pieces) {
                        for (const std::string_view piece : pieces) document.append(piece);
                        ends.push_back(document.size());
                      }),
                      c.encoding);
    unsigned seed = 1;
    for (const auto& [step, size] : c.steps) {
      std::string text = RandomText(size, ++seed).substr(0, size);
      while (!text.empty() && static_cast<unsigned char>(text.back()) >= 0x80) text.pop_back();  // whole characters
      if (step == Step::Line) std::erase_if(text, [](char ch) { return ch == '\n' || ch == '\r'; });
      expected += step == Step::Line ? text + "\r\n" : text;
      if (step == Step::Line) sink.Line(text);
      if (step == Step::Append) sink.Append(text);
      if (step == Step::Take) {
        sink.Take(text);
        EXPECT_TRUE(text.empty()) << c.name;
      }
    }
    sink.Flush();
    if (c.encoding == TextEncoding::Windows1252) {
      std::string encoded;
      AppendWindows1252FromUtf8(encoded, expected);
      expected = encoded;
    }
    EXPECT_EQ(document, expected) << c.name;
    const bool appended = std::ranges::any_of(c.steps, [](const auto& step) { return step.first == Step::Append; });
    for (std::size_t i = 0; i + 1 < ends.size() && !appended; ++i) {
      EXPECT_EQ(ends[i] % kGathered, 0u) << c.name << ", write " << i;
    }
  }
}

// The document of each line written alone through AddLine, as the scan found it.
std::string LineByLine(const std::string& input, const ConversionOptions& options) {
  std::string document;
  DocumentSink sink([&](std::string_view bytes) { document.append(bytes); }, TextEncoding::Utf8);
  const PagePlan plan = PlanPage(options);
  DocumentWriter writer(plan, sink);
  LineScanner scanner(input, options.links);
  for (ScannedLine line; scanner.Next(line);) writer.AddLine(line.text, !line.mayChange, scanner.IsPrintable(line));
  sink.Flush();
  return document;
}

// Plain lines taken a stretch at a time are written as each alone would be: empty
// lines, lines of every length around the sixteen bytes copied at once, stretches
// longer than the copy's buffer, and the lines between that need escaping or linking.
TEST(ConvertLines, StretchesOfPlainLinesAsLineByLine) {
  std::string input;
  for (std::size_t length = 0; length < 70; ++length) input += std::string(length, 'a' + length % 26) + "\n\n";
  input += RandomText(40000, 3) + std::string(20000, 'z') + "\n" + std::string(9000, ' ') + "\nend\n" + "last";
  std::string noBreaks;  // long plain stretches, of short lines
  for (int i = 0; i < 3000; ++i) noBreaks += "line " + std::to_string(i) + (i % 7 == 0 ? "\n\n" : "\n");
  for (const OutputFormat format : {OutputFormat::Smart, OutputFormat::OriginalLinefeeds, OutputFormat::OriginalFormat,
                                    OutputFormat::HtmlList, OutputFormat::HtmlTable, OutputFormat::SelectionBox}) {
    for (const bool modern : {false, true}) {
      if (modern && format == OutputFormat::HtmlTable) continue;  // its rows must all be as wide
      ConversionOptions options;
      options.format = format;
      options.listType = "Unordered";
      options.modern = options.links.modern = modern;
      for (const std::string& text : {input, noBreaks}) {
        EXPECT_EQ(Sequential(text, TextEncoding::Utf8, options), LineByLine(text, options))
            << "format " << static_cast<int>(format) << (modern ? ", modern" : "");
      }
    }
  }
}

TEST(ConvertInParallel, SameDocumentAsOneThread) {
  const std::string input = RandomText(3 * 1024 * 1024, 5);
  for (int format = 0; format < kFormatCount; ++format) {
    if (static_cast<OutputFormat>(format) == OutputFormat::Structured) continue;  // below: its blocks are built in order
    for (const bool modern : {false, true}) {
      ConversionOptions options;
      options.format = static_cast<OutputFormat>(format);
      options.listType = "Ordered";
      options.separator = "comma";
      options.modern = options.links.modern = modern;
      // A modern table's rows all fill the widest, counted first.
      std::size_t offset = 0;
      const std::size_t columns = modern ? CountTableColumns(ReaderOf(input, offset), TextEncoding::Utf8, ",") : 0;
      for (unsigned threads : {2u, 3u}) {
        if (modern && threads == 2) continue;  // the blocks' hand-off is the same as for classic pages
        std::vector<std::uint64_t> consumed;
        EXPECT_EQ(Parallel(input, TextEncoding::Utf8, options, threads, consumed, columns),
                  Sequential(input, TextEncoding::Utf8, options, columns))
            << "format " << format << (modern ? ", modern, " : ", ") << threads << " threads";
        ASSERT_FALSE(consumed.empty());
        EXPECT_TRUE(std::is_sorted(consumed.begin(), consumed.end()));
        EXPECT_EQ(consumed.back(), input.size());
      }
    }
  }
}

TEST(ConvertInParallel, LongLinesAndLegacyText) {
  std::string input = std::string(700000, 'x') + "\r" + RandomText(600000, 9) + std::string(900000, 'y');
  input[1000] = '\xE9';  // not UTF-8
  ConversionOptions options;
  std::vector<std::uint64_t> consumed;
  EXPECT_EQ(Parallel(input, TextEncoding::Windows1252, options, 2, consumed),
            Sequential(input, TextEncoding::Windows1252, options));
  EXPECT_THROW(Parallel(input, TextEncoding::Utf8, options, 2, consumed), NotUtf8);
}

TEST(ConvertInParallel, CrLfSplitAcrossReads) {
  std::string input;
  while (input.size() < 2 * 1024 * 1024) input += std::string(99999, 'a') + "\r\n";  // CR at a read's end
  ConversionOptions options;
  options.format = OutputFormat::OriginalLinefeeds;
  std::vector<std::uint64_t> consumed;
  EXPECT_EQ(Parallel(input, TextEncoding::Utf8, options, 2, consumed),
            Sequential(input, TextEncoding::Utf8, options));
}

// Blocks are read on whichever thread is free, yet the document and its progress
// reach the sink only on the caller's thread, and a read that fails on any thread,
// at the first block, in the middle or near the end, stops the run with its error.
TEST(ConvertInParallel, CallerWritesAndReadFailuresReachIt) {
  const std::string input = RandomText(3 * 1024 * 1024, 7);
  const ConversionOptions options;
  struct Case {
    std::size_t failAt;  // SIZE_MAX: the read never fails
    unsigned threads;
  };
  for (const Case& c : {Case{SIZE_MAX, 2}, Case{SIZE_MAX, 3}, Case{0, 2}, Case{1500000, 2}, Case{1500000, 3},
                        Case{3000000, 2}}) {
    std::size_t offset = 0;
    const ReadFunction plain = ReaderOf(input, offset);
    const ReadFunction read = [&](char* buffer, std::size_t size) -> std::size_t {
      if (offset >= c.failAt) throw std::runtime_error("unreadable");
      return plain(buffer, size);
    };
    const std::thread::id caller = std::this_thread::get_id();
    bool elsewhere = false;
    DocumentSink sink([&](std::string_view) { elsewhere = elsewhere || std::this_thread::get_id() != caller; },
                      TextEncoding::Utf8);
    const auto consumed = [&](std::uint64_t) { elsewhere = elsewhere || std::this_thread::get_id() != caller; };
    const auto run = [&] { ConvertInParallel(read, TextEncoding::Utf8, PlanPage(options), sink, consumed, c.threads); };
    if (c.failAt == SIZE_MAX) {
      EXPECT_NO_THROW(run()) << c.threads << " threads";
    } else {
      EXPECT_THROW(run(), std::runtime_error) << "failing at " << c.failAt << ", " << c.threads << " threads";
    }
    EXPECT_FALSE(elsewhere) << "failing at " << c.failAt << ", " << c.threads << " threads";
  }
}

// A whole structured page, its lines read on one thread or examined on `threads`.
// `marked`: inline marks and kept line breaks too.
std::string StructuredPage(const std::string& input, TextEncoding encoding, unsigned threads,
                           std::vector<std::uint64_t>& consumed, bool modern = false, bool marked = false) {
  ConversionOptions options;
  options.format = OutputFormat::Structured;
  options.modern = options.links.modern = modern;
  options.inlineMarks = options.keepLineBreaks = marked;
  options.dateText = "DATE";
  std::string document;
  DocumentSink sink([&](std::string_view bytes) { document.append(bytes); }, TextEncoding::Utf8);
  const PagePlan plan = PlanPage(options);
  DocumentWriter writer(plan, sink);
  std::size_t offset = 0;
  const auto consume = [&](std::uint64_t bytes) { consumed.push_back(bytes); };
  writer.Begin();
  if (threads > 1) {
    ConvertStructuredInParallel(ReaderOf(input, offset), encoding, options.links, writer, consume, threads);
  } else {
    LineScanner scanner(ReaderOf(input, offset), options.links);
    ConvertLines(scanner, encoding, true, writer, consume);
  }
  writer.End();
  sink.Flush();
  return document;
}

TEST(ConvertStructuredInParallel, SameDocumentAsOneThread) {
  const std::vector<std::string> lines = {
      "Title of it\n=========\n", "# Hash\n", "- item\n", "  - nested item\n", "1. Numbered\n",
      "> quoted\n", ">> deeper\n", "    code line\n", "\tname    value\n", "A line of words\n", "\n", "\n",
      "\f\n", "page\ffeed\n", "term\n    its definition\n", "```\n", "+---+---+\n", "From: a@b.cd\n",
      "caf\xC3\xA9 http://x.com/a.\n", "-----\n", "ALL CAPITALS\n", "goes on the text\n", "and on it\n",
      "a bell\x07 rings\n", "not a character \xEF\xBF\xBE here\n",
      "Cafe\xCC\x81 composes\n", "Footer of a page [Page 7]\n", "ends so:\n", "ended as DOS ends lines\r\n",
      "and as old Macs did\r", "  spaces after it  \n", "\t \n"};
  // Text rendered ahead of its block, without the page breaks that make much of the above page furniture:
  // escapes and links after a marker, a quote mark, an indent, with marks, in code.
  const std::vector<std::string> rendered = {
      "- an *item* & http://x.com/b\n", "(b) <b> www.example.com\n", "> quoted \"a\" ftp.example.net\n",
      "  _emphasis_, `code` & *strong* a@b.cd\n", "term & more\n    its <definition> http://y.org\n",
      "A line & *words*\n", "\n", "    code & *marks*\n", "caf\xC3\xA9 <x>\n", "Cafe\xCC\x81 & more\n"};
  std::mt19937 random(3);
  std::string input = "\xEF\xBB\xBFwww.example.org opens the text\n";
  while (input.size() < 3 * 1024 * 1024) input += lines[random() % lines.size()];
  std::string marked;
  while (marked.size() < 3 * 1024 * 1024) marked += rendered[random() % rendered.size()];
  for (unsigned threads : {2u, 3u}) {
    std::vector<std::uint64_t> consumed, once;
    EXPECT_EQ(StructuredPage(input, TextEncoding::Utf8, threads, consumed),
              StructuredPage(input, TextEncoding::Utf8, 1, once))
        << threads << " threads";
    std::vector<std::uint64_t> unused;
    for (const bool modern : {false, true}) {
      for (const bool marks : {false, true}) {
        EXPECT_EQ(StructuredPage(marked, TextEncoding::Utf8, threads, unused, modern, marks),
                  StructuredPage(marked, TextEncoding::Utf8, 1, unused, modern, marks))
            << threads << " threads, modern " << modern << ", marks and breaks " << marks;
      }
    }
    EXPECT_EQ(StructuredPage(input, TextEncoding::Utf8, threads, unused, true),
              StructuredPage(input, TextEncoding::Utf8, 1, unused, true))
        << threads << " threads, modern";
    ASSERT_FALSE(consumed.empty());
    EXPECT_TRUE(std::is_sorted(consumed.begin(), consumed.end()));
    EXPECT_EQ(consumed.back(), input.size());
  }
  input[2 * 1024 * 1024] = '\xE9';  // not UTF-8 after all: decoded as Windows-1252
  std::vector<std::uint64_t> consumed;
  EXPECT_THROW(StructuredPage(input, TextEncoding::Utf8, 2, consumed), NotUtf8);
  EXPECT_EQ(StructuredPage(input, TextEncoding::Windows1252, 2, consumed),
            StructuredPage(input, TextEncoding::Windows1252, 1, consumed));
}

// Inputs too small to fill a block, down to nothing at all (the first block then
// starts from an empty buffer).
class SmallInputTest : public testing::TestWithParam<std::string> {};

TEST_P(SmallInputTest, SameDocumentAsOneThread) {
  ConversionOptions options;
  options.format = OutputFormat::OriginalLinefeeds;
  std::vector<std::uint64_t> consumed;
  EXPECT_EQ(Parallel(GetParam(), TextEncoding::Utf8, options, 2, consumed),
            Sequential(GetParam(), TextEncoding::Utf8, options));
  EXPECT_EQ(StructuredPage(GetParam(), TextEncoding::Utf8, 2, consumed),
            StructuredPage(GetParam(), TextEncoding::Utf8, 1, consumed));
}

INSTANTIATE_TEST_SUITE_P(Table, SmallInputTest,
                         testing::Values(std::string(), std::string("x"), std::string("\n"), std::string("\r"),
                                         std::string("a\r\nb"), std::string("\n\n\r\r")));

}  // namespace
}  // namespace scrivane
