// Input encodings: UTF-8 when the text is valid UTF-8, Windows-1252 otherwise,
// and the document written back in the encoding it was read in.
#include <gtest/gtest.h>

#include "convert_helpers.h"
#include "encoding.h"

namespace scrivane {
namespace {

using testing_support::ConvertText;
using testing_support::Fragment;
using testing_support::ReadFile;
using testing_support::Sandbox;
using testing_support::WriteFile;

struct Utf8Case {
  std::string bytes;
  bool valid;
};

class IsValidUtf8Test : public testing::TestWithParam<Utf8Case> {};

TEST_P(IsValidUtf8Test, AcceptsOnlyWellFormedText) { EXPECT_EQ(IsValidUtf8(GetParam().bytes), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(Table, IsValidUtf8Test,
                         testing::Values(Utf8Case{"", true}, Utf8Case{"plain ascii text here", true},
                                         Utf8Case{"caf\xC3\xA9", true}, Utf8Case{"\xE2\x82\xAC", true},
                                         Utf8Case{"\xF0\x9F\x98\x80", true}, Utf8Case{"caf\xE9", false},
                                         Utf8Case{"\xC3", false},                  // cut short
                                         Utf8Case{"\xC0\xAF", false},              // overlong
                                         Utf8Case{"\xED\xA0\x80", false},          // surrogate
                                         Utf8Case{"\xF4\x90\x80\x80", false},      // past U+10FFFF
                                         Utf8Case{"\x80", false},                  // lone continuation
                                         Utf8Case{"abcdefgh\xA3ijk", false}));

TEST(Windows1252, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  std::string utf8;
  AppendUtf8FromWindows1252(utf8, all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  std::string back;
  AppendWindows1252FromUtf8(back, utf8);
  EXPECT_EQ(back, all);
}

TEST(Windows1252, MissingCharactersBecomeReferences) {
  std::string out;
  AppendWindows1252FromUtf8(out, "\xE2\x82\xAC \xE6\x97\xA5 \xF0\x9F\x98\x80");
  EXPECT_EQ(out, "\x80 &#26085; &#128512;");
}

struct FileEncodingCase {
  const char* name;
  std::string input;
  std::string title;
  std::string expected;  // the whole document, as bytes on disk
};

class FileEncodingTest : public testing::TestWithParam<FileEncodingCase> {};

TEST_P(FileEncodingTest, WritesInTheInputsEncoding) {
  Sandbox folder;
  WriteFile(folder / "in.txt", GetParam().input);
  ConversionOptions options = Fragment(OutputFormat::Smart);
  options.fontFace = GetParam().title;  // a form text that reaches the document
  RunConversion(InputFile{folder / "in.txt"}, OutputFile{folder / "out.html"}, options, {});
  EXPECT_EQ(ReadFile(folder / "out.html"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileEncodingTest,
    testing::Values(
        FileEncodingCase{"Utf8Kept", "caf\xC3\xA9 \xC2\xA3" "5", "", "caf\xC3\xA9 &pound;5 \r\n"},
        FileEncodingCase{"ByteOrderMarkDropped", "\xEF\xBB\xBFhi", "", "hi \r\n"},
        FileEncodingCase{"ByteOrderMarkBeforeHost", "\xEF\xBB\xBFwww.a.org x", "",
                         "<A HREF=\"http://www.a.org\">www.a.org</A> x \r\n"},
        FileEncodingCase{"ByteOrderMarkBeforeFtpHost", "\xEF\xBB\xBF" "ftp.a.org", "",
                         "<A HREF=\"ftp://ftp.a.org\">ftp.a.org</A> \r\n"},
        FileEncodingCase{"LegacyPoundSign", "caf\xE9 \xA3" "5", "", "caf\xE9 &pound;5 \r\n"},
        FileEncodingCase{"LegacyUndefinedBytesKept", "\x81\x8D\x8F\x90\x9D", "", "\x81\x8D\x8F\x90\x9D \r\n"},
        FileEncodingCase{"LegacyFormTextOutsideCodePage", "\xE9", "\xE6\x97\xA5",
                         "<FONT FACE=\"&#26085;\">\r\n\xE9 \r\n</FONT>\r\n"},
        FileEncodingCase{"Utf8FormTextInUtf8Page", "\xC3\xA9", "\xE6\x97\xA5",
                         "<FONT FACE=\"\xE6\x97\xA5\">\r\n\xC3\xA9 \r\n</FONT>\r\n"}),
    [](const testing::TestParamInfo<FileEncodingCase>& info) { return std::string(info.param.name); });

// A legacy byte far into the file: the whole file is read again as Windows-1252,
// so earlier bytes that looked like UTF-8 come back unchanged too.
TEST(FileEncoding, LateLegacyByteRereadsTheWholeFile) {
  Sandbox folder;
  std::string input = "caf\xC3\xA9\n";
  for (int i = 0; i < 50000; ++i) input += "padding line of plain text\n";
  input += "na\xEFve\n";
  WriteFile(folder / "in.txt", input);
  RunConversion(InputFile{folder / "in.txt"}, OutputFile{folder / "out.html"}, Fragment(OutputFormat::Smart), {});
  const std::string output = ReadFile(folder / "out.html");
  EXPECT_TRUE(output.starts_with("caf\xC3\xA9 \r\npadding"));
  EXPECT_TRUE(output.ends_with("na\xEFve \r\n"));
  EXPECT_EQ(output.find("\xC3\x83"), std::string::npos);  // nothing encoded twice
}

TEST(ClipboardEncoding, LegacyBytesComeOutAsUnicode) {
  EXPECT_EQ(ConvertText("caf\xE9", Fragment(OutputFormat::Smart)).document, "caf\xC3\xA9 \r\n");
}

}  // namespace
}  // namespace scrivane
