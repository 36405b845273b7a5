// Input that is not text: NUL and control bytes, invalid UTF-8, every byte value,
// and a single line of 100 MiB. Each is converted (bytes that are not UTF-8 as
// Windows-1252, written back in it), never a crash; NUL bytes bring a warning; the long lines print the
// program's peak memory, which grows with the longest line, not the file.
#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

struct BinaryCase {
  const char* name;
  std::string input;
  std::string body;  // what the document's body must hold
  bool warned = false;  // the user is told it looks like a binary file
};

class BinaryInputTest : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryInputTest, IsConverted) {
  Sandbox box(SCRIVANE_PROGRAM);
  const std::string input = (box / "in.bin").string();
  WriteFile(input, GetParam().input);
  const Outcome outcome = box.Run({input});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.signal, 0);
  const std::string document = ReadFile(input + ".html");
  EXPECT_NE(document.find(GetParam().body), std::string::npos) << document;
  EXPECT_TRUE(document.ends_with("</BODY></HTML>\r\n"));
  EXPECT_EQ(outcome.err.starts_with(input + " looks like a binary file"), GetParam().warned) << outcome.err;
}

// Every byte but the line ends, the space and the at sign (which would make it all
// one e-mail address).
std::string AllBytesExceptLineEnds() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n' && b != ' ' && b != '@') bytes.push_back(static_cast<char>(b));
  }
  return bytes;
}

// The same bytes as the document holds them: escaped, still Windows-1252.
std::string AllBytesEscaped() {
  std::string bytes;
  for (char c : AllBytesExceptLineEnds()) {
    switch (c) {
      case '&': bytes += "&amp;"; break;
      case '<': bytes += "&lt;"; break;
      case '>': bytes += "&gt;"; break;
      case '"': bytes += "&quot;"; break;
      case '\xA3': bytes += "&pound;"; break;
      default: bytes.push_back(c);
    }
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BinaryInputTest,
    testing::Values(
        BinaryCase{"NulBytes", std::string("a\0b c\0\0d\n\0\n", 12), std::string("a\0b c\0\0d \r\n\0 \r\n", 16), true},
        BinaryCase{"ControlBytes", "\x01\x02\x1B[31m\x7F\x0B\x0C end", "\x01\x02\x1B[31m\x7F\x0B\x0C end \r\n"},
        BinaryCase{"InvalidUtf8", "caf\xE9 \xFF\xFE \xC0\xAF \xED\xA0\x80", "caf\xE9 \xFF\xFE \xC0\xAF \xED\xA0\x80 \r\n"},
        BinaryCase{"Utf8CutShortAtTheEnd", "fine \xE2\x82", "fine \xE2\x82 \r\n"},
        BinaryCase{"EveryByte", AllBytesExceptLineEnds(), AllBytesEscaped() + " \r\n", true},
        BinaryCase{"LinkInLegacyText", "see http://x.org/\xE9.", "see <A HREF=\"http://x.org/\xE9\">http://x.org/\xE9</A>. \r\n"}),
    [](const testing::TestParamInfo<BinaryCase>& info) { return info.param.name; });

struct LongLine {
  const char* name;
  std::string (*make)(std::size_t size);
  std::string head;  // how the body starts
};

class LongLineTest : public testing::TestWithParam<LongLine> {};

TEST_P(LongLineTest, HundredMebibytesInOneLine) {
  constexpr std::size_t kSize = 100u << 20;
  Sandbox box(SCRIVANE_PROGRAM);
  const std::string input = (box / "line.txt").string();
  WriteFile(input, GetParam().make(kSize));
  const Outcome outcome = box.Run({input});
  ASSERT_EQ(outcome.status, 0) << "signal " << outcome.signal << ": " << outcome.err;
  const std::uintmax_t written = fs::file_size(input + ".html");
  EXPECT_GT(written, kSize);
  const std::string document = ReadFile(input + ".html");
  EXPECT_NE(document.find(GetParam().head), std::string::npos);
  EXPECT_TRUE(document.ends_with("</BODY></HTML>\r\n"));
  std::cout << GetParam().name << ": 100 MiB line, peak RSS " << outcome.peakRssKiB / 1024 << " MiB\n";
  RecordProperty("peak_rss_mib", static_cast<int>(outcome.peakRssKiB / 1024));
}

std::string Prose(std::size_t size) {
  const std::string piece = "word http://example.org/a?b=1&c=2 \"quoted\" someone@example.org www.example.net ";
  std::string text;
  text.reserve(size);
  while (text.size() + piece.size() <= size) text += piece;
  return text;
}

std::string RandomBytes(std::size_t size) {
  std::mt19937_64 random(7);
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(random() & 0xFF);
    if (byte == '\r' || byte == '\n') byte = 'x';
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(Table, LongLineTest,
                         testing::Values(LongLine{"Prose", Prose, "<BR>\r\nword <A HREF=\"http://example.org/a?b=1&amp;c=2\">"},
                                         LongLine{"RandomBytes", RandomBytes, "<BR>\r\n"}),
                         [](const testing::TestParamInfo<LongLine>& info) { return info.param.name; });

}  // namespace
}  // namespace scrivane::faults
