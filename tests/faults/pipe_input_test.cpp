// A named pipe as the input file: opened once and read as a stream, whether its
// writer finished at once or is still writing, and converted whole.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "pipe_writer.h"
#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

using testing_support::StartPipeWriter;
using testing_support::WriterEnd;

struct PipeCase {
  const char* name;
  std::size_t lines;
  const char* ending;               // the text's last line
  std::size_t piece;               // bytes the writer writes at a time
  std::chrono::microseconds pause;  // between its pieces
};

class PipeInputTest : public testing::TestWithParam<PipeCase> {};

TEST_P(PipeInputTest, ConvertedWhole) {
  const PipeCase& c = GetParam();
  Sandbox box(SCRIVANE_PROGRAM);
  const std::string text = LargeText(c.lines) + c.ending;
  WriteFile(box / "alone.txt", text);
  ASSERT_EQ(box.Run({(box / "alone.txt").string()}).status, 0);
  const std::string alone = Masked(ReadFile(box / "alone.txt.html"));

  const fs::path pipe = box / "in.txt";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const pid_t writer = StartPipeWriter(pipe, text, c.piece, c.pause);
  const Outcome outcome = box.Wait(box.Start({pipe.string()}), std::chrono::seconds(60));
  EXPECT_EQ(WriterEnd(writer), "");
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Masked(ReadFile(box / "in.txt.html")), alone);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, PipeInputTest,
    testing::Values(
        // The text fits the pipe: the writer is done as soon as the program opens it.
        PipeCase{"WriterAlreadyDone", 200, "caf\xC3\xA9 \xE2\x82\xAC" "5\n", 1 << 20, {}},
        // Megabytes in small pieces: the writer is still writing while the program reads. The
        // last line is not UTF-8, so the text is read again, from what the program kept of it.
        PipeCase{"WriterStillWriting", 40000, "caf\xE9 \x80" "5\n", 16 * 1024, std::chrono::microseconds(200)}),
    [](const testing::TestParamInfo<PipeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane::faults
