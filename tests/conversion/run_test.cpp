// A whole run on real files: names, messages, delivery, failures and leftovers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "convert_helpers.h"
#include "output_file.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::Fragment;
using testing_support::ReadFile;
using testing_support::Recorded;
using testing_support::Sandbox;
using testing_support::WriteFile;

Recorded ConvertFile(const std::string& in, const std::string& out, const ConversionOptions& options) {
  Recorded recorded;
  recorded.Run(InputFile{in}, OutputFile{out}, options);
  return recorded;
}

TEST(RunConversion, EmptyOutputNameAppendsHtml) {
  Sandbox folder;
  WriteFile(folder / "a.txt", "hello\n");
  const auto run = ConvertFile(folder / "a.txt", "", Fragment(OutputFormat::Smart));
  const std::string expectedOutput = (folder / "a.txt.html").string();
  EXPECT_TRUE(run.result.delivered);
  EXPECT_EQ(run.result.outputPath, expectedOutput);
  EXPECT_EQ(ReadFile(expectedOutput), "hello \r\n");
  EXPECT_EQ(run.statuses, std::vector<std::string>{" Finished Conversion. HTML document written to file\r\n " +
                                                   expectedOutput});
  EXPECT_EQ(run.beeps, 1);
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.txt", "a.txt.html"}));
}

TEST(RunConversion, ClipboardResultEndsWithCrLf) {
  const auto run = ConvertText("one\ntwo", Fragment(OutputFormat::Smart));
  EXPECT_EQ(run.document, "one \r\ntwo \r\n");
  EXPECT_EQ(run.statuses, std::vector<std::string>{" Finished Conversion.\r\n HTML document now in clipboard."});
  EXPECT_EQ(run.beeps, 1);
}

TEST(RunConversion, ExistingOutputIsReplaced) {
  Sandbox folder;
  WriteFile(folder / "in.txt", "new");
  WriteFile(folder / "out.html", "old contents that are longer");
  ASSERT_TRUE(ConvertFile(folder / "in.txt", folder / "out.html", Fragment(OutputFormat::Smart)).result.delivered);
  EXPECT_EQ(ReadFile(folder / "out.html"), "new \r\n");
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txt", "out.html"}));
}

TEST(RunConversion, OutputThroughASymbolicLinkWritesItsTarget) {
  Sandbox folder;
  WriteFile(folder / "in.txt", "x");
  WriteFile(folder / "real.html", "old");
  std::filesystem::create_symlink(folder / "real.html", folder / "link.html");
  ASSERT_TRUE(ConvertFile(folder / "in.txt", folder / "link.html", Fragment(OutputFormat::Smart)).result.delivered);
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.html"));
  EXPECT_EQ(ReadFile(folder / "real.html"), "x \r\n");
}

struct FailureCase {
  const char* name;
  std::string input;   // relative names live in the test's folder
  std::string output;
  ConversionOptions options;
  bool clipboardInput;
  RunMessage message;  // "{in}"/"{out}" stand for the full paths; a text ending in "*" is a prefix
};

class RunFailureTest : public testing::TestWithParam<FailureCase> {};

std::string Expand(std::string text, const std::string& in, const std::string& out) {
  for (auto [key, value] : {std::pair{std::string("{in}"), in}, std::pair{std::string("{out}"), out}}) {
    for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  }
  return text;
}

TEST_P(RunFailureTest, ReportsAndDeliversNothing) {
  const FailureCase& c = GetParam();
  Sandbox folder;
  WriteFile(folder / "in.txt", "text\n");
  const std::string in = c.input.empty() || c.input.starts_with('/') ? c.input : (folder / c.input).string();
  const std::string out = c.output.empty() || c.output.starts_with('/') ? c.output : (folder / c.output).string();
  Recorded run;
  if (c.clipboardInput) {
    run.Run(InputText{"text"}, OutputFile{out}, c.options);
  } else {
    run.Run(InputFile{in}, OutputFile{out}, c.options);
  }
  EXPECT_FALSE(run.result.delivered);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].title, c.message.title);
  const std::string expected = Expand(c.message.text, in, out);
  if (expected.ends_with('*')) {
    EXPECT_TRUE(run.messages[0].text.starts_with(expected.substr(0, expected.size() - 1))) << run.messages[0].text;
  } else {
    EXPECT_EQ(run.messages[0].text, expected);
  }
  EXPECT_TRUE(run.statuses.empty());
  EXPECT_EQ(run.beeps, 0);
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"in.txt"});  // nothing half-written
}

ConversionOptions List(const char* type) {
  ConversionOptions options = Fragment(OutputFormat::HtmlList);
  options.listType = type;
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunFailureTest,
    testing::Values(
        FailureCase{"MissingInput", "missing.txt", "", Fragment(OutputFormat::Smart), false,
                    {"Error", "Input File {in} not found"}},
        FailureCase{"InputIsAFolder", "/tmp", "out.html", Fragment(OutputFormat::Smart), false,
                    {"Error", "Could not read the input file /tmp: it is a folder"}},
        FailureCase{"NoInputName", "", "out.html", Fragment(OutputFormat::Smart), false,
                    {"Error", "No input file named"}},
        FailureCase{"InvalidListType", "in.txt", "out.html", List("numbered"), false, {"", "Invalid HTML List type"}},
        FailureCase{"ClipboardWithoutOutputName", "", "", Fragment(OutputFormat::Smart), true,
                    {"Error", "No output file named"}},
        FailureCase{"OutputFolderMissing", "in.txt", "/no-such-folder/out.html", Fragment(OutputFormat::Smart),
                    false, {"Error", "Could not write the output file {out}: No such file or directory"}},
        FailureCase{"OutputOnAFullDisk", "in.txt", "/dev/full", Fragment(OutputFormat::Smart), false,
                    {"Error", "Could not write the output file /dev/full: No space left on device"}},
        FailureCase{"OutputIsAFolder", "in.txt", "/tmp", Fragment(OutputFormat::Smart), false,
                    {"Error", "Could not write the output file /tmp: it is a folder"}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// The output named as the input itself, however it is spelt, is refused before
// anything is written; a copy of the input is another file.
struct SameFileCase {
  const char* name;
  const char* output;  // in the test's folder, which holds in.txt and a folder "sub"
  bool refused;
};

class SameFileTest : public testing::TestWithParam<SameFileCase> {};

TEST_P(SameFileTest, OutputThatIsTheInputIsRefused) {
  Sandbox folder;
  WriteFile(folder / "in.txt", "my text\n");
  std::filesystem::create_directory(folder / "sub");
  std::filesystem::create_symlink(folder / "in.txt", folder / "link.txt");
  std::filesystem::create_hard_link(folder / "in.txt", folder / "hard.txt");
  std::filesystem::copy_file(folder / "in.txt", folder / "copy.txt");
  const std::string out = (folder / GetParam().output).string();
  for (bool stream : {false, true}) {
    const int fd = open((folder / "in.txt").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const ConversionInput input = stream ? ConversionInput(InputStream{fd}) : ConversionInput(InputFile{folder / "in.txt"});
    const RunResult result = RunConversion(input, OutputFile{out}, Fragment(OutputFormat::Smart));
    close(fd);
    EXPECT_EQ(result.delivered, !GetParam().refused) << stream;
    EXPECT_EQ(ReadFile(folder / "in.txt"), "my text\n") << stream;
    if (GetParam().refused) {
      EXPECT_EQ(result.failure, RunFailure::OutputIsInput);
      EXPECT_EQ(FailureMessage(result).text,
                "The output file " + out + " is the input file itself. Choose another output name.");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, SameFileTest,
                         testing::Values(SameFileCase{"SameName", "in.txt", true},
                                         SameFileCase{"DotSlash", "./in.txt", true},
                                         SameFileCase{"ThroughDotDot", "sub/../in.txt", true},
                                         SameFileCase{"SymbolicLink", "link.txt", true},
                                         SameFileCase{"HardLink", "hard.txt", true},
                                         SameFileCase{"ACopy", "copy.txt", false}),
                         [](const testing::TestParamInfo<SameFileCase>& info) { return std::string(info.param.name); });

TEST(RunConversion, FullDeviceSurvives) {
  ConvertFile("/etc/hostname", "/dev/full", Fragment(OutputFormat::Smart));
  struct stat info {};
  ASSERT_EQ(stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// A disk that fills up halfway through a large document, made with a file size
// limit in a child process: the old output stays whole and nothing is left over.
TEST(RunConversion, DiskFullMidwayKeepsTheOldOutput) {
  Sandbox folder;
  std::string big;
  while (big.size() < 4 * 1024 * 1024) big += "Some ordinary words and a link http://example.com/page.\n";
  WriteFile(folder / "big.txt", big);
  WriteFile(folder / "out.html", "previous document");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024 * 1024, 1024 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    const auto run = ConvertFile(folder / "big.txt", folder / "out.html", Fragment(OutputFormat::Smart));
    const bool reported = run.messages.size() == 1 &&
                          run.messages[0].text.starts_with("Could not write the output file " +
                                                           (folder / "out.html").string() + ": File too large");
    _exit(!run.result.delivered && reported && run.beeps == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFile(folder / "out.html"), "previous document");
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"big.txt", "out.html"}));
}

// A run stopped by its cancel check part-way: no document, the previous one whole,
// nothing left beside it; on one thread and on several (a large input).
struct CancelCase {
  const char* name;
  std::size_t inputBytes;
  int checksBeforeStop;  // the cancel check answers "stop" after this many "go on"s
  bool previousDocument;
};

class CancelTest : public testing::TestWithParam<CancelCase> {};

TEST_P(CancelTest, StopsWithoutOutput) {
  const CancelCase& c = GetParam();
  Sandbox folder;
  std::string text;
  while (text.size() < c.inputBytes) text += "Some ordinary words and a link http://example.com/page.\n";
  WriteFile(folder / "in.txt", text);
  if (c.previousDocument) WriteFile(folder / "out.html", "previous document");
  int checks = 0;
  RunCallbacks callbacks;
  callbacks.cancelled = [&] { return checks++ >= c.checksBeforeStop; };
  const RunResult result =
      RunConversion(InputFile{folder / "in.txt"}, OutputFile{folder / "out.html"}, Fragment(OutputFormat::Smart), callbacks);
  EXPECT_FALSE(result.delivered);
  EXPECT_EQ(result.failure, RunFailure::Cancelled);
  EXPECT_EQ(checks, c.checksBeforeStop + 1);  // asked no more once it said stop
  std::vector<std::string> expected{"in.txt"};
  if (c.previousDocument) {
    expected.push_back("out.html");
    EXPECT_EQ(ReadFile(folder / "out.html"), "previous document");
  }
  EXPECT_EQ(folder.Entries(), expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CancelTest,
                         testing::Values(CancelCase{"AtOnce", 1000, 0, true},
                                         CancelCase{"PartWay", 4 * 1024 * 1024, 3, true},
                                         CancelCase{"PartWayNoPreviousFile", 4 * 1024 * 1024, 3, false},
                                         CancelCase{"OneThreadSmallInput", 600 * 1024, 1, true}),
                         [](const testing::TestParamInfo<CancelCase>& info) { return std::string(info.param.name); });

TEST(RunConversion, CancelCheckThatNeverStopsChangesNothing) {
  const std::string text = "a line\nwww.example.com\n";
  RunCallbacks callbacks;
  int checks = 0;
  callbacks.cancelled = [&] { return ++checks < 0; };
  std::string document;
  const RunResult result = RunConversion(InputText{text}, OutputText{[&](std::string&& d) { document = d; }},
                                         Fragment(OutputFormat::Smart), callbacks);
  EXPECT_TRUE(result.delivered);
  EXPECT_GE(checks, 1);
  EXPECT_EQ(document, ConvertText(text, Fragment(OutputFormat::Smart)).document);
}

TEST(SafeOutputFile, AbandonedFileLeavesNothing) {
  Sandbox folder;
  WriteFile(folder / "out.html", "keep me");
  {
    SafeOutputFile file((folder / "out.html").string());
    file.Write("half a docu");
  }
  EXPECT_EQ(ReadFile(folder / "out.html"), "keep me");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.html"});
}

// Pieces of every size, empty ones among them and more than one gathering write
// takes, reach the file whole and in order.
TEST(SafeOutputFile, WritesManyPiecesInOrder) {
  Sandbox folder;
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < 300; ++i) texts.push_back(std::string(i % 7 == 0 ? 0 : i * 37 % 5000, char('a' + i % 26)));
  const std::vector<std::string_view> pieces(texts.begin(), texts.end());
  SafeOutputFile file((folder / "out.html").string());
  file.Write(pieces);
  file.Write("end");
  file.Commit();
  std::string expected;
  for (const std::string& text : texts) expected += text;
  EXPECT_EQ(ReadFile(folder / "out.html"), expected + "end");
}

// A document begun again leaves nothing of its earlier tries, however long they
// were: in a new file, over an existing one, and held for a file with other names.
TEST(SafeOutputFile, RestartKeepsOnlyTheLastTry) {
  const std::vector<std::vector<std::string>> tries = {
      {"", "short"}, {std::string(300000, 'x'), "short"}, {"long first try", "", "mid", "s"}, {"a", "longer second"}};
  for (const char* destination : {"new", "existing", "linked"}) {
    for (const std::vector<std::string>& attempts : tries) {
      Sandbox folder;
      if (std::string_view(destination) != "new") WriteFile(folder / "out.html", std::string(400000, 'o'));
      if (std::string_view(destination) == "linked") std::filesystem::create_hard_link(folder / "out.html", folder / "other");
      SafeOutputFile file((folder / "out.html").string());
      for (std::size_t i = 0; i < attempts.size(); ++i) {
        if (i > 0) file.Restart();
        file.Write(attempts[i]);
      }
      file.Commit();
      EXPECT_EQ(ReadFile(folder / "out.html"), attempts.back()) << destination << " " << attempts.front().size();
    }
  }
}

// Working files that killed runs left beside the output: the next run writing that
// output removes them, unless a live run still holds one (it keeps a lock on it).
struct LeftoverCase {
  const char* name;
  std::string leftover;
  bool heldByALiveRun;
  bool removed;
};

class LeftoverTest : public testing::TestWithParam<LeftoverCase> {};

TEST_P(LeftoverTest, NextRunRemovesOnlyAbandonedFiles) {
  Sandbox folder;
  WriteFile(folder / "in.txt", "new");
  WriteFile(folder / GetParam().leftover, "half a document");
  const int held = open((folder / GetParam().leftover).c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  if (GetParam().heldByALiveRun) {
    ASSERT_EQ(flock(held, LOCK_EX), 0);
  }
  ASSERT_TRUE(ConvertFile(folder / "in.txt", folder / "out.html", Fragment(OutputFormat::Smart)).result.delivered);
  close(held);
  EXPECT_EQ(ReadFile(folder / "out.html"), "new \r\n");
  EXPECT_EQ(std::filesystem::exists(folder / GetParam().leftover), !GetParam().removed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeftoverTest,
    testing::Values(LeftoverCase{"Abandoned", ".out.html.123456789.part", false, true},
                    LeftoverCase{"HeldByALiveRun", ".out.html.123456789.part", true, false},
                    LeftoverCase{"OfAnotherOutput", ".other.html.123456789.part", false, false},
                    LeftoverCase{"NotANumber", ".out.html.12x.part", false, false},
                    LeftoverCase{"NoNumber", ".out.html..part", false, false},
                    LeftoverCase{"NotHidden", "out.html.123.part", false, false}),
    [](const testing::TestParamInfo<LeftoverCase>& info) { return std::string(info.param.name); });

TEST(RunConversion, ProgressClimbsToTheEnd) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line number " + std::to_string(i) + "\n";
  const auto run = ConvertText(text, Fragment(OutputFormat::Smart));
  ASSERT_FALSE(run.progress.empty());
  EXPECT_LE(run.progress.size(), 101u);
  EXPECT_TRUE(std::is_sorted(run.progress.begin(), run.progress.end()));
  EXPECT_DOUBLE_EQ(run.progress.back(), 1.0);
  EXPECT_GE(run.progress.front(), 0.0);
}

// A NUL byte in the first block marks the input as binary, whatever it comes
// through; refused, it leaves no document behind.
struct BinaryCase {
  const char* name;
  std::string text;
  bool binary;
};

class BinaryDetectionTest : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinaryDetectionTest, FlaggedAndRefusedOnRequest) {
  Sandbox folder;
  WriteFile(folder / "in", GetParam().text);
  const std::string out = folder / "out.html";
  ConversionOptions options = Fragment(OutputFormat::Smart);
  for (const bool refuse : {false, true}) {
    SCOPED_TRACE(refuse);
    options.refuseBinary = refuse;
    const bool refused = refuse && GetParam().binary;
    std::filesystem::remove(out);
    const RunResult file = RunConversion(InputFile{folder / "in"}, OutputFile{out}, options);
    EXPECT_EQ(file.binary, GetParam().binary);
    EXPECT_EQ(file.delivered, !refused);
    EXPECT_EQ(std::filesystem::exists(out), !refused);
    if (refused) {
      EXPECT_EQ(file.failure, RunFailure::BinaryInput);
      EXPECT_EQ(FailureMessage(file).text, (folder / "in").string() + " looks like a binary file, not text; it was not converted.");
    }
    std::string document;
    const RunResult text = RunConversion(InputText{GetParam().text}, OutputText{[&](std::string&& d) { document = d; }}, options);
    EXPECT_EQ(text.binary, GetParam().binary);
    EXPECT_EQ(text.delivered, !refused);
    const int fd = open((folder / "in").c_str(), O_RDONLY);
    const RunResult stream = RunConversion(InputStream{fd, "standard input"}, OutputText{[](std::string&&) {}}, options);
    close(fd);
    EXPECT_EQ(stream.binary, GetParam().binary);
    if (refused) {
      EXPECT_TRUE(stream.stream);
      EXPECT_EQ(stream.path, "standard input");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BinaryDetectionTest,
    testing::Values(BinaryCase{"PlainText", "just text\n", false},
                    BinaryCase{"ControlsButNoNul", "\x01\x02\x1B[31m\x7F end\n", false},
                    BinaryCase{"Windows1252", "caf\xE9 \xA3" "5\n", false},
                    BinaryCase{"Empty", "", false},
                    BinaryCase{"NulAtTheStart", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), true},
                    BinaryCase{"NulLateInTheFirstBlock", std::string(8000, 'a') + std::string(1, '\0'), true},
                    BinaryCase{"NulOnlyAfterTheFirstBlock", std::string(9000, 'a') + std::string(1, '\0'), false}),
    [](const testing::TestParamInfo<BinaryCase>& info) { return std::string(info.param.name); });

struct ProgressCase {
  double fraction;
  const char* text;
};

class ProgressTextTest : public testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTextTest, FormatsLikeThePercentPattern) {
  EXPECT_EQ(ProgressText(GetParam().fraction), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ProgressTextTest,
                         testing::Values(ProgressCase{0.0, " Progress ... %"}, ProgressCase{0.004, " Progress ... %"},
                                         ProgressCase{-0.3, " Progress ... %"},  // never negative
                                         ProgressCase{0.005, " Progress ... 1%"}, ProgressCase{0.5, " Progress ... 50%"},
                                         ProgressCase{1.0, " Progress ... 100%"}, ProgressCase{1.7, " Progress ... 100%"}));

}  // namespace
}  // namespace scrivane
