// Eight conversions at once: separate processes, different inputs, one settings
// store. Each document must be exactly what a run on its own gives.
#include <gtest/gtest.h>


#include "fault_helpers.h"

namespace scrivane::faults {
namespace {

constexpr int kProcesses = 8;


struct SharedStore {
  const char* name;
  std::string ini;
};

class ConcurrencyTest : public testing::TestWithParam<SharedStore> {};

TEST_P(ConcurrencyTest, EveryOutputIsWhatARunAloneGives) {
  Sandbox box(SCRIVANE_PROGRAM);
  std::vector<std::string> inputs;
  for (int i = 0; i < kProcesses; ++i) {
    std::string text = LargeText(20000 + 1000 * i, "file" + std::to_string(i));
    if (i % 2 == 1) text += "caf\xE9 \xA3" "5\n";  // a legacy byte: read and written as Windows-1252
    text += "Name\tSite\nAnn\twww.ann.example\n";
    inputs.push_back((box / ("in" + std::to_string(i) + ".txt")).string());
    WriteFile(inputs.back(), text);
  }

  std::vector<std::string> alone;
  for (const std::string& input : inputs) {
    WriteFile(box.Ini(), GetParam().ini);
    ASSERT_EQ(box.Run({input}).status, 0);
    alone.push_back(Masked(ReadFile(input + ".html")));
    fs::remove(input + ".html");
  }

  WriteFile(box.Ini(), GetParam().ini);
  std::vector<pid_t> running;
  for (const std::string& input : inputs) running.push_back(box.Start({input}));
  for (int i = 0; i < kProcesses; ++i) {
    const Outcome outcome = box.Wait(running[i]);
    EXPECT_EQ(outcome.status, 0) << inputs[i] << ": " << outcome.err;
    EXPECT_EQ(Masked(ReadFile(inputs[i] + ".html")), alone[i]) << inputs[i];
  }
  EXPECT_EQ(box.Entries().size(), 2u * kProcesses);  // inputs and outputs, nothing else
}

INSTANTIATE_TEST_SUITE_P(
    Stores, ConcurrencyTest,
    testing::Values(
        SharedStore{"OptionsOfEveryKind",
                    "[General]\nOutFormat=4\nSeparator=tab\nWebPage=1\nCentre=1\nTitle=Shared\n"
                    "FontFace=Arial\nBGColor=#FFFFCC\nChangeWWW=1\nEmailCheck=1\n"},
        // Every process finds an old store and rewrites it at the same time.
        SharedStore{"OldStoreMigratedByAll", "[General]\nInput=True\nOutFormat=2\n[Files]\nIn0=/kept.txt\n"}),
    [](const testing::TestParamInfo<SharedStore>& info) { return info.param.name; });

// Runs at once on one input and one output (the window and the file manager, two
// terminals), over and over: every run succeeds, and one whole document remains.
struct SameOutput {
  const char* name;
  int processes;
  int rounds;
};

class SameOutputTest : public testing::TestWithParam<SameOutput> {};

TEST_P(SameOutputTest, EveryRunSucceedsAndOneWholeDocumentRemains) {
  Sandbox box(SCRIVANE_PROGRAM);
  const std::string input = (box / "in.txt").string();
  WriteFile(input, LargeText(300));
  ASSERT_EQ(box.Run({input}).status, 0);
  const std::string alone = Masked(ReadFile(input + ".html"));
  for (int round = 0; round < GetParam().rounds; ++round) {
    std::vector<pid_t> running;
    for (int i = 0; i < GetParam().processes; ++i) running.push_back(box.Start({input}));
    for (const pid_t pid : running) {
      const Outcome outcome = box.Wait(pid);
      EXPECT_EQ(outcome.status, 0) << "round " << round << ": " << outcome.err;
    }
    ASSERT_EQ(Masked(ReadFile(input + ".html")), alone) << "round " << round;
    ASSERT_EQ(box.Entries(), (std::vector<std::string>{"in.txt", "in.txt.html"})) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, SameOutputTest,
                         testing::Values(SameOutput{"Two", 2, 12}, SameOutput{"Eight", 8, 3}),
                         [](const testing::TestParamInfo<SameOutput>& info) { return info.param.name; });

}  // namespace
}  // namespace scrivane::faults
