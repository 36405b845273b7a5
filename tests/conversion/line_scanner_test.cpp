// The run's line scanner against the reference reader: the same lines, and a
// line it calls plain never changes when rendered.
#include <gtest/gtest.h>

#include <random>

#include "line_scanner.h"
#include "markup_reference.h"

namespace scrivane {
namespace {

ReadFunction ChunkedReader(const std::string& input, std::size_t chunk, std::size_t& offset) {
  return [&input, chunk, &offset](char* buffer, std::size_t size) {
    const std::size_t n = std::min({size, chunk, input.size() - offset});
    input.copy(buffer, n, offset);
    offset += n;
    return n;
  };
}

struct Scanned {
  std::vector<std::string> lines;
  std::vector<std::uint64_t> consumed;
};

// Splits a stretch of plain lines into `scanned`, checking that each is one:
// ended by LF alone, with no byte above 127 nor, under the modern rules, a control.
void AddPlainLines(const ScannedLine& stretch, const LinkOptions& links, Scanned& scanned) {
  ASSERT_TRUE(stretch.text.ends_with('\n'));
  EXPECT_EQ(stretch.text.find('\r'), std::string_view::npos);
  std::uint64_t consumed = stretch.consumed - stretch.text.size();
  for (std::string_view rest = stretch.text; !rest.empty();) {
    const std::size_t end = rest.find('\n');
    ScannedLine line{.text = rest.substr(0, end)};
    line.hasHighBytes = std::any_of(line.text.begin(), line.text.end(), [](char c) { return c & 0x80; });
    line.hasControls = links.modern && std::any_of(line.text.begin(), line.text.end(), [](char c) {
      return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F';
    });
    EXPECT_FALSE(line.hasHighBytes || line.hasControls) << "[" << line.text << "]";
    consumed += end + 1;
    line.consumed = consumed;
    scanned.lines.emplace_back(line.text);
    scanned.consumed.push_back(consumed);
    std::string rendered;
    RenderTextReference(line.text, links, rendered);
    EXPECT_EQ(rendered, line.text) << "a line taken as plain changed";
    rest.remove_prefix(end + 1);
  }
  EXPECT_EQ(consumed, stretch.consumed);
}

// Scans `input` read `chunk` bytes at a time, or in place when `chunk` is 0;
// with `stretches`, takes plain lines a stretch at a time where it can.
Scanned ScanAll(const std::string& input, std::size_t chunk, const LinkOptions& links, bool stretches = false) {
  std::size_t offset = 0;
  LineScanner scanner = chunk == 0 ? LineScanner(input, links) : LineScanner(ChunkedReader(input, chunk, offset), links);
  Scanned scanned;
  ScannedLine line;
  for (;;) {
    if (stretches && scanner.NextPlainLines(line)) {
      AddPlainLines(line, links, scanned);
      continue;
    }
    if (!scanner.Next(line)) break;
    scanned.lines.emplace_back(line.text);
    scanned.consumed.push_back(line.consumed);
    if (!line.mayChange) {
      std::string rendered;
      RenderTextReference(line.text, links, rendered);
      EXPECT_EQ(rendered, line.text) << "a line called plain changed";
    }
    const bool high = std::any_of(line.text.begin(), line.text.end(), [](char c) { return c & 0x80; });
    EXPECT_EQ(line.hasHighBytes, high);
  }
  return scanned;
}

Scanned Reference(const std::string& input, std::size_t chunk) {
  std::size_t offset = 0;
  Scanned scanned;
  NormaliseLineEnds(ChunkedReader(input, chunk, offset), [&](std::string_view line, std::uint64_t consumed) {
    scanned.lines.emplace_back(line);
    scanned.consumed.push_back(consumed);
  });
  return scanned;
}

void ExpectReferenceLines(std::uint32_t seed, const std::vector<std::string>& tokens, bool modern) {
  std::mt19937 random(seed);
  for (int round = 0; round < 3000; ++round) {
    std::string input;
    const int count = static_cast<int>(random() % 200);
    for (int i = 0; i < count; ++i) input += tokens[random() % tokens.size()];
    const std::size_t chunk = 1 + random() % 40;
    const LinkOptions links{(random() & 1) != 0, (random() & 2) != 0, (random() & 4) != 0, true, modern};
    const Scanned reference = Reference(input, chunk);
    for (const std::size_t read : {chunk, std::size_t{0}}) {
      for (const bool stretches : {false, true}) {
        const Scanned scanned = ScanAll(input, read, links, stretches);
        ASSERT_EQ(scanned.lines, reference.lines) << "input [" << input << "] chunk " << read << " " << stretches;
        ASSERT_EQ(scanned.consumed, reference.consumed);
      }
    }
  }
}

TEST(LineScanner, ControlsAreNoted) {
  const std::vector<std::string> tokens = {"word ", "\t", "\n", "\r\n", "\x01", "\x0B", "\x1F", "\x7F",
                                           "\x80", "\xC3\xA9", std::string(33, 'x')};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string input;
    for (int i = static_cast<int>(random() % 40); i > 0; --i) input += tokens[random() % tokens.size()];
    // Only the modern rules' scanner notes them; the classic one never needs to.
    for (const bool modern : {false, true}) {
      std::size_t offset = 0;
      LinkOptions links;
      links.modern = modern;
      LineScanner scanner(ChunkedReader(input, 1 + random() % 50, offset), links);
      ScannedLine line;
      while (scanner.Next(line)) {
        const bool controls = modern && std::any_of(line.text.begin(), line.text.end(), [](char c) {
          return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7F';
        });
        ASSERT_EQ(line.hasControls, controls) << "input [" << input << "]";
      }
    }
  }
}

const std::vector<std::string> kTokens = {"a",   "word ", " ",  "\n",   "\r",   "\r\n", "www.", "ftp.", ".",
                                          "://", ":",     "/",  "@",    "&",    "\xC2", "\xA3", "\xC3\xA9",
                                          "\t",  "WWW.x", "x.", "\"", "<",    ">",    "  www.y",
                                          "wW.",  "P.",    "Ftp.z", std::string(61, 'p')};

TEST(LineScanner, SameLinesAsTheReferenceReader) { ExpectReferenceLines(99, kTokens, false); }

TEST(LineScanner, SameLinesAsTheReferenceReaderUnderModernRules) {
  std::vector<std::string> tokens = kTokens;
  tokens.insert(tokens.end(), {"mailto", "(", "|"});  // a link may start after them, or needs no "//"
  ExpectReferenceLines(100, tokens, true);
}

TEST(LineScanner, LongLinesAcrossManyBlocks) {
  std::string input(3 * 1024 * 1024, 'x');
  input += "\r";
  input += std::string(600000, 'y');
  input += "\r\n\n";
  std::size_t offset = 0;
  LineScanner scanner(ChunkedReader(input, 1 << 20, offset), LinkOptions{});
  ScannedLine line;
  ASSERT_TRUE(scanner.Next(line));
  EXPECT_EQ(line.text.size(), 3u * 1024 * 1024);
  ASSERT_TRUE(scanner.Next(line));
  EXPECT_EQ(line.text.size(), 600000u);
  ASSERT_TRUE(scanner.Next(line));
  EXPECT_EQ(line.text, "");
  EXPECT_FALSE(scanner.Next(line));
}

}  // namespace
}  // namespace scrivane
