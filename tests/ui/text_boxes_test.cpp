// What a user types stays as typed when the focus moves on; only the three colour
// boxes tidy their text. Typed for real, and left for another control.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "ui_test_util.h"

namespace scrivane::testing {
namespace {

struct BoxCase {
  const char* name;
  const char* typed;
  const char* left;  // the text once the focus has moved on
};

class TextBoxTest : public WindowTest, public ::testing::WithParamInterface<BoxCase> {};

QString TextOf(QWidget* box) {
  if (auto* line = qobject_cast<QLineEdit*>(box)) return line->text();
  if (auto* combo = qobject_cast<QComboBox*>(box)) return combo->currentText();
  return qobject_cast<QPlainTextEdit*>(box)->toPlainText();
}

TEST_P(TextBoxTest, LeavingKeepsOrTidiesTheText) {
  WriteIni("[General]\nInput=1\nOutput=1\n");  // the file boxes take names
  MainWindow& window = Start();
  PickFormat(4);  // the option box shows for the table format
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto* box = Find<QWidget>(GetParam().name);
  auto* tabs = Find<QTabWidget>("SSTab1");
  for (int page = 0; page < tabs->count(); ++page) {
    if (tabs->widget(page)->isAncestorOf(box)) tabs->setCurrentIndex(page);
  }
  if (auto* line = qobject_cast<QLineEdit*>(box)) line->clear();
  if (auto* combo = qobject_cast<QComboBox*>(box)) combo->clearEditText();
  if (auto* text = qobject_cast<QPlainTextEdit*>(box)) text->clear();
  box->setFocus();
  QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(GetParam().typed));
  Find<QPushButton>("butHelp")->setFocus();
  EXPECT_FALSE(box->hasFocus());
  EXPECT_EQ(TextOf(box), QString::fromLatin1(GetParam().left));
}

INSTANTIATE_TEST_SUITE_P(Table, TextBoxTest,
                         ::testing::Values(BoxCase{"txtHeader", "Converted by Scrivane", "Converted by Scrivane"},
                                           BoxCase{"txtBGImage", "images/Paper.png", "images/Paper.png"},
                                           BoxCase{"txtCharSet", "utf-8", "utf-8"},
                                           BoxCase{"txtFontSize", "+1 Big", "+1 Big"},
                                           BoxCase{"txtFooter", "Made by Me", "Made by Me"},
                                           BoxCase{"cmbFonts", "DejaVu Sans", "DejaVu Sans"},
                                           BoxCase{"cmbSeparator", "Tab|", "Tab|"},
                                           BoxCase{"cmbInFile", "/tmp/Notes.txt", "/tmp/Notes.txt"},
                                           BoxCase{"cmbOutFile", "/tmp/Notes.Html", "/tmp/Notes.Html"},
                                           BoxCase{"txtBGColor", "#abc", "#AABBCC"},
                                           BoxCase{"txtTextColor", "navy", "navy"},
                                           BoxCase{"txtFontColor", "#ff", "#0000FF"}),
                         [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane::testing
