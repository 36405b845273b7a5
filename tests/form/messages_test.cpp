// The words for a failed run: the same text in the window, on the command line
// and in a batch; only a batch adds the input's name, where the text names no file.
#include <gtest/gtest.h>

#include <cerrno>

#include "messages.h"

namespace scrivane {
namespace {

struct MessageCase {
  RunResult result;
  const char* title;
  const char* text;
  bool warning;
  bool namesNoFile;
};

TEST(FailureMessage, WordsEveryFailure) {
  const MessageCase cases[] = {
      {{.failure = RunFailure::InputMissing, .path = "a.txt"}, "Error", "Input File a.txt not found", true, false},
      {{.failure = RunFailure::NoOutputName}, "Error", "No output file named", true, true},
      {{.failure = RunFailure::NoInputName}, "Error", "No input file named", true, true},
      {{.failure = RunFailure::OutputIsInput, .path = "a.txt"}, "Error",
       "The output file a.txt is the input file itself. Choose another output name.", true, false},
      {{.failure = RunFailure::InvalidListType}, "", "Invalid HTML List type", false, true},
      {{.failure = RunFailure::InputUnreadable, .path = "a.txt", .error = EIO}, "Error",
       "Could not read the input file a.txt: Input/output error", true, false},
      {{.failure = RunFailure::InputUnreadable, .path = "standard input", .stream = true, .error = EISDIR},
       "Error", "Could not read standard input: Is a directory", true, false},
      {{.failure = RunFailure::InputUnreadable, .path = "docs", .error = EISDIR}, "Error",
       "Could not read the input file docs: it is a folder", true, false},
      {{.failure = RunFailure::OutputUnwritable, .path = "docs", .error = EISDIR}, "Error",
       "Could not write the output file docs: it is a folder", true, false},
      {{.failure = RunFailure::OutputUnwritable, .path = "o.html", .error = EACCES}, "Error",
       "Could not write the output file o.html: Permission denied", true, false},
      {{.failure = RunFailure::DiskFull, .path = "o.html", .error = EFBIG}, "Error",
       "Could not write the output file o.html: File too large", true, false},
      {{.failure = RunFailure::DiskFull, .path = "standard output", .stream = true, .error = ENOSPC},
       "Error", "Could not write to standard output: No space left on device", true, true},
      {{.failure = RunFailure::TemporaryFile, .path = "/tmp", .error = EROFS}, "Error",
       "Could not use a temporary file in /tmp: Read-only file system", true, true},
      {{.failure = RunFailure::BinaryInput, .path = "a.out"}, "Error",
       "a.out looks like a binary file, not text; it was not converted.", true, false},
      {{.failure = RunFailure::BinaryInput}, "Error", "The text looks like a binary file, not text; it was not converted.",
       true, true},
      {{.failure = RunFailure::OutOfMemory}, "Error", "Not enough memory to convert this text.", true, true},
      {{.failure = RunFailure::Internal, .reason = "bad"}, "Error", "The conversion failed: bad", true, true},
      {{.failure = RunFailure::Internal}, "Error", "The conversion failed.", true, true},
  };
  for (const MessageCase& c : cases) {
    const RunMessage message = FailureMessage(c.result);
    EXPECT_EQ(message.title, c.title) << c.text;
    EXPECT_EQ(message.text, c.text);
    EXPECT_EQ(message.warning, c.warning) << c.text;
    EXPECT_EQ(NamesNoFile(c.result), c.namesNoFile) << c.text;
  }
}

TEST(FinishedText, NamesWhereTheDocumentWent) {
  EXPECT_EQ(FinishedText({.delivered = true, .outputPath = "/a b.html"}),
            " Finished Conversion. HTML document written to file\r\n /a b.html");
  EXPECT_EQ(FinishedText({.delivered = true}), " Finished Conversion.\r\n HTML document now in clipboard.");
}

TEST(BarStatusText, SaysTheFailureOrWhereTheDocumentWent) {
  EXPECT_EQ(BarStatusText({.delivered = true, .outputPath = "/d/a b.html"}), "Finished: a b.html");
  EXPECT_EQ(BarStatusText({.delivered = true}), "Finished: HTML in the clipboard");
  EXPECT_EQ(BarStatusText({.failure = RunFailure::NoOutputName}), "No output file named");
}

}  // namespace
}  // namespace scrivane
