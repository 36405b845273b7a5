// Colour boxes, swatches, the page sample, the colour chooser and the font list.
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "pages.h"
#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

const QColor kGrey(0xC0, 0xC0, 0xC0);

struct ColourCase {
  const char* box;
  const char* text;
  const char* swatch;
  QColor swatchColour;
  QColor sampleBackground;  // invalid: the sample is not checked
  QColor sampleText;
};

class ColourTextTest : public WindowTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourTextTest, TypingDrivesTheSwatchAndSample) {
  const ColourCase& c = GetParam();
  Start();
  Find<QLineEdit>(c.box)->setText(QString::fromLatin1(c.text));
  EXPECT_EQ(Find<ColourSwatch>(c.swatch)->Colour(), c.swatchColour);
  auto* sample = Find<SamplePreview>("picPage");
  if (c.sampleBackground.isValid()) {
    EXPECT_EQ(sample->Background(), c.sampleBackground);
  }
  if (c.sampleText.isValid()) {
    EXPECT_EQ(sample->TextColour(), c.sampleText);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ColourTextTest,
    ::testing::Values(
        ColourCase{"txtBGColor", "#FF0000", "PicBGColor", QColor(255, 0, 0), QColor(255, 0, 0), {}},
        ColourCase{"txtBGColor", "#FF", "PicBGColor", QColor(0, 0, 255), QColor(0, 0, 255), {}},  // blue
        ColourCase{"txtBGColor", "white", "PicBGColor", QColor(Qt::white), QColor(Qt::white), {}},  // a CSS name
        ColourCase{"txtBGColor", "#00f", "PicBGColor", QColor(0, 0, 255), QColor(0, 0, 255), {}},  // "#rgb"
        ColourCase{"txtBGColor", "whitish", "PicBGColor", kGrey, kGrey, {}},
        ColourCase{"txtFontColor", "Navy", "picFontColor", QColor(0, 0, 0x80), {}, {}},
        ColourCase{"txtBGColor", "x123456", "PicBGColor", kGrey, kGrey, {}},  // needs the "#"
        ColourCase{"txtTextColor", "#00FF00", "PicTextColor", QColor(0, 255, 0), {}, QColor(0, 255, 0)},
        ColourCase{"txtTextColor", "maroon", "PicTextColor", QColor(0x80, 0, 0), {}, QColor(0x80, 0, 0)},
        ColourCase{"txtTextColor", "#C0C0C0", "PicTextColor", kGrey, {}, kGrey},  // a real grey
        ColourCase{"txtFontColor", "x123456", "picFontColor", QColor(0x12, 0x34, 0x56), {}, {}},  // no "#" test
        ColourCase{"txtFontColor", "#12345G", "picFontColor", kGrey, {}, {}}));

struct LeaveCase {
  const char* typed;
  const char* kept;
};

class ColourLeaveTest : public WindowTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(ColourLeaveTest, LeavingABoxTidiesItsText) {
  Start();
  for (const char* name : {"txtBGColor", "txtTextColor", "txtFontColor"}) {
    auto* box = Find<QLineEdit>(name);
    box->setText(QString::fromLatin1(GetParam().typed));
    LeaveControl(box);
    EXPECT_EQ(box->text(), QString::fromLatin1(GetParam().kept)) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ColourLeaveTest,
                         ::testing::Values(LeaveCase{"#ff", "#0000FF"}, LeaveCase{"navy", "navy"},
                                           LeaveCase{"Maroon", "Maroon"}, LeaveCase{"#00f", "#0000FF"},
                                           LeaveCase{"ff00aa", "#FF00AA"}, LeaveCase{"#abcd", "#00ABCD"},
                                           LeaveCase{"notacolour", "NOTACOLOUR"},
                                           LeaveCase{"#abcdef", "#ABCDEF"}, LeaveCase{"", ""},
                                           LeaveCase{"#1234567", "#1234567"}));

class ColourChooserTest : public WindowTest {};

TEST_F(ColourChooserTest, ChosenColourFillsBoxAndSwatch) {
  Start();
  const struct {
    const char* button;
    const char* box;
    const char* swatch;
  } rows[] = {{"butBGColor", "txtBGColor", "PicBGColor"},
              {"butText", "txtTextColor", "PicTextColor"},
              {"butFontColor", "txtFontColor", "picFontColor"}};
  for (const auto& row : rows) {
    desktop_.colourAnswer = QColor(0x12, 0x34, 0x56);
    Find<QPushButton>(row.button)->click();
    EXPECT_EQ(Find<QLineEdit>(row.box)->text(), QStringLiteral("#123456")) << row.button;
    EXPECT_EQ(Find<ColourSwatch>(row.swatch)->Colour(), QColor(0x12, 0x34, 0x56)) << row.button;
    desktop_.colourAnswer.reset();  // cancelled: nothing changes
    Find<QPushButton>(row.button)->click();
    EXPECT_EQ(Find<QLineEdit>(row.box)->text(), QStringLiteral("#123456")) << row.button;
  }
  EXPECT_EQ(Find<SamplePreview>("picPage")->Background(), QColor(0x12, 0x34, 0x56));
}

TEST_F(ColourChooserTest, WebPageBoxShowsTheFrameAndRedrawsTheSample) {
  WriteIni("[General]\nBGColor=x00FF00\n");  // start-up shows this colour whatever the first character
  Start();
  EXPECT_EQ(Find<ColourSwatch>("PicBGColor")->Colour(), QColor(0, 255, 0));
  auto* box = Find<QCheckBox>("chkWebPage");
  box->click();
  EXPECT_TRUE(Find<QGroupBox>("FrameWebPage")->isHidden());
  box->click();
  EXPECT_FALSE(Find<QGroupBox>("FrameWebPage")->isHidden());
  EXPECT_EQ(Find<SamplePreview>("picPage")->Background(), QColor(0, 255, 0));
}

// Stored colour names show their colour; stored hex keeps its classic reading (first character skipped).
TEST_F(ColourChooserTest, StoredColoursShowInTheSwatches) {
  WriteIni("[General]\nBGColor=navy\nTextColor=#00f\nFontColor=WHITE\n");
  Start();
  EXPECT_EQ(Find<ColourSwatch>("PicBGColor")->Colour(), QColor(0, 0, 0x80));
  EXPECT_EQ(Find<ColourSwatch>("PicTextColor")->Colour(), QColor(0, 0, 0xFF));
  EXPECT_EQ(Find<ColourSwatch>("picFontColor")->Colour(), QColor(Qt::white));
  EXPECT_EQ(Find<QLineEdit>("txtBGColor")->text(), QStringLiteral("navy"));
}

// The list offers the names a page can use: the database's foundry suffix goes.
TEST(FamilyName, IsTheNameABrowserKnows) {
  const std::pair<const char*, const char*> cases[] = {
      {"C059 [urw]", "C059"}, {"Noto Sans [GOOG]", "Noto Sans"}, {"DejaVu Sans", "DejaVu Sans"},
      {"Odd [x] Name", "Odd [x] Name"}, {"[urw]", "[urw]"}};
  for (const auto& [database, family] : cases) EXPECT_EQ(FamilyName(QString::fromLatin1(database)), family);
  const QStringList families = FontFamilies();
  EXPECT_EQ(families.size(), QSet<QString>(families.begin(), families.end()).size());  // each once
}

class FontListTest : public WindowTest {};

TEST_F(FontListTest, TimerFillsTheListOnceAndKeepsTheTypedFace) {
  Start();
  auto* fonts = Find<QComboBox>("cmbFonts");
  fonts->setEditText(QStringLiteral("My Face"));
  QFocusEvent enter(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(fonts, &enter);
  EXPECT_EQ(Find<StatusStrip>("picProgress")->Text(), QStringLiteral(" Please wait, still loading Fonts... "));
  EXPECT_EQ(desktop_.beeps, 1);

  window_->OnTimerTick();
  const int families = static_cast<int>(FontFamilies().size());
  ASSERT_TRUE(QTest::qWaitFor([&] { return fonts->count() == families; }, 5000));
  EXPECT_EQ(fonts->currentText(), QStringLiteral("My Face"));
  for (int i = 1; i < fonts->count(); ++i) {
    EXPECT_LE(QString::localeAwareCompare(fonts->itemText(i - 1), fonts->itemText(i)), 0);
  }
  window_->OnTimerTick();  // loaded once only
  QApplication::processEvents();
  EXPECT_EQ(fonts->count(), families);
  QApplication::sendEvent(fonts, &enter);
  EXPECT_EQ(desktop_.beeps, 1);  // no more waiting
}

}  // namespace
}  // namespace scrivane::testing
