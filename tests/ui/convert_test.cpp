// Convert: a run off the window's thread, its texts, its destinations and the histories.
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <algorithm>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

constexpr int kRunTimeoutMs = 20000;

class ConvertTest : public WindowTest {
 protected:
  // Chooses clipboard or file for both ends and names the files.
  void Choose(int input, int output, const QString& inFile = {}, const QString& outFile = {}) {
    Find<QRadioButton>(input == kFile ? "optInput1" : "optInput0")->click();
    Find<QRadioButton>(output == kFile ? "optOutput1" : "optOutput0")->click();
    Find<QComboBox>("cmbInFile")->setEditText(inFile);
    Find<QComboBox>("cmbOutFile")->setEditText(outFile);
  }
  // Presses Convert and waits until the run has reported back.
  void Convert() {
    Find<QPushButton>("butConvert")->click();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
  }
  QString Strip() { return Find<StatusStrip>("picProgress")->Text(); }
  static QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
};

TEST_F(ConvertTest, FileRunWritesTheDocumentAndGrowsTheHistories) {
  Start();
  const QString a = MakeFile(QStringLiteral("a.txt"), "Visit www.example.com today.\r\n");
  Choose(kFile, kFile, a, QString());
  Convert();

  const QByteArray document = Contents(a + QStringLiteral(".html"));
  EXPECT_TRUE(document.contains("<A HREF=\"http://www.example.com\">www.example.com</A>")) << document.constData();
  EXPECT_EQ(Strip(), QStringLiteral(" Finished Conversion. HTML document written to file\n ") + a + ".html");
  EXPECT_EQ(desktop_.beeps, 1);
  EXPECT_TRUE(desktop_.messages.empty());
  EXPECT_EQ(window_->History(true).front(), a.toStdString());
  EXPECT_EQ(window_->History(false).front(), "");  // nothing named, nothing added
  EXPECT_TRUE(Find<QPushButton>("butConvert")->isEnabled());

  // a, b, a again: the newest first, each name once.
  const QString b = MakeFile(QStringLiteral("b.txt"), "b\n");
  const QString out = dir_.filePath(QStringLiteral("out.html"));
  Choose(kFile, kFile, b, out);
  Convert();
  Choose(kFile, kFile, a, out);
  EXPECT_TRUE(desktop_.questions.empty());  // out.html is the window's own, unchanged since
  Convert();
  const std::vector<std::string> inputs = window_->History(true);
  ASSERT_GE(inputs.size(), 3u);
  EXPECT_EQ(inputs[0], a.toStdString());
  EXPECT_EQ(inputs[1], b.toStdString());
  EXPECT_EQ(inputs[2], "");
  EXPECT_EQ(window_->History(false).front(), out.toStdString());
  EXPECT_EQ(window_->History(false)[1], "");  // the same name twice in a row is added once
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->currentText(), a);
}

TEST_F(ConvertTest, ClipboardToClipboard) {
  Start();
  QApplication::clipboard()->setText(QStringLiteral("Mail me at someone@example.org\nSecond line"));
  Choose(kClipboard, kClipboard);
  Convert();
  const QString result = QApplication::clipboard()->text();
  EXPECT_TRUE(result.contains(QStringLiteral("<A HREF=\"mailto:someone@example.org\">"))) << result.toStdString();
  EXPECT_TRUE(result.endsWith(QStringLiteral("\r\n")));
  EXPECT_EQ(Strip(), QStringLiteral(" Finished Conversion.\n HTML document now in clipboard."));
  EXPECT_EQ(desktop_.beeps, 1);
}

TEST_F(ConvertTest, MissingInputFileIsReportedAndNothingIsWritten) {
  Start();
  const QString missing = dir_.filePath(QStringLiteral("missing.txt"));
  Find<StatusStrip>("picProgress")->SetText(QStringLiteral(" Finished Conversion.\n earlier run"));
  Choose(kFile, kFile, missing, QString());
  Convert();
  EXPECT_EQ(Strip(), QString());  // no earlier result left to look like this run's
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].title, QStringLiteral("Error"));
  EXPECT_EQ(desktop_.messages[0].text, QStringLiteral("Input File ") + missing + QStringLiteral(" not found"));
  EXPECT_EQ(desktop_.messages[0].icon, MessageIcon::Warning);
  EXPECT_FALSE(QFile::exists(missing + QStringLiteral(".html")));
  EXPECT_EQ(desktop_.beeps, 0);
  EXPECT_TRUE(Find<QPushButton>("butConvert")->isEnabled());
}

TEST_F(ConvertTest, InvalidListTypeIsReportedUnderTheProgramsTitle) {
  WriteIni("[General]\nOutFormat=3\nListType=Bulleted\n");
  Start();
  const QString input = MakeFile(QStringLiteral("list.txt"), "one\ntwo\n");
  Choose(kFile, kFile, input, QString());
  Convert();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].title, QStringLiteral("Scrivane"));
  EXPECT_EQ(desktop_.messages[0].text, QStringLiteral("Invalid HTML List type"));
  EXPECT_EQ(desktop_.messages[0].icon, MessageIcon::None);
  EXPECT_FALSE(QFile::exists(input + QStringLiteral(".html")));
}

TEST_F(ConvertTest, ClipboardToAnUnnamedFileAsksForTheName) {
  Start();
  QApplication::clipboard()->setText(QStringLiteral("clip text"));
  const QString chosen = dir_.filePath(QStringLiteral("chosen.html"));
  desktop_.saveAnswer = chosen;
  Choose(kClipboard, kFile);
  Convert();
  EXPECT_EQ(desktop_.saveDialogs, 1);
  EXPECT_EQ(desktop_.saveSuffix, QStringLiteral("html"));
  EXPECT_EQ(Find<QComboBox>("cmbOutFile")->currentText(), chosen);
  EXPECT_TRUE(Contents(chosen).contains("clip text"));
  EXPECT_EQ(window_->History(false).front(), chosen.toStdString());
}

TEST_F(ConvertTest, CancellingTheSaveDialogRunsNothing) {
  Start();
  QApplication::clipboard()->setText(QStringLiteral("clip text"));
  Choose(kClipboard, kFile);
  Find<QPushButton>("butConvert")->click();
  EXPECT_EQ(desktop_.saveDialogs, 1);
  EXPECT_FALSE(window_->IsConverting());
  EXPECT_EQ(Strip(), QString());
  EXPECT_EQ(desktop_.beeps, 0);
}

TEST_F(ConvertTest, EmptyClipboardIsReported) {
  Start();
  QApplication::clipboard()->clear();
  Choose(kClipboard, kClipboard);
  Find<QPushButton>("butConvert")->click();
  EXPECT_FALSE(window_->IsConverting());
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].title, QStringLiteral("Error"));
}

TEST_F(ConvertTest, SecondConvertWhileRunningIsRefused) {
  Start();
  QByteArray text;
  for (int i = 0; i < 200000; ++i) text += "line with www.example.com and more words\n";
  const QString big = MakeFile(QStringLiteral("big.txt"), text);
  Choose(kFile, kFile, big, QString());
  auto* convert = Find<QPushButton>("butConvert");
  convert->click();
  EXPECT_TRUE(window_->IsConverting());
  EXPECT_FALSE(convert->isEnabled());
  convert->click();  // refused: the button is off while the run goes on
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
  EXPECT_EQ(desktop_.beeps, 1);
  EXPECT_TRUE(Strip().startsWith(QStringLiteral(" Finished Conversion.")));
}

TEST_F(ConvertTest, ExitDuringARunLetsItFinish) {
  Start();
  QByteArray text;
  for (int i = 0; i < 100000; ++i) text += "some words to convert\n";
  const QString input = MakeFile(QStringLiteral("exit.txt"), text);
  Choose(kFile, kFile, input, QString());
  Find<QPushButton>("butConvert")->click();
  window_->close();
  EXPECT_FALSE(window_->IsConverting());
  EXPECT_TRUE(Contents(input + QStringLiteral(".html")).contains("</HTML>"));
  EXPECT_EQ(Stored("Files", "In0"), input);  // the run's names reached the saved history
}

// Input that looks binary is converted with a warning naming it; text brings none.
TEST_F(ConvertTest, BinaryInputIsConvertedWithAWarning) {
  Start();
  const QString tool = MakeFile(QStringLiteral("tool"), QByteArray("\x7F" "ELF\x02\x01\0\0\0 code", 14));
  Choose(kFile, kFile, tool, QString());
  Convert();
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages.front().title, QStringLiteral("Warning"));
  EXPECT_TRUE(desktop_.messages.front().text.startsWith(tool + QStringLiteral(" looks like a binary file")))
      << desktop_.messages.front().text.toStdString();
  EXPECT_EQ(desktop_.messages.front().icon, MessageIcon::Warning);
  EXPECT_TRUE(Contents(tool + QStringLiteral(".html")).contains("</HTML>"));

  const QString text = MakeFile(QStringLiteral("text.txt"), "plain text\n");
  Choose(kFile, kFile, text, QString());
  Convert();
  EXPECT_EQ(desktop_.messages.size(), 1u);
}

// Writing over a file the window did not write, or that changed since it did, is
// asked first; "No" leaves it alone.
TEST_F(ConvertTest, ReplacingAFileTheWindowDidNotWriteIsAsked) {
  Start();
  const QString input = MakeFile(QStringLiteral("notes.txt"), "new text\n");
  const QString output = MakeFile(QStringLiteral("notes.html"), "the user's own page");
  const struct {
    const char* step;
    bool editBefore;  // the file is changed behind the window's back first
    bool answer;
    bool asked;
    bool written;
  } steps[] = {
      {"a file already there: No", false, false, true, false},
      {"a file already there: Yes", false, true, true, true},
      {"the window's own file, unchanged", false, false, false, true},
      {"the window's file edited since: No", true, false, true, false},
  };
  int run = 0;
  for (const auto& step : steps) {
    {
      QFile text(input);  // each run's document differs from the last
      ASSERT_TRUE(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
      text.write(QByteArray("text of run ") + QByteArray::number(++run) + "\n");
    }
    if (step.editBefore) {
      QFile file(output);
      ASSERT_TRUE(file.open(QIODevice::Append));
      file.write("<!-- edited by hand -->");
    }
    const QByteArray before = Contents(output);
    desktop_.questions.clear();
    desktop_.confirmAnswer = step.answer;
    Choose(kFile, kFile, input, output);
    Convert();
    ASSERT_EQ(desktop_.questions.size(), step.asked ? 1u : 0u) << step.step;
    if (step.asked) {
      EXPECT_EQ(desktop_.questions[0].title, QStringLiteral("Replace?")) << step.step;
      EXPECT_TRUE(desktop_.questions[0].text.contains(QStringLiteral("notes.html"))) << step.step;
    }
    EXPECT_EQ(Contents(output) != before, step.written) << step.step;
  }
}

// Clipboard text converted after a file does not inherit the file's document name.
TEST_F(ConvertTest, SwitchingToTheClipboardDropsTheProposedName) {
  Start();
  const QString input = MakeFile(QStringLiteral("doc.txt"), "file text\n");
  Choose(kFile, kFile);
  Find<QComboBox>("cmbInFile")->setEditText(input);  // the output box follows with input + ".html"
  Convert();
  auto* output = Find<QComboBox>("cmbOutFile");
  EXPECT_EQ(output->currentText(), input + QStringLiteral(".html"));
  const QByteArray document = Contents(input + QStringLiteral(".html"));

  QApplication::clipboard()->setText(QStringLiteral("clipboard text"));
  Find<QRadioButton>("optInput0")->click();
  EXPECT_EQ(output->currentText(), QString());
  desktop_.saveAnswer.clear();  // the name is asked for; cancelled, nothing runs
  Find<QPushButton>("butConvert")->click();
  EXPECT_FALSE(window_->IsConverting());
  EXPECT_EQ(desktop_.saveDialogs, 1);
  EXPECT_EQ(Contents(input + QStringLiteral(".html")), document);

  Find<QRadioButton>("optInput1")->click();  // the file again: its proposal comes back
  EXPECT_EQ(output->currentText(), input + QStringLiteral(".html"));
  // A name the user typed stays whatever the source.
  output->setEditText(dir_.filePath(QStringLiteral("mine.html")));
  Find<QRadioButton>("optInput0")->click();
  EXPECT_EQ(output->currentText(), dir_.filePath(QStringLiteral("mine.html")));
}

// Only names that converted reach the histories, each once, the latest first.
TEST_F(ConvertTest, HistoriesKeepOnlyNamesThatConverted) {
  Start();
  const QString good = MakeFile(QStringLiteral("good.txt"), "text\n");
  const QString folder = dir_.filePath(QStringLiteral("folder"));
  QDir(dir_.path()).mkpath(QStringLiteral("folder"));
  const struct {
    QString in, out;
    bool delivered;
  } runs[] = {
      {good, dir_.filePath(QStringLiteral("good.html")), true},
      {folder, dir_.filePath(QStringLiteral("x.html")), false},        // a folder as input
      {dir_.filePath(QStringLiteral("missing.txt")), QString(), false},  // no such file
      {good, folder, false},                                             // a folder as output
      {good, dir_.filePath(QStringLiteral("good.html")), true},        // the same names again
  };
  for (const auto& run : runs) {
    desktop_.messages.clear();
    Choose(kFile, kFile, run.in, run.out);
    Convert();
    EXPECT_EQ(desktop_.messages.empty(), run.delivered) << run.in.toStdString();
  }
  const std::vector<std::string> inputs = window_->History(true), outputs = window_->History(false);
  EXPECT_EQ(std::count(inputs.begin(), inputs.end(), good.toStdString()), 1);
  EXPECT_EQ(inputs.front(), good.toStdString());
  EXPECT_EQ(std::count(outputs.begin(), outputs.end(), dir_.filePath(QStringLiteral("good.html")).toStdString()), 1);
  for (const std::string& name : inputs) EXPECT_FALSE(QFileInfo(QString::fromStdString(name)).isDir()) << name;
  for (const std::string& name : outputs) EXPECT_FALSE(QFileInfo(QString::fromStdString(name)).isDir()) << name;
  EXPECT_EQ(std::count(inputs.begin(), inputs.end(), dir_.filePath(QStringLiteral("missing.txt")).toStdString()), 0);
}

// Stop (or Esc) ends a long run: no document, the previous one whole, no error box.
TEST_F(ConvertTest, StopEndsALongRunAndKeepsThePreviousDocument) {
  Start();
  QByteArray text;
  for (int i = 0; i < 400000; ++i) text += "line with www.example.com and more words\n";
  const QString big = MakeFile(QStringLiteral("big.txt"), text);
  const QString output = dir_.filePath(QStringLiteral("big.html"));
  for (const bool escape : {false, true}) {
    {
      QFile previous(output);
      ASSERT_TRUE(previous.open(QIODevice::WriteOnly | QIODevice::Truncate));
      previous.write("previous document");
    }
    desktop_.confirmAnswer = true;
    Choose(kFile, kFile, big, output);
    Find<QPushButton>("butConvert")->click();
    ASSERT_TRUE(window_->IsConverting());
    auto* stop = Find<QPushButton>("butStop");
    EXPECT_FALSE(stop->isHidden());
    EXPECT_TRUE(Find<QPushButton>("butConvert")->isHidden());
    if (escape) {
      QTest::keyClick(window_.get(), Qt::Key_Escape);
    } else {
      stop->click();
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
    EXPECT_EQ(Contents(output), QByteArray("previous document")) << escape;
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << escape;  // big.txt, big.html
    EXPECT_TRUE(desktop_.messages.empty()) << escape;
    EXPECT_TRUE(Strip().contains(QStringLiteral("stopped"))) << Strip().toStdString();
    EXPECT_TRUE(stop->isHidden());
    EXPECT_FALSE(Find<QPushButton>("butConvert")->isHidden());
    EXPECT_TRUE(Find<QPushButton>("butConvert")->isEnabled());
    EXPECT_EQ(window_->History(true).front(), "") << "a stopped run adds no name";
  }
}

}  // namespace
}  // namespace scrivane::testing
