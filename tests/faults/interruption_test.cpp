// The program ended in the middle of a large conversion (killed, or stopped by the
// file size limit's signal), with unnamed working files and, with /proc hidden,
// with named ones: the previous output stays intact, and the next run succeeds
// and leaves nothing else behind.
#include <gtest/gtest.h>

#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

// The sanitizers read their options and the program's memory map through /proc,
// so a sanitized program cannot run with /proc hidden.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Interruption {
  const char* name;
  int signal;         // the signal that ends the run
  bool hideProc;      // no /proc: the output is written under a hidden temporary name
};

class InterruptionTest : public testing::TestWithParam<Interruption> {};

TEST_P(InterruptionTest, PreviousOutputIntactAndNextRunClean) {
  const Interruption& c = GetParam();
  Launch normal;
  if (c.hideProc) {
    if (kSanitized) GTEST_SKIP() << "a sanitized program needs /proc";
    if (!CanMountPrivately()) GTEST_SKIP() << "private mount namespaces are not available (unshare)";
    normal.wrapper = InMountNamespace("mount -t tmpfs none /proc");
  }
  Sandbox box(SCRIVANE_PROGRAM);
  const fs::path input = box / "in.txt";
  const fs::path output = box / "in.txt.html";
  WriteFile(input, "the previous text\n");
  ASSERT_EQ(box.Run({input.string()}, normal).status, 0);
  const std::string previous = ReadFile(output);

  const std::size_t lines = 600000;  // about 50 MB
  WriteFile(input, LargeText(lines));
  Launch faulty = normal;
  if (c.signal == SIGXFSZ) faulty.fileSizeLimit = 4 << 20;
  const pid_t pid = box.Start({input.string()}, faulty);
  if (c.signal == SIGKILL) {
    ASSERT_TRUE(WaitUntilRead(pid, input, 8 << 20)) << "the program ended before the kill";
    kill(pid, SIGKILL);
  }
  const Outcome interrupted = box.Wait(pid);
  ASSERT_EQ(interrupted.signal, c.signal) << "status " << interrupted.status << ": " << interrupted.err;
  EXPECT_EQ(ReadFile(output), previous);

  const Outcome next = box.Run({input.string()}, normal);
  ASSERT_EQ(next.status, 0) << next.err;
  const std::string document = ReadFile(output);
  EXPECT_NE(document.find("line " + std::to_string(lines - 1) + ": see"), std::string::npos);
  EXPECT_TRUE(document.ends_with("</BODY></HTML>\r\n"));
  EXPECT_EQ(box.Entries(), (std::vector<std::string>{"in.txt", "in.txt.html"}));
}

INSTANTIATE_TEST_SUITE_P(Table, InterruptionTest,
                         testing::Values(Interruption{"Killed", SIGKILL, false},
                                         Interruption{"KilledWithNamedWorkingFile", SIGKILL, true},
                                         Interruption{"FileSizeSignal", SIGXFSZ, false},
                                         Interruption{"FileSizeSignalWithNamedWorkingFile", SIGXFSZ, true}),
                         [](const testing::TestParamInfo<Interruption>& info) { return info.param.name; });

}  // namespace
}  // namespace scrivane::faults
