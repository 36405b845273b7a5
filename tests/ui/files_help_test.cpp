// File choice, help and the About page's links.
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>
#include <QDir>
#include <QTextBrowser>

#include "form.h"
#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

class FileChoiceTest : public WindowTest {};

TEST_F(FileChoiceTest, BrowsingForInputAlwaysProposesTheOutputName) {
  WriteIni("[General]\nInput=1\nOutput=1\n[Files]\nOut0=/kept/earlier.html\n");
  Start();
  desktop_.openAnswer = QStringLiteral("/home/me/notes.txt");
  Find<QPushButton>("butInBrowse")->click();
  EXPECT_EQ(desktop_.openFilters, QStringLiteral("Text (*.txt);;All (*)"));
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->currentText(), QStringLiteral("/home/me/notes.txt"));
  EXPECT_EQ(Find<QComboBox>("cmbOutFile")->currentText(), QStringLiteral("/home/me/notes.txt.html"));

  desktop_.openAnswer.clear();  // cancelled: nothing changes
  Find<QPushButton>("butInBrowse")->click();
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->currentText(), QStringLiteral("/home/me/notes.txt"));

  desktop_.saveAnswer = QStringLiteral("/home/me/page.html");
  Find<QPushButton>("butOutBrowse")->click();
  EXPECT_EQ(desktop_.saveFilters, QStringLiteral("HTML (*.html *.htm);;All (*)"));
  EXPECT_EQ(desktop_.saveSuffix, QStringLiteral("html"));
  EXPECT_EQ(Find<QComboBox>("cmbOutFile")->currentText(), QStringLiteral("/home/me/page.html"));
}

// The Open dialog starts in the folder of the input named, when that folder exists.
TEST_F(FileChoiceTest, OpenDialogStartsInTheInputsFolder) {
  WriteIni("[General]\nInput=1\n");
  Start();
  const QString sub = dir_.filePath(QStringLiteral("texts"));
  QDir(dir_.path()).mkpath(QStringLiteral("texts"));
  const std::pair<QString, QString> cases[] = {
      {sub + QStringLiteral("/notes.txt"), sub},                    // a file that need not exist yet
      {QString(), QString()},                                       // nothing named: the dialog's own choice
      {QStringLiteral("/no/such/folder/notes.txt"), QString()},     // a folder that is gone
  };
  for (const auto& [input, folder] : cases) {
    Find<QComboBox>("cmbInFile")->setEditText(input);
    Find<QPushButton>("butInBrowse")->click();
    EXPECT_EQ(desktop_.openFolder, folder) << input.toStdString() << " shown as "
                                           << Find<QComboBox>("cmbInFile")->currentText().toStdString();
  }
}

class HelpTest : public WindowTest {};

TEST_F(HelpTest, HelpButtonAndF1OpenTheHelpDocument) {
  MainWindow& window = Start();
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Find<QPushButton>("butHelp")->click();
  QTest::keyClick(&window, Qt::Key_F1);
  ASSERT_EQ(desktop_.helpShown.size(), 2u);
  EXPECT_EQ(desktop_.helpShown[0], MainWindow::HelpDocument());
  EXPECT_EQ(desktop_.helpShown[1], MainWindow::HelpDocument());
}

TEST_F(HelpTest, HelpDocumentCoversFormatsOptionsCommandLineAndSettings) {
  QFile help(MainWindow::HelpDocument().toString().replace(QStringLiteral("qrc:"), QStringLiteral(":")));
  ASSERT_TRUE(help.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(help.readAll());
  QStringList topics;
  for (const char* name : kFormatNames) topics << QString::fromLatin1(name);
  topics << QStringLiteral("Free standing Web page") << QStringLiteral("Remove trailing punctuation")
         << QStringLiteral("Enable email address recognition") << QStringLiteral("Go Button")
         << QStringLiteral("Center") << QStringLiteral("Input Separator") << QStringLiteral("List Type")
         << QStringLiteral("Target") << QStringLiteral("Disable banners") << QStringLiteral("scrivane notes.txt")
         << QStringLiteral("~/.config/Scrivan/Scrivan.ini");
  for (const QString& topic : topics) EXPECT_TRUE(text.contains(topic)) << topic.toStdString();
}

TEST_F(HelpTest, ViewerShowsTheDocument) {
  QWidget parent;
  QtDesktop desktop;
  desktop.ShowHelp(&parent, MainWindow::HelpDocument());
  auto* viewer = parent.findChild<QDialog*>(QStringLiteral("helpViewer"));
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  auto* browser = viewer->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
  EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Smart format")));
  desktop.ShowHelp(&parent, MainWindow::HelpDocument());  // opened again: the same viewer
  EXPECT_EQ(parent.findChildren<QDialog*>(QStringLiteral("helpViewer")).size(), 1);
}

TEST_F(HelpTest, AboutLabelsOpenTheMakersPages) {
  Start();
  emit Find<ClickLabel>("lblWebAddress")->clicked();
  emit Find<ClickLabel>("lblMailAddress")->clicked();
  ASSERT_EQ(desktop_.urlsOpened.size(), 2u);
  EXPECT_EQ(desktop_.urlsOpened[0], QUrl(QString::fromLatin1(kMakerHomePage)));
  EXPECT_EQ(desktop_.urlsOpened[1], QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kMakerMail)));
}

}  // namespace
}  // namespace scrivane::testing
