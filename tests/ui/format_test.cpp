// Format selection: what each format shows, hides and disables, and the option texts.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "ui_test_util.h"

namespace scrivane::testing {
namespace {

struct ArrangementCase {
  int position;
  bool centre;
  bool goButton;
  const char* optionLabel;  // "" when label and option box are hidden
  QStringList optionItems;
  bool linkBoxesEnabled;
  bool structureBoxes = false;  // the structured format's three check boxes
};

class FormatArrangementTest : public WindowTest, public ::testing::WithParamInterface<ArrangementCase> {};

TEST_P(FormatArrangementTest, PickingAFormatRearrangesTheControls) {
  const ArrangementCase& c = GetParam();
  MainWindow& window = Start();
  // Start from a format with the opposite arrangement, so every row changes something.
  PickFormat(c.position == 5 ? 2 : 5);
  TakeWrittenKeys();
  PickFormat(c.position);

  EXPECT_EQ(Find<QCheckBox>("chkCentre")->isVisibleTo(&window), c.centre);
  EXPECT_EQ(Find<QCheckBox>("chkButton")->isVisibleTo(&window), c.goButton);
  for (const char* name : {"chkContents", "chkLineBreaks", "chkInlineMarks"}) {
    EXPECT_EQ(Find<QCheckBox>(name)->isVisibleTo(&window), c.structureBoxes) << name;
  }
  const bool option = *c.optionLabel != '\0';
  auto* label = Find<QLabel>("lblSeparator");
  auto* box = Find<QComboBox>("cmbSeparator");
  EXPECT_EQ(label->isVisibleTo(&window), option);
  EXPECT_EQ(box->isVisibleTo(&window), option);
  if (option) {
    EXPECT_EQ(label->text(), QString::fromLatin1(c.optionLabel));
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    EXPECT_EQ(items, c.optionItems);
  }
  for (const char* name : {"chkWWW", "chkFTP", "chkPunctuation", "chkEmailCheck"}) {
    EXPECT_EQ(Find<QCheckBox>(name)->isEnabled(), c.linkBoxesEnabled) << name;
    EXPECT_EQ(Find<QCheckBox>(name)->checkState(), Qt::Checked) << name;  // ticks are kept either way
  }
  EXPECT_EQ(window.ReadForm().outFormat, c.position);
  EXPECT_EQ(TakeWrittenKeys(), std::vector<QString>{QStringLiteral("OutFormat")});
  EXPECT_EQ(Stored("General", "OutFormat"), QString::number(c.position));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatArrangementTest,
    ::testing::Values(ArrangementCase{0, true, false, "", {}, true},   // Smart format
                      ArrangementCase{1, true, false, "", {}, true},   // Retain original linefeeds
                      ArrangementCase{2, false, false, "", {}, true},  // Retain original format
                      ArrangementCase{3, false, false, "List Type", {"Unordered", "Ordered"}, true},
                      ArrangementCase{4, false, false, "Input Separator", {"comma", "tab", "semi-colon"}, true},
                      ArrangementCase{5, true, true, "Target", {"_blank", "_parent", "_self", "_top"}, false},
                      ArrangementCase{6, false, false, "", {}, true, true}));  // Structured text

class OptionTextTest : public WindowTest {};

TEST_F(OptionTextTest, TypedSeparatorIsKeptAndStoredOnLeaving) {
  MainWindow& window = Start();
  PickFormat(4);
  auto* box = Find<QComboBox>("cmbSeparator");
  box->setEditText(QStringLiteral("|"));
  TakeWrittenKeys();
  LeaveControl(box);
  EXPECT_EQ(TakeWrittenKeys(), std::vector<QString>{QStringLiteral("Separator")});
  EXPECT_EQ(Stored("General", "Separator"), QStringLiteral("|"));
  EXPECT_EQ(window.ReadForm().separator, "|");

  // Each format keeps its own text across a round trip.
  PickFormat(3);
  box->setCurrentIndex(1);
  emit box->activated(1);
  EXPECT_EQ(Stored("General", "ListType"), QStringLiteral("Ordered"));
  PickFormat(4);
  EXPECT_EQ(box->currentText(), QStringLiteral("|"));
  PickFormat(3);
  EXPECT_EQ(box->currentText(), QStringLiteral("Ordered"));
  PickFormat(5);
  EXPECT_EQ(box->currentText(), QStringLiteral("parent"));  // the store's default, not a list item
}

TEST_F(OptionTextTest, FormatsWithoutAnOptionStoreNothing) {
  Start();
  PickFormat(0);
  auto* box = Find<QComboBox>("cmbSeparator");
  box->setEditText(QStringLiteral("|"));
  TakeWrittenKeys();
  LeaveControl(box);
  EXPECT_TRUE(TakeWrittenKeys().empty());
  EXPECT_EQ(Stored("General", "Separator"), std::nullopt);
}

}  // namespace
}  // namespace scrivane::testing
