// Convert: a run off the window's thread, its texts, its destinations and the histories.
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

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

  // a, b, a again: the newest first, a name may come twice.
  const QString b = MakeFile(QStringLiteral("b.txt"), "b\n");
  const QString out = dir_.filePath(QStringLiteral("out.html"));
  Choose(kFile, kFile, b, out);
  Convert();
  Choose(kFile, kFile, a, out);
  Convert();
  const std::vector<std::string> inputs = window_->History(true);
  ASSERT_GE(inputs.size(), 3u);
  EXPECT_EQ(inputs[0], a.toStdString());
  EXPECT_EQ(inputs[1], b.toStdString());
  EXPECT_EQ(inputs[2], a.toStdString());
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

}  // namespace
}  // namespace scrivane::testing
