// The program run from the command line as a subprocess, with a private settings
// folder and no display: what it converts, what it reports, what it leaves alone.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "form.h"
#include "headless_program.h"

namespace scrivane {
namespace {

using testing_support::Outcome;
using testing_support::RunHeadless;

// A private home and settings folder for the program, and a folder for its files.
class CommandLine {
 public:
  CommandLine() { QDir(dir_.path()).mkpath(QStringLiteral("config/Scrivan")); }

  QString Folder() const { return dir_.path(); }
  QString File(const QString& name) const { return dir_.filePath(name); }
  QString IniPath() const { return File(QStringLiteral("config/Scrivan/Scrivan.ini")); }

  void Write(const QString& path, const QByteArray& bytes) const {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray Read(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  Outcome Run(const QStringList& arguments) const {
    return RunHeadless(QStringLiteral(SCRIVANE_PROGRAM), arguments, dir_.path(), {}, {}, 60000);
  }

 private:
  QTemporaryDir dir_;
};

// The date line and the selection box's form name differ from run to run.
std::string Masked(const std::string& document) {
  static const std::regex date("Date: [^\r\n]*");
  static const std::regex formName("\\b(FN|SN)[0-9]+\\b");
  return std::regex_replace(std::regex_replace(document, date, "Date: (masked)"), formName, "$1(id)");
}

const QByteArray kSampleText =
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
QByteArray StoredOptions(int format) {
  return "[General]\nInput=0\nOutput=0\nOutFormat=" + QByteArray::number(format) +
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
    CommandLine run;
    const QString input = run.File(QStringLiteral("my notes.txt"));
    run.Write(input, kSampleText);
    const QByteArray stored = StoredOptions(format);
    run.Write(run.IniPath(), stored);

    const Outcome outcome = run.Run({input});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, "Finished Conversion. HTML document written to file " + input.toStdString() + ".html\n");

    ConversionOptions options = ReadFormOptions(FormWith(format));
    options.dateText = "today";
    const QString expectedPath = run.File(QStringLiteral("expected.html"));
    ASSERT_TRUE(RunConversion(InputFile{input.toStdString()}, OutputFile{expectedPath.toStdString()}, options, {})
                    .delivered);
    const std::string expected = run.Read(expectedPath).toStdString();
    const std::string actual = run.Read(input + QStringLiteral(".html")).toStdString();
    EXPECT_EQ(Masked(actual), Masked(expected));
    EXPECT_NE(actual.find("Date: "), std::string::npos);

    // Reading the store wrote nothing back, not even a lock file.
    EXPECT_EQ(run.Read(run.IniPath()), stored);
    EXPECT_EQ(QDir(run.File(QStringLiteral("config/Scrivan"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("Scrivan.ini")});
  }
}

TEST(CommandLine, ArgumentsNameOneFile) {
  struct Case {
    const char* name;
    QStringList arguments;  // %1 is the folder
  };
  const Case cases[] = {
      {"one argument with spaces", {"%1/my notes.txt"}},
      {"split at the space", {"%1/my", "notes.txt"}},
      {"in double quotes", {"\"%1/my notes.txt\""}},
      {"quotes and outer spaces", {"  \"%1/my notes.txt\"  "}},
  };
  for (const Case& c : cases) {
    CommandLine run;
    const QString input = run.File(QStringLiteral("my notes.txt"));
    run.Write(input, "hello\n");
    QStringList arguments;
    for (QString argument : c.arguments) arguments << argument.replace(QStringLiteral("%1"), run.Folder());
    const Outcome outcome = run.Run(arguments);
    EXPECT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
    EXPECT_TRUE(QFile::exists(input + QStringLiteral(".html"))) << c.name;
  }
}

TEST(CommandLine, FailuresReportAndExitWithOne) {
  struct Case {
    const char* name;
    QByteArray settings;
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
    CommandLine run;
    const QString input = run.File(QStringLiteral("in put.txt"));
    if (c.makeInput) run.Write(input, "text\n");
    if (c.outputIsFolder) QDir().mkpath(input + QStringLiteral(".html"));
    if (c.outputIsTheInput) QFile::link(input, input + QStringLiteral(".html"));
    if (!c.settings.isEmpty()) run.Write(run.IniPath(), c.settings);
    const Outcome outcome = run.Run({input});
    EXPECT_EQ(outcome.status, 1) << c.name;
    EXPECT_EQ(outcome.out, "") << c.name;
    std::string message = c.message;
    if (const std::size_t at = message.find("%s"); at != std::string::npos) message.replace(at, 2, input.toStdString());
    EXPECT_NE(outcome.err.find(message), std::string::npos) << c.name << ": " << outcome.err;
    if (!c.outputIsFolder && !c.outputIsTheInput) {
      EXPECT_FALSE(QFile::exists(input + QStringLiteral(".html"))) << c.name;
    }
    if (c.makeInput) {
      QFile kept(input);
      EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == "text\n") << c.name;
    }
  }
}

TEST(CommandLine, EmptyStoreStaysEmpty) {
  CommandLine run;
  const QString input = run.File(QStringLiteral("a.txt"));
  run.Write(input, "www.example.org\n");
  const Outcome outcome = run.Run({input});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_FALSE(QFile::exists(run.IniPath()));
  // The defaults: a Smart-format web page with links.
  const QByteArray html = run.Read(input + QStringLiteral(".html"));
  EXPECT_TRUE(html.contains("<TITLE>Converted by Scrivane</TITLE>")) << html.constData();
  EXPECT_TRUE(html.contains("<A HREF=\"http://www.example.org\">")) << html.constData();
}

TEST(CommandLine, OldStoreIsMigratedFirst) {
  CommandLine run;
  const QString input = run.File(QStringLiteral("a.txt"));
  run.Write(input, "one\ntwo\n");
  run.Write(run.IniPath(), "[General]\nInput=True\nOutFormat=2\nWebPage=0\n[Files]\nIn0=/kept.txt\n");
  const Outcome outcome = run.Run({input});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  const QByteArray html = run.Read(input + QStringLiteral(".html"));
  EXPECT_TRUE(html.startsWith("<HTML>")) << html.constData();  // WebPage=0 was discarded
  EXPECT_FALSE(html.contains("<PRE>")) << html.constData();    // and so was OutFormat=2
  const QByteArray stored = run.Read(run.IniPath());
  EXPECT_FALSE(stored.contains("Input")) << stored.constData();
  EXPECT_TRUE(stored.contains("In0=/kept.txt")) << stored.constData();
}

TEST(CommandLine, CorruptStoreGivesDefaults) {
  CommandLine run;
  const QString input = run.File(QStringLiteral("a.txt"));
  run.Write(input, "text\n");
  QByteArray garbage(100000, '\0');
  for (int i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) % 251);
  run.Write(run.IniPath(), garbage);
  const Outcome outcome = run.Run({input});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(run.Read(run.IniPath()), garbage);
}

}  // namespace
}  // namespace scrivane
