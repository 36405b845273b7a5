#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "markup.h"
#include "markup_reference.h"

namespace scrivane {
namespace {

struct Read {
  std::vector<std::string> lines;
  std::vector<std::uint64_t> consumed;
};

// Feeds `input` in pieces of at most `chunk` bytes, so line ends fall across reads.
Read ReadLines(const std::string& input, std::size_t chunk) {
  std::size_t offset = 0;
  Read result;
  NormaliseLineEnds(
      [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, chunk, input.size() - offset});
        input.copy(buffer, n, offset);
        offset += n;
        return n;
      },
      [&](std::string_view line, std::uint64_t consumed) {
        result.lines.emplace_back(line);
        result.consumed.push_back(consumed);
      });
  return result;
}

struct LineCase {
  std::string input;
  std::vector<std::string> lines;
};

class NormaliseLineEndsTest : public testing::TestWithParam<LineCase> {};

TEST_P(NormaliseLineEndsTest, SplitsAtCrLfCrAndLf) {
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{1} << 20}) {
    const Read read = ReadLines(GetParam().input, chunk);
    EXPECT_EQ(read.lines, GetParam().lines) << "chunk " << chunk;
    if (!read.consumed.empty()) {
      EXPECT_EQ(read.consumed.back(), GetParam().input.size());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, NormaliseLineEndsTest,
    testing::Values(LineCase{"", {}},                                      // empty source, no lines
                    LineCase{"a\nb\n", {"a", "b"}},                        // LF line ends
                    LineCase{"a\nb", {"a", "b"}},                          // last line without end
                    LineCase{"a\r\nb\r\n", {"a", "b"}},                    // CR LF
                    LineCase{"a\nb\r\n", {"a", "b"}},                      // bare LF among CR LF ends the line
                    LineCase{"a\rb\r", {"a", "b"}},                        // bare CR
                    LineCase{"a\r\n\r\nb", {"a", "", "b"}},                // empty line kept
                    LineCase{"\n", {""}}, LineCase{"\r\n", {""}},          //
                    LineCase{"a\r\r\nb", {"a", "", "b"}},                  //
                    LineCase{"a\n\rb", {"a", "", "b"}},                    // LF then CR: two ends
                    LineCase{std::string("a\0b\n", 4), {std::string("a\0b", 3)}}));

TEST(NormaliseLineEnds, ReportsBytesConsumedAfterEachLine) {
  const Read read = ReadLines("ab\r\ncd\ne", 2);
  EXPECT_EQ(read.consumed, (std::vector<std::uint64_t>{4, 7, 8}));
}

TEST(NormaliseLineEnds, LinesLongerThanTheReadBlock) {
  const std::string longLine(700000, 'x');
  const Read read = ReadLines(longLine + "\r\n" + longLine + "\r" + "end", 1 << 20);
  ASSERT_EQ(read.lines.size(), 3u);
  EXPECT_EQ(read.lines[0], longLine);
  EXPECT_EQ(read.lines[1], longLine);
  EXPECT_EQ(read.lines[2], "end");
}

// Random mixes of the three line ends, checked against a plain reference splitter.
TEST(NormaliseLineEnds, MatchesAReferenceOnRandomInput) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    std::string input;
    const int length = static_cast<int>(random() % 600000);
    for (int i = 0; i < length; ++i) {
      const unsigned pick = random() % 40;
      input.push_back(pick == 0 ? '\r' : pick == 1 ? '\n' : static_cast<char>('a' + pick % 26));
    }
    std::vector<std::string> expected;
    std::string current;
    for (std::size_t i = 0; i < input.size(); ++i) {
      if (input[i] == '\r' || input[i] == '\n') {
        expected.push_back(current);
        current.clear();
        if (input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n') ++i;
      } else {
        current.push_back(input[i]);
      }
    }
    if (!current.empty()) expected.push_back(current);
    const std::size_t chunk = 1 + random() % 300000;
    EXPECT_EQ(ReadLines(input, chunk).lines, expected) << "round " << round;
  }
}

TEST(FileExists, OnlyReadableFiles) {
  const auto folder = std::filesystem::temp_directory_path() / ("scrivane-exists-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string file = (folder / "a file.txt").string();
  std::ofstream(file) << "x";

  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists((folder / "missing.txt").string()));
  EXPECT_FALSE(FileExists(folder.string()));  // a folder is not a readable file
  EXPECT_FALSE(FileExists("/no/such/drive/x.txt"));
  if (geteuid() != 0) {  // root reads anything
    std::filesystem::permissions(file, std::filesystem::perms::none);
    EXPECT_FALSE(FileExists(file));
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace scrivane
