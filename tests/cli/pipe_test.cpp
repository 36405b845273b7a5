// scrivane-convert in a pipeline: standard input to standard output, -o, and
// what reaches standard output when a run fails.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "form.h"
#include "pipe_writer.h"
#include "program_sandbox.h"

namespace scrivane {
namespace {

using testing_support::Masked;
using testing_support::Outcome;
using testing_support::Sandbox;

const std::string kSample =
    "Notes\r\n\r\nSee www.example.org, or http://example.org/a?b=1&c=2.\r\n"
    "Name\tRole\nAnn,Lead\n\"Quoted\" <tags> & caf\xC3\xA9 \xC2\xA3" "5\n";

// The document the engine itself makes of `text` with the defaults and `format`.
std::string EngineDocument(Sandbox& sandbox, const std::string& text, int format) {
  sandbox.Write("engine-in.txt", text);
  FormState form;
  form.outFormat = format;
  ConversionOptions options = ReadFormOptions(form);
  options.dateText = "today";
  EXPECT_TRUE(RunConversion(InputFile{sandbox / "engine-in.txt"}, OutputFile{sandbox / "engine-out.html"}, options, {})
                  .delivered);
  return sandbox.Read("engine-out.html");
}

TEST(Pipe, StandardInputToStandardOutputInEveryFormat) {
  const char* names[kFormatCount] = {"smart", "linefeeds", "pre", "list", "table", "select", "structured"};
  for (int format = 0; format < kFormatCount; ++format) {
    SCOPED_TRACE(names[format]);
    Sandbox sandbox(SCRIVANE_CONVERT);
    const Outcome outcome = sandbox.Run({"--format", names[format]}, {.input = kSample});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(Masked(outcome.out), Masked(EngineDocument(sandbox, kSample, format)));
    EXPECT_NE(outcome.out.find("Date: "), std::string::npos);  // stamped like any other run
  }
}

struct PipeCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string input;
  bool fromFile;  // the input is written to in.txt rather than fed to standard input
  bool toFile;    // the document goes to out.html rather than standard output
};

class PipeTest : public testing::TestWithParam<PipeCase> {};

// Each way of naming the input and the output gives the engine's document.
TEST_P(PipeTest, DeliversTheEngineDocument) {
  const PipeCase& c = GetParam();
  Sandbox sandbox(SCRIVANE_CONVERT);
  if (c.fromFile) sandbox.Write("in.txt", c.input);
  const Outcome outcome = sandbox.Run(c.arguments, {.input = c.fromFile ? std::string() : c.input});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  const std::string document = c.toFile ? sandbox.Read("out.html") : outcome.out;
  if (c.toFile) {
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(Masked(document), Masked(EngineDocument(sandbox, c.input, 0)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, PipeTest,
    testing::Values(PipeCase{"NoArguments", {}, kSample, false, false},
                    PipeCase{"Dash", {"-"}, kSample, false, false},
                    PipeCase{"DashToFile", {"-", "-o", "out.html"}, kSample, false, true},
                    PipeCase{"FileToStandardOutput", {"in.txt"}, kSample, true, false},
                    PipeCase{"FileToDashOutput", {"in.txt", "-o", "-"}, kSample, true, false},
                    PipeCase{"FileToFile", {"in.txt", "--output=out.html"}, kSample, true, true},
                    PipeCase{"EmptyInput", {}, "", false, false},
                    // Not UTF-8: read again as Windows-1252 from the start, which a pipe cannot do by itself.
                    PipeCase{"Windows1252", {}, std::string(70000, 'a') + "\ncaf\xE9 \xA3" "5 \x93quoted\x94\n", false,
                             false}),
    [](const testing::TestParamInfo<PipeCase>& info) { return std::string(info.param.name); });

// A named pipe is read once, as it is written, and converted whole.
TEST(Pipe, NamedPipeInput) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  std::string text;
  for (int i = 0; i < 3000; ++i) text += kSample;
  text += "caf\xE9\n";  // not UTF-8: read again from the start, which the pipe itself cannot do
  const std::string pipe = sandbox / "in.txt";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const pid_t writer = testing_support::StartPipeWriter(pipe, text, 4096, std::chrono::microseconds(100));
  const Outcome outcome = sandbox.Run({"in.txt"});
  EXPECT_EQ(testing_support::WriterEnd(writer), "");
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(Masked(outcome.out), Masked(EngineDocument(sandbox, text, 0)));
}

TEST(Pipe, FailureWritesNothingToStandardOutput) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  const Outcome outcome = sandbox.Run({"missing.txt"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "scrivane-convert: Input File missing.txt not found\n");
}

TEST(Pipe, InvalidStoredListTypeNamesTheInput) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.StoreSettings("[General]\nOutFormat=3\nListType=Bulleted\n");
  const Outcome outcome = sandbox.Run({"--settings"}, {.input = "text\n"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "scrivane-convert: standard input: Invalid HTML List type\n");
}

TEST(Pipe, OutputFileIsReplacedOnlyWithForce) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("out.html", "old");
  const Outcome refused = sandbox.Run({"-o", "out.html"}, {.input = "new\n"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "scrivane-convert: out.html already exists (use --force to replace it)\n");
  EXPECT_EQ(sandbox.Read("out.html"), "old");
  const Outcome forced = sandbox.Run({"-o", "out.html", "--force"}, {.input = "new\n"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(sandbox.Read("out.html").find("new \r\n"), std::string::npos);
}

// -o naming the input itself, however spelt, is refused as such, with --force or
// without (never with an offer to force it).
TEST(Pipe, OutputThatIsTheInputIsRefused) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("notes.txt", "my text\n");
  sandbox.Write("sub/other.txt", "x");
  for (const char* output : {"notes.txt", "./notes.txt", "sub/../notes.txt"}) {
    for (const char* force : {"--force", "--jobs=1"}) {
      const Outcome outcome = sandbox.Run({force, "notes.txt", "-o", output});
      EXPECT_EQ(outcome.status, 1) << output << " " << force;
      EXPECT_EQ(outcome.err, std::string("scrivane-convert: The output file ") + output +
                                 " is the input file itself. Choose another output name.\n");
      EXPECT_EQ(sandbox.Read("notes.txt"), "my text\n");
    }
  }
}

}  // namespace
}  // namespace scrivane
