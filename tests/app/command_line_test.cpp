// The program run from the command line as a subprocess, with a private settings
// folder and no display: what it converts, what it reports, what it leaves alone.
#include <QDir>
#include <QStringList>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "form.h"
#include "product.h"
#include "program_sandbox.h"

namespace scrivane {
namespace {

using testing_support::Masked;
using testing_support::Outcome;
using testing_support::ReadFile;
using testing_support::Sandbox;
using testing_support::WriteFile;

const std::string kSampleText =
    "Notes on the project\r\n"
    "\r\n"
    "See www.example.org and ftp.example.org, or http://example.org/a?b=1&c=2.\r\n"
    "Write to someone@example.org (any time).\r\n"
    "Name\tRole\tRoom\n"
    "Ann\tLead\t12\n"
    "\n"
    "\"Quoted\" <tags> & caf\xC3\xA9 \xC2\xA3" "5\n";

// Every page and option key, with the format in OutFormat; source and destination
// say clipboard, which a command-line run ignores.
std::string StoredOptions(int format) {
  return "[General]\nInput=0\nOutput=0\nOutFormat=" + std::to_string(format) +
         "\nChangeWWW=1\nChangeFTP=0\nRemovePunctuation=1\nEmailCheck=1\nCentre=1\nGoButton=1\nWebPage=1\n"
         "Title=Notes, converted\nFooter=<HR>Made by me\nFontFace=Arial\nFontSize=3\nFontColor=#000080\n"
         "BGColor=#FFFFCC\nTextColor=black\nBGImage=paper.png\nCharSet=utf-8\nSeparator=tab\n"
         "ListType=Ordered\nTarget=_blank\nPositionLeft=100\nPositionTop=200\n"
         "[Files]\nIn0=/elsewhere/old.txt\nOut0=/elsewhere/old.html\n";
}

// The same options as the window's controls would hold them.
FormState FormWith(int format) {
  FormState form;
  form.outFormat = format;
  form.changeFTP = kUnchecked;
  form.centre = kChecked;
  form.goButton = kChecked;
  form.title = "Notes, converted";
  form.footer = "<HR>Made by me";
  form.fontFace = "Arial";
  form.fontSize = "3";
  form.fontColor = "#000080";
  form.bgColor = "#FFFFCC";
  form.textColor = "black";
  form.bgImage = "paper.png";
  form.charSet = "utf-8";
  form.separator = "tab";
  form.listType = "Ordered";
  form.target = "_blank";
  return form;
}

TEST(CommandLine, EachStoredFormatConvertsAsTheEngineDoes) {
  for (int format = 0; format < kFormatCount; ++format) {
    SCOPED_TRACE(kFormatNames[format]);
    Sandbox run(SCRIVANE_PROGRAM);
    const std::string input = run / "my notes.txt";
    WriteFile(input, kSampleText);
    const std::string stored = StoredOptions(format);
    run.StoreSettings(stored);

    const Outcome outcome = run.Run({input});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, "Finished Conversion. HTML document written to file " + input + ".html\n");

    ConversionOptions options = ReadFormOptions(FormWith(format));
    options.dateText = "today";
    ASSERT_TRUE(RunConversion(InputFile{input}, OutputFile{run / "expected.html"}, options, {}).delivered);
    const std::string expected = run.Read("expected.html");
    const std::string actual = ReadFile(input + ".html");
    EXPECT_EQ(Masked(actual), Masked(expected));
    EXPECT_NE(actual.find("Date: "), std::string::npos);

    // Reading the store wrote nothing back, not even a lock file.
    EXPECT_EQ(ReadFile(run.Ini()), stored);
    EXPECT_EQ(QDir(QString::fromStdString(run.Ini().parent_path())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("Scrivan.ini")});
  }
}

TEST(CommandLine, ArgumentsNameOneFile) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;  // %1 is the folder
  };
  const Case cases[] = {
      {"one argument with spaces", {"%1/my notes.txt"}},
      {"split at the space", {"%1/my", "notes.txt"}},
      {"in double quotes", {"\"%1/my notes.txt\""}},
      {"quotes and outer spaces", {"  \"%1/my notes.txt\"  "}},
  };
  for (const Case& c : cases) {
    Sandbox run(SCRIVANE_PROGRAM);
    run.Write("my notes.txt", "hello\n");
    std::vector<std::string> arguments;
    for (std::string argument : c.arguments) {
      const std::size_t at = argument.find("%1");
      arguments.push_back(at == std::string::npos ? argument : argument.replace(at, 2, run.Folder().string()));
    }
    const Outcome outcome = run.Run(arguments);
    EXPECT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
    EXPECT_TRUE(run.Exists("my notes.txt.html")) << c.name;
  }
}

TEST(CommandLine, FailuresReportAndExitWithOne) {
  struct Case {
    const char* name;
    std::string settings;
    bool makeInput;
    bool outputIsFolder;
    bool outputIsTheInput;  // FILE.html is a link to FILE
    std::string message;    // %s is the input path
  };
  const Case cases[] = {
      {"missing file", "", false, false, false, "Input File %s not found\n"},
      {"invalid list type", "[General]\nOutFormat=3\nListType=Bulleted\n", true, false, false,
       "Invalid HTML List type\n"},
      {"output cannot be written", "", true, true, false, "%s.html"},
      {"output is the input", "", true, false, true, "The output file %s.html is the input file itself."},
  };
  for (const Case& c : cases) {
    Sandbox run(SCRIVANE_PROGRAM);
    const std::string input = run / "in put.txt";
    if (c.makeInput) WriteFile(input, "text\n");
    if (c.outputIsFolder) std::filesystem::create_directory(input + ".html");
    if (c.outputIsTheInput) std::filesystem::create_symlink(input, input + ".html");
    if (!c.settings.empty()) run.StoreSettings(c.settings);
    const Outcome outcome = run.Run({input});
    EXPECT_EQ(outcome.status, 1) << c.name;
    EXPECT_EQ(outcome.out, "") << c.name;
    std::string message = c.message;
    if (const std::size_t at = message.find("%s"); at != std::string::npos) message.replace(at, 2, input);
    EXPECT_NE(outcome.err.find(message), std::string::npos) << c.name << ": " << outcome.err;
    if (!c.outputIsFolder && !c.outputIsTheInput) {
      EXPECT_FALSE(run.Exists("in put.txt.html")) << c.name;
    }
    if (c.makeInput) {
      EXPECT_EQ(ReadFile(input), "text\n") << c.name;
    }
  }
}

// --help and --version answer unless a file of that name is there to convert.
TEST(CommandLine, HelpAndVersionUnlessAFileIsSoNamed) {
  struct Case {
    std::string argument;
    bool fileThere;
    std::string out;  // how standard output starts
  };
  const Case cases[] = {
      {"--help", false, "Usage: scrivane [FILE]\nWithout FILE, opens the Scrivane window."},
      {"-h", false, "Usage: scrivane [FILE]\n"},
      {"--version", false, std::string("scrivane ") + kVersionText + "\n"},
      {"--help", true, "Finished Conversion. HTML document written to file --help.html\n"},
      {"--version", true, "Finished Conversion. HTML document written to file --version.html\n"},
  };
  for (const Case& c : cases) {
    Sandbox run(SCRIVANE_PROGRAM);
    if (c.fileThere) run.Write(c.argument, "text\n");
    const Outcome outcome = run.Run({c.argument});
    EXPECT_EQ(outcome.status, 0) << c.argument << ": " << outcome.err;
    EXPECT_EQ(outcome.err, "") << c.argument;
    EXPECT_TRUE(outcome.out.starts_with(c.out)) << c.argument << ": " << outcome.out;
    EXPECT_EQ(run.Exists(c.argument + ".html"), c.fileThere) << c.argument;
  }
}

// Without a display the window cannot open: the program says so and points to
// the ways that need none, rather than aborting.
TEST(CommandLine, NoDisplayIsToldNotAborted) {
  struct Case {
    const char* name;
    std::vector<std::string> wrapper;
  };
  const Case cases[] = {
      {"no display named", {}},
      {"a display out of reach", {"env", "DISPLAY=:87"}},
  };
  for (const Case& c : cases) {
    Sandbox run(SCRIVANE_PROGRAM);
    const Outcome outcome = run.Run({}, {.wrapper = c.wrapper}, std::chrono::seconds(60));
    EXPECT_EQ(outcome.status, 1) << c.name << ": signal " << outcome.signal << ", " << outcome.err;
    EXPECT_NE(outcome.err.find("scrivane: no display was found"), std::string::npos) << c.name << ": " << outcome.err;
    EXPECT_NE(outcome.err.find("scrivane FILE"), std::string::npos) << c.name;
    EXPECT_NE(outcome.err.find("scrivane-convert"), std::string::npos) << c.name;
    EXPECT_EQ(outcome.out, "") << c.name;
  }
}

// Input that looks binary is converted all the same, with a warning naming it;
// the completion line stays where it always was.
TEST(CommandLine, BinaryInputIsConvertedWithAWarning) {
  Sandbox run(SCRIVANE_PROGRAM);
  const std::string input = run / "tool";
  WriteFile(input, std::string("\x7F" "ELF\x02\x01\0\0\0 code", 14));
  const Outcome outcome = run.Run({input});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.out, "Finished Conversion. HTML document written to file " + input + ".html\n");
  EXPECT_EQ(outcome.err, input + " looks like a binary file, not text; it was converted anyway, and the page may show "
                                 "stray characters.\n");
  EXPECT_TRUE(run.Exists("tool.html"));
}

TEST(CommandLine, EmptyStoreStaysEmpty) {
  Sandbox run(SCRIVANE_PROGRAM);
  run.Write("a.txt", "www.example.org\n");
  const Outcome outcome = run.Run({run / "a.txt"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_FALSE(std::filesystem::exists(run.Ini()));
  // The defaults: a Smart-format web page with links.
  const std::string html = run.Read("a.txt.html");
  EXPECT_NE(html.find("<TITLE>Converted by Scrivane</TITLE>"), std::string::npos) << html;
  EXPECT_NE(html.find("<A HREF=\"http://www.example.org\">"), std::string::npos) << html;
}

TEST(CommandLine, OldStoreIsMigratedFirst) {
  Sandbox run(SCRIVANE_PROGRAM);
  run.Write("a.txt", "one\ntwo\n");
  run.StoreSettings("[General]\nInput=True\nOutFormat=2\nWebPage=0\n[Files]\nIn0=/kept.txt\n");
  const Outcome outcome = run.Run({run / "a.txt"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  const std::string html = run.Read("a.txt.html");
  EXPECT_TRUE(html.starts_with("<HTML>")) << html;  // WebPage=0 was discarded
  EXPECT_EQ(html.find("<PRE>"), std::string::npos) << html;  // and so was OutFormat=2
  const std::string stored = ReadFile(run.Ini());
  EXPECT_EQ(stored.find("Input"), std::string::npos) << stored;
  EXPECT_NE(stored.find("In0=/kept.txt"), std::string::npos) << stored;
}

TEST(CommandLine, QtIsLoadedOnlyForDatesOfUncommonLocales) {
  struct Case {
    const char* locale;
    bool loadsQt;
    const char* dateLine;  // the date line's pattern in the page
  };
  const Case cases[] = {
      {"C", false, R"(Date: [A-Z][a-z]+day, \d{1,2} [A-Z][a-z]+ \d{4} \d\d:\d\d [AP]M)"},
      {"en_US.UTF-8", false, R"(Date: [A-Z][a-z]+day, [A-Z][a-z]+ \d{1,2}, \d{4} \d\d:\d\d [AP]M)"},
      {"de_DE.UTF-8", false, R"(Date: [A-Z][a-z]+, \d{1,2}\. \S+ \d{4} \d\d:\d\d [AP]M)"},
      {"sr_RS@latin", true, R"(Date: \S.* \d\d:\d\d \S+</center>)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    Sandbox run(SCRIVANE_PROGRAM);
    run.Write("a.txt", "text\n");
    const Outcome outcome =
        run.Run({run / "a.txt"}, {.wrapper = {"env", "LD_DEBUG=files", std::string("LC_ALL=") + c.locale}});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err.find("libQt6Core") != std::string::npos, c.loadsQt);
    EXPECT_TRUE(std::regex_search(run.Read("a.txt.html"), std::regex(c.dateLine))) << run.Read("a.txt.html");
  }
}

TEST(CommandLine, CorruptStoreGivesDefaults) {
  Sandbox run(SCRIVANE_PROGRAM);
  run.Write("a.txt", "text\n");
  std::string garbage(100000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 251);
  run.StoreSettings(garbage);
  const Outcome outcome = run.Run({run / "a.txt"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(ReadFile(run.Ini()), garbage);
}

}  // namespace
}  // namespace scrivane
