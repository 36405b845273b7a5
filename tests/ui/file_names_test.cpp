// The file boxes: the output name proposed for the input follows it when typed
// or picked, completion never changes what was typed, and Return converts the
// names as they stand.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTest>

#include "ui_test_util.h"

namespace scrivane::testing {
namespace {

constexpr int kRunTimeoutMs = 20000;

class FileNameTest : public WindowTest {
 protected:
  // Starts with both ends on files and these histories, the window active.
  void StartWith(const QByteArray& files) {
    WriteIni("[General]\nInput=1\nOutput=1\n[Files]\n" + files);
    Start();
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  // Types over the box's text as a user would.
  void TypeInto(const char* box, const QString& text) {
    Find<QComboBox>(box)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClicks(QApplication::focusWidget(), text);
  }
  void WaitForRun() { ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs)); }
  QString Output() { return Find<QComboBox>("cmbOutFile")->currentText(); }
};

struct FollowCase {
  const char* name;
  const char* files;     // the histories
  int pick;              // the input history entry picked, or -1 to type `typed`
  const char* typed;
  const char* expected;  // the output box afterwards
};

class ProposalTest : public FileNameTest, public ::testing::WithParamInterface<FollowCase> {};

TEST_P(ProposalTest, OutputFollowsOnlyItsProposal) {
  const FollowCase& c = GetParam();
  StartWith(c.files);
  if (c.pick >= 0) {
    auto* input = Find<QComboBox>("cmbInFile");
    input->setCurrentIndex(c.pick);
    emit input->activated(c.pick);
  } else {
    TypeInto("cmbInFile", QString::fromLatin1(c.typed));
  }
  EXPECT_EQ(Output(), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProposalTest,
    ::testing::Values(FollowCase{"Typed", "In0=a.txt\nOut0=a.txt.html\n", -1, "b.txt", "b.txt.html"},
                      FollowCase{"Picked", "In0=a.txt\nIn1=b.txt\nOut0=a.txt.html\n", 1, "", "b.txt.html"},
                      FollowCase{"OwnNameStays", "In0=a.txt\nOut0=site/index.html\n", -1, "b.txt", "site/index.html"},
                      FollowCase{"NoNameTakesTheProposal", "In0=a.txt\n", -1, "b.txt", "b.txt.html"},
                      FollowCase{"ClearedInput", "In0=a.txt\nOut0=a.txt.html\n", -1, "", ""}),
    [](const ::testing::TestParamInfo<FollowCase>& info) { return std::string(info.param.name); });

struct CompletionCase {
  const char* name;
  const char* typed;    // in the test's folder, which holds sample.txt and docs/b.txt
  const char* message;  // what converting the typed name says ("{}" is the typed path)
};

class CompletionTest : public FileNameTest, public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(CompletionTest, ReturnConvertsWhatWasTyped) {
  const QString sample = MakeFile(QStringLiteral("sample.txt"), "x\n");
  QDir(dir_.path()).mkdir(QStringLiteral("docs"));
  const QString inDocs = MakeFile(QStringLiteral("docs/b.txt"), "x\n");
  StartWith(("In0=" + sample + "\nIn1=" + inDocs + "\n").toUtf8());
  const QString typed = dir_.filePath(QString::fromLatin1(GetParam().typed));
  TypeInto("cmbInFile", typed);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  // A Return that only closed the list of completions did not convert yet.
  if (!window_->IsConverting() && desktop_.messages.empty()) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  }
  WaitForRun();
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->currentText(), typed);
  ASSERT_EQ(desktop_.messages.size(), 1u);
  EXPECT_EQ(desktop_.messages[0].text, QString::fromLatin1(GetParam().message).replace(QStringLiteral("{}"), typed));
  EXPECT_FALSE(QFile::exists(inDocs + QStringLiteral(".html")));
  EXPECT_FALSE(QFile::exists(sample + QStringLiteral(".html")));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompletionTest,
    ::testing::Values(CompletionCase{"OtherCase", "Sample.txt", "Input File {} not found"},
                      CompletionCase{"Folder", "docs", "Could not read the input file {}: it is a folder"}),
    [](const ::testing::TestParamInfo<CompletionCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane::testing
