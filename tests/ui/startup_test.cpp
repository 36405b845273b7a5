// Start-up: the window an empty or a stored settings file gives.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include "colour_text.h"
#include "product.h"
#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

class StartupTest : public WindowTest {};

TEST_F(StartupTest, EmptyStoreGivesTheFirstWindow) {
  MainWindow& window = Start();
  const QString name = QStringLiteral("Scrivane v") + QString::fromLatin1(kVersionText);
  EXPECT_TRUE(window.windowTitle().startsWith(name));
  EXPECT_EQ(Find<QLabel>("lblProgName")->text(), name);
  EXPECT_TRUE(Find<QRadioButton>("optInput0")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("optOutput0")->isChecked());
  EXPECT_FALSE(Find<QComboBox>("cmbInFile")->isEnabled());  // clipboard: no file to name
  EXPECT_FALSE(Find<QComboBox>("cmbOutFile")->isEnabled());
  EXPECT_EQ(Find<QComboBox>("cmbFormat")->currentText(), QStringLiteral("Smart format"));
  for (const char* name : {"chkWWW", "chkFTP", "chkPunctuation", "chkEmailCheck", "chkWebPage"}) {
    EXPECT_EQ(Find<QCheckBox>(name)->checkState(), Qt::Checked) << name;
  }
  EXPECT_EQ(Find<QCheckBox>("chkCentre")->checkState(), Qt::Unchecked);
  EXPECT_EQ(Find<QCheckBox>("chkButton")->checkState(), Qt::Unchecked);
  EXPECT_EQ(Find<QLineEdit>("txtHeader")->text(), QStringLiteral("Converted by Scrivane"));
  EXPECT_EQ(Find<QPlainTextEdit>("txtFooter")->toPlainText(), QStringLiteral("Enter your footer here"));
  for (const char* name : {"txtFontSize", "txtFontColor", "txtBGColor", "txtTextColor", "txtBGImage", "txtCharSet"}) {
    EXPECT_EQ(Find<QLineEdit>(name)->text(), QString()) << name;
  }
  EXPECT_EQ(Find<QComboBox>("cmbFonts")->currentText(), QString());
  for (const char* name : {"cmbInFile", "cmbOutFile"}) {
    auto* history = Find<QComboBox>(name);
    EXPECT_EQ(history->count(), kHistorySlots) << name;
    EXPECT_EQ(history->currentText(), QString()) << name;
  }
  EXPECT_EQ(Find<QTabWidget>("SSTab1")->currentIndex(), 0);

  // Centred across, a third of the free height above.
  const QRect screen = window.screen()->geometry();
  EXPECT_NEAR(window.x(), (screen.width() - window.width()) / 2.0, 1.0);
  EXPECT_NEAR(window.y(), (screen.height() - window.height()) / 3.0, 1.0);

  // Filling the window writes nothing back.
  EXPECT_TRUE(TakeWrittenKeys().empty());
}

TEST_F(StartupTest, StoredSettingsFillTheWindow) {
  WriteIni(
      "[General]\n"
      "Input=1\nOutput=1\nOutFormat=4\nChangeWWW=0\nChangeFTP=2\nRemovePunctuation=1\nEmailCheck=0\n"
      "Centre=1\nGoButton=1\nWebPage=0\nTitle=My page\nFooter=Foot text\nFontFace=DejaVu Sans\n"
      "FontSize=3\nFontColor=#00FF00\nBGColor=#FF0000\nTextColor=#0000FF\nBGImage=back.png\n"
      "CharSet=utf-8\nSeparator=|\nListType=Ordered\nTarget=_top\nPositionLeft=1500\nPositionTop=750\n"
      "[Files]\nIn0=/data/a.txt\nIn1=/data/b.txt\nOut0=/data/a.html\n");
  MainWindow& window = Start();
  EXPECT_TRUE(Find<QRadioButton>("optInput1")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("optOutput1")->isChecked());
  EXPECT_TRUE(Find<QComboBox>("cmbInFile")->isEnabled());
  EXPECT_EQ(Find<QComboBox>("cmbFormat")->currentText(), QStringLiteral("HTML Table"));
  EXPECT_EQ(Find<QComboBox>("cmbSeparator")->currentText(), QStringLiteral("|"));
  EXPECT_EQ(Find<QCheckBox>("chkWWW")->checkState(), Qt::Unchecked);
  EXPECT_EQ(Find<QCheckBox>("chkFTP")->checkState(), Qt::PartiallyChecked);  // "2" shows greyed
  EXPECT_EQ(Find<QCheckBox>("chkEmailCheck")->checkState(), Qt::Unchecked);
  EXPECT_EQ(Find<QCheckBox>("chkCentre")->checkState(), Qt::Checked);
  EXPECT_EQ(Find<QCheckBox>("chkWebPage")->checkState(), Qt::Unchecked);
  EXPECT_TRUE(Find<QGroupBox>("FrameWebPage")->isHidden());
  EXPECT_EQ(Find<QLineEdit>("txtHeader")->text(), QStringLiteral("My page"));
  EXPECT_EQ(Find<QPlainTextEdit>("txtFooter")->toPlainText(), QStringLiteral("Foot text"));
  EXPECT_EQ(Find<QComboBox>("cmbFonts")->currentText(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(Find<QLineEdit>("txtCharSet")->text(), QStringLiteral("utf-8"));
  EXPECT_EQ(Find<ColourSwatch>("PicBGColor")->Colour(), QColor(0xFF, 0, 0));
  EXPECT_EQ(Find<ColourSwatch>("PicTextColor")->Colour(), QColor(0, 0, 0xFF));
  EXPECT_EQ(Find<ColourSwatch>("picFontColor")->Colour(), QColor(0, 0xFF, 0));
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->currentText(), QStringLiteral("/data/a.txt"));
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->itemText(1), QStringLiteral("/data/b.txt"));
  EXPECT_EQ(Find<QComboBox>("cmbOutFile")->currentText(), QStringLiteral("/data/a.html"));
  EXPECT_EQ(window.pos(), QPoint(100, 50));
  EXPECT_TRUE(TakeWrittenKeys().empty());
}

TEST_F(StartupTest, OldStoreIsDiscardedButTheHistoriesStay) {
  WriteIni("[General]\nInput=True\nTitle=Old title\nChangeWWW=0\n[Files]\nIn0=/kept.txt\n");
  Start();
  EXPECT_TRUE(Find<QRadioButton>("optInput0")->isChecked());
  EXPECT_EQ(Find<QLineEdit>("txtHeader")->text(), QStringLiteral("Converted by Scrivane"));
  EXPECT_EQ(Find<QCheckBox>("chkWWW")->checkState(), Qt::Checked);
  EXPECT_EQ(Find<QComboBox>("cmbInFile")->currentText(), QStringLiteral("/kept.txt"));
}

struct PositionCase {
  const char* left;
  const char* top;
  QPoint expected;  // pixels, 15 twips each
};

class StartupPositionTest : public WindowTest, public ::testing::WithParamInterface<PositionCase> {};

TEST_P(StartupPositionTest, StoredPositionOnTheScreenIsHonoured) {
  WriteIni(QStringLiteral("[General]\nPositionLeft=%1\nPositionTop=%2\n")
               .arg(QString::fromLatin1(GetParam().left), QString::fromLatin1(GetParam().top))
               .toUtf8());
  EXPECT_EQ(Start().pos(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, StartupPositionTest,
                         ::testing::Values(PositionCase{"-300", "600", {0, 40}},
                                           PositionCase{"600", "-15", {40, 0}},
                                           PositionCase{"1200", "1500", {80, 100}},  // off the screens: screens_test
                                           PositionCase{"2250.0", "1125", {150, 75}}));

struct StoredFormatCase {
  int position;
  const char* label;         // "" when the option box is hidden
  const char* optionText;
};

class StartupFormatTest : public WindowTest, public ::testing::WithParamInterface<StoredFormatCase> {};

TEST_P(StartupFormatTest, OptionBoxShowsTheRememberedText) {
  WriteIni(QStringLiteral("[General]\nOutFormat=%1\nSeparator=::\nListType=Ordered\n")
               .arg(GetParam().position)
               .toUtf8());
  Start();
  auto* label = Find<QLabel>("lblSeparator");
  auto* option = Find<QComboBox>("cmbSeparator");
  if (*GetParam().label == '\0') {
    EXPECT_TRUE(option->isHidden());
    return;
  }
  EXPECT_FALSE(option->isHidden());
  EXPECT_EQ(label->text(), QString::fromLatin1(GetParam().label));
  EXPECT_EQ(option->currentText(), QString::fromLatin1(GetParam().optionText));
}

INSTANTIATE_TEST_SUITE_P(Table, StartupFormatTest,
                         ::testing::Values(StoredFormatCase{0, "", ""}, StoredFormatCase{2, "", ""},
                                           StoredFormatCase{3, "List Type", "Ordered"},
                                           StoredFormatCase{4, "Input Separator", "::"},
                                           StoredFormatCase{5, "Target", "parent"}));  // store default

}  // namespace
}  // namespace scrivane::testing
