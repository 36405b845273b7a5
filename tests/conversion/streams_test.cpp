// Runs on streams (standard input and output, pipes) and output that must not
// replace an existing file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "convert_helpers.h"
#include "output_file.h"

namespace scrivane {
namespace {

using testing_support::Fragment;
using testing_support::ReadFile;
using testing_support::Recorded;
using testing_support::Sandbox;
using testing_support::WriteFile;

// A pipe fed from a thread, so the run reads a stream that cannot seek.
class PipeFeeder {
 public:
  explicit PipeFeeder(std::string bytes) : bytes_(std::move(bytes)) {
    signal(SIGPIPE, SIG_IGN);  // a run that stops early closes the pipe under the writer
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    readEnd_ = ends[0];
    writer_ = std::thread([this, fd = ends[1]] {
      std::string_view rest = bytes_;
      while (!rest.empty()) {
        const ssize_t n = write(fd, rest.data(), rest.size());
        if (n <= 0) break;
        rest.remove_prefix(static_cast<std::size_t>(n));
      }
      close(fd);
    });
  }
  ~PipeFeeder() {
    close(readEnd_);  // a run that stopped early makes the writer fail, not block
    writer_.join();
  }
  int fd() const { return readEnd_; }

 private:
  std::string bytes_;
  int readEnd_ = -1;
  std::thread writer_;
};

// A pipe drained by a thread, so the run writes a stream that cannot seek.
class PipeCollector {
 public:
  PipeCollector() {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    writeEnd_ = ends[1];
    reader_ = std::thread([this, fd = ends[0]] {
      char buffer[65536];
      for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes_.append(buffer, static_cast<std::size_t>(n));
      close(fd);
    });
  }
  ~PipeCollector() { Take(); }
  int fd() const { return writeEnd_; }
  // Everything written, once the write end is closed.
  std::string Take() {
    if (writeEnd_ >= 0) close(writeEnd_);
    writeEnd_ = -1;
    if (reader_.joinable()) reader_.join();
    return bytes_;
  }

 private:
  int writeEnd_ = -1;
  std::string bytes_;
  std::thread reader_;
};

struct StreamCase {
  const char* name;
  std::string input;
  OutputFormat format;
  bool webPage;
};

class StreamTest : public testing::TestWithParam<StreamCase> {};

std::string LargeAsciiThen(std::string tail) {
  std::string text;
  while (text.size() < 600 * 1024) text += "plain words on a line, past the first block of output\n";
  return text + tail;
}

// Every pairing of stream and file gives the document a file-to-file run gives.
TEST_P(StreamTest, MatchesTheFileRun) {
  const StreamCase& c = GetParam();
  Sandbox folder;
  ConversionOptions options = Fragment(c.format);
  options.webPage = c.webPage;
  options.listType = "Unordered";
  options.separator = "comma";
  WriteFile(folder / "in.txt", c.input);
  ASSERT_TRUE(RunConversion(InputFile{folder / "in.txt"}, OutputFile{folder / "expected.html"}, options, {}).delivered);
  const std::string expected = ReadFile(folder / "expected.html");

  {
    PipeFeeder in(c.input);
    PipeCollector out;
    EXPECT_TRUE(RunConversion(InputStream{in.fd(), "standard input"}, OutputStream{out.fd(), "standard output"},
                              options, {})
                    .delivered);
    EXPECT_EQ(out.Take(), expected) << "stream to stream";
  }
  {
    PipeFeeder in(c.input);
    EXPECT_TRUE(RunConversion(InputStream{in.fd(), "standard input"}, OutputFile{folder / "s.html"}, options, {})
                    .delivered);
    EXPECT_EQ(ReadFile(folder / "s.html"), expected) << "stream to file";
  }
  {
    PipeCollector out;
    EXPECT_TRUE(RunConversion(InputFile{folder / "in.txt"}, OutputStream{out.fd(), "standard output"}, options, {})
                    .delivered);
    EXPECT_EQ(out.Take(), expected) << "file to stream";
  }
  {
    InputStream in{-1, "the reader"};
    std::size_t offset = 0;
    in.read = [&](char* buffer, std::size_t size) {  // small pieces, as a slow source gives them
      const std::size_t n = c.input.copy(buffer, std::min<std::size_t>(size, 1000), offset);
      offset += n;
      return static_cast<std::ptrdiff_t>(n);
    };
    OutputStream out{-1, "the writer"};
    std::string written;
    out.write = [&](std::string_view bytes) { return written.append(bytes), true; };
    EXPECT_TRUE(RunConversion(in, out, options, {}).delivered);
    EXPECT_EQ(written, expected) << "read and write functions";
  }
  {
    std::string held;
    const OutputText memory{[&](std::string&& document) { held = std::move(document); }, true};
    EXPECT_TRUE(RunConversion(InputText{c.input}, memory, options, {}).delivered);
    EXPECT_EQ(held, expected) << "memory in the input's encoding";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, StreamTest,
    testing::Values(StreamCase{"Ascii", "one line\n\nwww.example.org & more\n", OutputFormat::Smart, false},
                    StreamCase{"Empty", "", OutputFormat::HtmlList, false},
                    StreamCase{"Utf8WithByteOrderMark", "\xEF\xBB\xBF" "caf\xC3\xA9 \xC2\xA3" "5", OutputFormat::Smart,
                               true},
                    // Read as UTF-8 until the last line, then again from the start as Windows-1252,
                    // long after the first blocks of the document were written.
                    StreamCase{"Windows1252AfterALongText", LargeAsciiThen("caf\xE9 \xA3" "5\n"),
                               OutputFormat::OriginalLinefeeds, true},
                    StreamCase{"TableWithoutFinalLineEnd", "a,b\n1,2", OutputFormat::HtmlTable, false}),
    [](const testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

// A pipe named as the output file gets the document once, even when the run starts
// again as Windows-1252 long after the first blocks were written.
TEST(StreamRun, PipeNamedAsOutputFileGetsOneDocument) {
  Sandbox folder;
  WriteFile(folder / "in.txt", LargeAsciiThen("caf\xE9\n"));
  const ConversionOptions options = Fragment(OutputFormat::Smart);
  ASSERT_TRUE(RunConversion(InputFile{folder / "in.txt"}, OutputFile{folder / "expected.html"}, options, {}).delivered);
  const std::string pipe = folder / "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadFile(pipe); });
  EXPECT_TRUE(RunConversion(InputFile{folder / "in.txt"}, OutputFile{pipe}, options, {}).delivered);
  reader.join();
  EXPECT_EQ(received, ReadFile(folder / "expected.html"));
}

TEST(StreamRun, NullDeviceTakesARestartedRun) {
  Sandbox folder;
  WriteFile(folder / "in.txt", LargeAsciiThen("caf\xE9\n"));
  EXPECT_TRUE(
      RunConversion(InputFile{folder / "in.txt"}, OutputFile{"/dev/null"}, Fragment(OutputFormat::Smart), {}).delivered);
}

TEST(StreamRun, UnreadableInputWritesNothingToTheOutput) {
  const int folder = open("/tmp", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  PipeCollector out;
  Recorded run;
  run.Run(InputStream{folder, "standard input"}, OutputStream{out.fd(), "standard output"},
                             Fragment(OutputFormat::Smart));
  close(folder);
  EXPECT_FALSE(run.result.delivered);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].text, "Could not read standard input: Is a directory");
  EXPECT_EQ(out.Take(), "");
}

TEST(StreamRun, FullOutputIsReported) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  Recorded run;
  run.Run(InputText{"text"}, OutputStream{full, "standard output"}, Fragment(OutputFormat::Smart));
  close(full);
  EXPECT_FALSE(run.result.delivered);
  ASSERT_EQ(run.messages.size(), 1u);
  EXPECT_EQ(run.messages[0].text, "Could not write to standard output: No space left on device");
  EXPECT_EQ(run.beeps, 0);
}

TEST(StreamRun, ReadAndWriteFunctionsReportTheirErrors) {
  InputStream failing{-1, "the reader"};
  failing.read = [](char*, std::size_t) -> std::ptrdiff_t { return errno = EIO, -1; };
  OutputStream full{-1, "the writer"};
  full.write = [](std::string_view) { return errno = ENOSPC, false; };
  Recorded reading, writing;
  reading.Run(failing, OutputText{[](std::string&&) {}}, Fragment(OutputFormat::Smart));
  writing.Run(InputText{"text"}, full, Fragment(OutputFormat::Smart));
  ASSERT_EQ(reading.messages.size(), 1u);
  ASSERT_EQ(writing.messages.size(), 1u);
  EXPECT_EQ(reading.messages[0].text, "Could not read the reader: Input/output error");
  EXPECT_EQ(writing.messages[0].text, "Could not write to the writer: No space left on device");
  EXPECT_EQ(writing.result.failure, RunFailure::DiskFull);
}

struct KeepCase {
  const char* name;
  const char* existing;  // "file", "dangling link" or "" for none
  bool delivered;
};

class KeepExistingTest : public testing::TestWithParam<KeepCase> {};

TEST_P(KeepExistingTest, NeverReplacesAFile) {
  const KeepCase& c = GetParam();
  Sandbox folder;
  WriteFile(folder / "in.txt", "new");
  const std::string out = folder / "out.html";
  if (std::string_view(c.existing) == "file") WriteFile(out, "old");
  if (std::string_view(c.existing) == "dangling link") std::filesystem::create_symlink(folder / "nowhere", out);
  Recorded run;
  run.Run(InputFile{folder / "in.txt"}, OutputFile{out, false}, Fragment(OutputFormat::Smart));
  EXPECT_EQ(run.result.delivered, c.delivered);
  if (c.delivered) {
    EXPECT_EQ(ReadFile(out), "new \r\n");
  } else {
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].text, "Could not write the output file " + out + ": File exists");
    EXPECT_EQ(std::filesystem::is_symlink(out), std::string_view(c.existing) == "dangling link");
  }
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.txt", "out.html"}));
}

INSTANTIATE_TEST_SUITE_P(Table, KeepExistingTest,
                         testing::Values(KeepCase{"NewName", "", true}, KeepCase{"ExistingFile", "file", false},
                                         KeepCase{"DanglingLink", "dangling link", false}),
                         [](const testing::TestParamInfo<KeepCase>& info) { return std::string(info.param.name); });

TEST(KeepExisting, DevicesAreWrittenNotReplaced) {
  EXPECT_TRUE(
      RunConversion(InputText{"x"}, OutputFile{"/dev/null", false}, Fragment(OutputFormat::Smart), {}).delivered);
}

// A file that appears while the document is being written still wins.
TEST(KeepExisting, FileCreatedDuringTheRunIsKept) {
  Sandbox folder;
  const std::string out = folder / "out.html";
  SafeOutputFile file(out, false);
  file.Write("document");
  WriteFile(out, "someone else's");
  EXPECT_THROW(file.Commit(), FileError);
  EXPECT_EQ(ReadFile(out), "someone else's");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.html"});
}

}  // namespace
}  // namespace scrivane
