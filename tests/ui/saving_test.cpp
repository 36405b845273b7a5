// The handlers that save at once, and the exit sequence.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <functional>

#include "ui_test_util.h"

namespace scrivane::testing {
namespace {

struct ClickCase {
  const char* control;
  const char* key;
  const char* first;   // value written by the first click
  const char* second;  // and by the second
};

class InstantSaveTest : public WindowTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(InstantSaveTest, EachClickWritesItsKey) {
  const ClickCase& c = GetParam();
  Start();
  auto* control = Find<QAbstractButton>(c.control);
  control->click();
  EXPECT_EQ(TakeWrittenKeys(), std::vector<QString>{QString::fromLatin1(c.key)});
  EXPECT_EQ(Stored("General", c.key), QString::fromLatin1(c.first));
  control->click();
  EXPECT_EQ(Stored("General", c.key), QString::fromLatin1(c.second));
}

INSTANTIATE_TEST_SUITE_P(Table, InstantSaveTest,
                         ::testing::Values(ClickCase{"chkWWW", "ChangeWWW", "0", "1"},
                                           ClickCase{"chkFTP", "ChangeFTP", "0", "1"},
                                           ClickCase{"chkEmailCheck", "EmailCheck", "0", "1"},
                                           ClickCase{"chkPunctuation", "RemovePunctuation", "0", "1"},
                                           ClickCase{"optInput1", "Input", "1", "1"},
                                           ClickCase{"optOutput1", "Output", "1", "1"}));

TEST_F(InstantSaveTest, SourceButtonsEnableTheFileControls) {
  Start();
  for (const char* side : {"Input", "Output"}) {
    const QByteArray prefix = QByteArray("opt") + side;
    auto* name = Find<QComboBox>(side == QByteArray("Input") ? "cmbInFile" : "cmbOutFile");
    auto* browse = Find<QPushButton>(side == QByteArray("Input") ? "butInBrowse" : "butOutBrowse");
    Find<QRadioButton>((prefix + "1").constData())->click();
    EXPECT_TRUE(name->isEnabled() && browse->isEnabled()) << side;
    Find<QRadioButton>((prefix + "0").constData())->click();
    EXPECT_FALSE(name->isEnabled() || browse->isEnabled()) << side;
    EXPECT_EQ(Stored("General", side), QStringLiteral("0"));
  }
}

TEST_F(InstantSaveTest, GreyBoxTurnsIntoAPlainBoxOnClick) {
  WriteIni("[General]\nChangeFTP=2\n");
  Start();
  auto* box = Find<QCheckBox>("chkFTP");
  ASSERT_EQ(box->checkState(), Qt::PartiallyChecked);
  box->click();
  EXPECT_EQ(Stored("General", "ChangeFTP"), QStringLiteral("1"));
  box->click();
  EXPECT_EQ(Stored("General", "ChangeFTP"), QStringLiteral("0"));
  box->click();
  EXPECT_EQ(box->checkState(), Qt::Checked);  // never grey again
}

class ExitTest : public WindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ExitTest, LeavingWritesHistoriesPositionAndPageKeys) {
  WriteIni("[General]\nCentre=2\nPositionLeft=1500\nPositionTop=3000\n[Files]\nIn0=/x/a.txt\nOut3=/x/o.html\n");
  MainWindow& window = Start();
  QSignalSpy exited(&window, &MainWindow::ExitRequested);
  Find<QLineEdit>("txtHeader")->setText(QStringLiteral("Title, with comma"));
  Find<QComboBox>("cmbFonts")->setEditText(QStringLiteral("Serif"));
  Find<QLineEdit>("txtFontSize")->setText(QStringLiteral("4"));
  Find<QLineEdit>("txtBGColor")->setText(QStringLiteral("#FFFFFF"));
  TakeWrittenKeys();

  const bool byButton = GetParam();
  if (byButton) {
    Find<QPushButton>("butExit")->click();
  } else {
    window.close();
  }

  const std::vector<QString> expected = {
      "In0",     "Out0",  "In1",    "Out1",     "In2",      "Out2",     "In3",       "Out3",
      "In4",     "Out4",  "PositionTop", "PositionLeft", "WebPage", "Title", "Centre", "GoButton",
      "FontFace", "FontSize", "FontColor", "Footer", "BGColor", "TextColor", "BGImage", "CharSet"};
  EXPECT_EQ(TakeWrittenKeys(), expected);
  EXPECT_EQ(Stored("Files", "In0"), QStringLiteral("/x/a.txt"));
  EXPECT_EQ(Stored("Files", "Out3"), QStringLiteral("/x/o.html"));
  EXPECT_EQ(Stored("Files", "In4"), QString());
  EXPECT_EQ(Stored("General", "PositionLeft"), QStringLiteral("1500"));
  EXPECT_EQ(Stored("General", "PositionTop"), QStringLiteral("3000"));
  EXPECT_EQ(Stored("General", "Centre"), QStringLiteral("2"));  // grey stays grey
  EXPECT_EQ(Stored("General", "Title"), QStringLiteral("Title, with comma"));
  EXPECT_EQ(Stored("General", "FontFace"), QStringLiteral("Serif"));
  EXPECT_EQ(Stored("General", "BGColor"), QStringLiteral("#FFFFFF"));
  EXPECT_EQ(exited.count(), 1);
  EXPECT_FALSE(window.isVisible());

  // Whatever follows, the sequence runs once.
  window.close();
  EXPECT_TRUE(TakeWrittenKeys().empty());
}

INSTANTIATE_TEST_SUITE_P(ByButtonAndByClosing, ExitTest, ::testing::Bool());

}  // namespace
}  // namespace scrivane::testing
