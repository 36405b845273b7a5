// The window from the keyboard: Return converts, every button, box and page has
// its own Alt key, Ctrl+Tab and Ctrl+PgDn turn the pages, Bar works with Space,
// and every control has a name a screen reader can say.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <map>
#include <vector>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

constexpr int kRunTimeoutMs = 20000;

class KeyboardTest : public WindowTest {
 protected:
  MainWindow& StartActive() {
    MainWindow& window = Start();
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    return window;
  }
  // Shows the page holding `widget` and gives it the focus.
  void FocusOn(QWidget* widget) {
    auto* tabs = Find<QTabWidget>("SSTab1");
    for (int page = 0; page < tabs->count(); ++page) {
      if (tabs->widget(page)->isAncestorOf(widget)) tabs->setCurrentIndex(page);
    }
    widget->setFocus();
  }
};

struct ReturnCase {
  const char* focus;
  bool converts;  // else the control takes Return itself
};

class ReturnTest : public KeyboardTest, public ::testing::WithParamInterface<ReturnCase> {};

TEST_P(ReturnTest, ReturnPressesConvert) {
  StartActive();
  QApplication::clipboard()->setText(QStringLiteral("text"));
  EXPECT_TRUE(Find<QPushButton>("butConvert")->isDefault());
  FocusOn(Find<QWidget>(GetParam().focus));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
  EXPECT_EQ(Find<StatusStrip>("picProgress")->Text().startsWith(QStringLiteral(" Finished")), GetParam().converts);
}

INSTANTIATE_TEST_SUITE_P(Table, ReturnTest,
                         ::testing::Values(ReturnCase{"cmbFormat", true}, ReturnCase{"cmbFonts", true},
                                           ReturnCase{"txtCharSet", true}, ReturnCase{"chkWWW", true},
                                           ReturnCase{"butConvert", true}, ReturnCase{"txtFooter", false},
                                           ReturnCase{"butHelp", false}));

// Alt+letter of each caption: the letter after "&".
QChar Mnemonic(const QString& caption) {
  const qsizetype at = caption.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toLower() : QChar();
}

TEST_F(KeyboardTest, EveryCaptionHasItsOwnAltKeyOnEachPage) {
  MainWindow& window = Start();
  auto* tabs = Find<QTabWidget>("SSTab1");
  for (int page = 0; page < tabs->count(); ++page) {
    std::map<QChar, QString> taken;
    const auto take = [&](const QString& caption, const QString& owner) {
      const QChar key = Mnemonic(caption);
      EXPECT_FALSE(key.isNull()) << owner.toStdString() << " has no Alt key";
      if (key.isNull()) return;
      const auto [clash, fresh] = taken.emplace(key, owner);
      EXPECT_TRUE(fresh) << owner.toStdString() << " and " << clash->second.toStdString() << " share Alt+"
                         << QString(key).toStdString();
    };
    for (int i = 0; i < tabs->count(); ++i) take(tabs->tabText(i), tabs->tabText(i));
    for (QWidget* widget : window.findChildren<QWidget*>()) {
      bool onOtherPage = false;
      for (int other = 0; other < tabs->count(); ++other) {
        onOtherPage = onOtherPage || (other != page && tabs->widget(other)->isAncestorOf(widget));
      }
      // Stop shows only while Convert does not, and is worked with Esc.
      if (onOtherPage || widget->objectName() == QStringLiteral("butStop")) continue;
      const auto* label = qobject_cast<QLabel*>(widget);
      const auto* button = qobject_cast<QAbstractButton*>(widget);
      if (button != nullptr && button->text().contains(QRegularExpression(QStringLiteral("\\w")))) {
        take(button->text(), widget->objectName());
      } else if (label != nullptr && label->buddy() != nullptr && label->text().contains(QLatin1Char('&'))) {
        take(label->text(), widget->objectName());
      } else if (const auto* group = qobject_cast<QGroupBox*>(widget); group && group->title().contains(QLatin1Char('&'))) {
        take(group->title(), widget->objectName());
      }
    }
  }
}

struct PageKeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  int page;  // from the first page
};

class PageKeyTest : public KeyboardTest, public ::testing::WithParamInterface<PageKeyCase> {};

TEST_P(PageKeyTest, TurnsThePageWhereverTheFocusIs) {
  StartActive();
  Find<QWidget>("cmbFormat")->setFocus();  // outside the pages
  QTest::keyClick(QApplication::focusWidget(), GetParam().key, GetParam().modifiers);
  EXPECT_EQ(Find<QTabWidget>("SSTab1")->currentIndex(), GetParam().page);
}

INSTANTIATE_TEST_SUITE_P(Table, PageKeyTest,
                         ::testing::Values(PageKeyCase{Qt::Key_Tab, Qt::ControlModifier, 1},
                                           PageKeyCase{Qt::Key_PageDown, Qt::ControlModifier, 1},
                                           PageKeyCase{Qt::Key_PageUp, Qt::ControlModifier, 3},
                                           PageKeyCase{Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 3}));

TEST_F(KeyboardTest, BarIsReachedWithTabAndWorkedWithSpace) {
  MainWindow& window = StartActive();
  Find<QWidget>("cmbFormat")->setFocus();
  for (int i = 0; i < 10 && !Find<QWidget>("lblAppSize")->hasFocus(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  ASSERT_TRUE(Find<QWidget>("lblAppSize")->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_TRUE(window.IsBar());
  // In the bar, Tab reaches only what the bar shows.
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(&window)) {
      EXPECT_TRUE(window.rect().contains(QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size())))
          << widget->objectName().toStdString();
    }
  }
}

TEST_F(KeyboardTest, EveryControlHasAnAccessibleName) {
  MainWindow& window = Start();
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    // The parts a combo box or the tab bar make for themselves are named through their owner.
    bool part = false;
    for (QWidget* owner = widget->parentWidget(); owner != nullptr; owner = owner->parentWidget()) {
      part = part || qobject_cast<QComboBox*>(owner) || qobject_cast<QTabBar*>(owner);
    }
    if (widget->focusPolicy() == Qt::NoFocus || part) continue;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
        << widget->metaObject()->className() << " " << widget->objectName().toStdString();
  }
}

// Up or Down in a file box opens its history and keeps the typed name.
TEST_F(KeyboardTest, DownOpensTheHistoryAndKeepsTheTypedName) {
  WriteIni("[Files]\nIn0=/old/one.txt\nIn1=/old/two.txt\nOut0=/old/one.html\n");
  StartActive();
  for (const char* name : {"cmbInFile", "cmbOutFile"}) {
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Up}) {
      auto* box = Find<QComboBox>(name);
      FocusOn(box);
      box->setEditText(QStringLiteral("/typed/name.txt"));
      QTest::keyClick(box, key);
      EXPECT_TRUE(box->view()->isVisible()) << name;
      EXPECT_EQ(box->currentText(), QStringLiteral("/typed/name.txt")) << name;
      box->hidePopup();
      EXPECT_EQ(box->currentText(), QStringLiteral("/typed/name.txt")) << name;
    }
  }
}

// Tab goes row by row, left to right, never back to an earlier row or column.
TEST_F(KeyboardTest, TabFollowsTheRowsOfTheTopOfTheWindow) {
  const struct {
    int format;
    std::vector<const char*> order;
  } cases[] = {
      {0, {"cmbFormat", "butExit", "butHelp", "lblAppSize", "chkCentre", "butConvert", "SSTab1"}},
      {4, {"cmbFormat", "cmbSeparator", "butExit", "butHelp", "lblAppSize", "butConvert", "SSTab1"}},
      {5, {"cmbFormat", "cmbSeparator", "butExit", "butHelp", "lblAppSize", "chkCentre", "chkButton", "butConvert"}},
      {6, {"cmbFormat", "chkLineBreaks", "butExit", "butHelp", "lblAppSize", "chkContents", "chkInlineMarks",
           "butConvert", "SSTab1"}},
  };
  StartActive();
  for (const auto& c : cases) {
    PickFormat(c.format);
    Find<QWidget>("cmbFormat")->setFocus();
    for (std::size_t i = 1; i < c.order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      QWidget* focus = QApplication::focusWidget();
      // Tab may land on a part (the tab bar) of the control named.
      while (focus != nullptr && (focus->objectName().isEmpty() || focus->objectName().startsWith(QStringLiteral("qt_")))) {
        focus = focus->parentWidget();
      }
      EXPECT_EQ(focus->objectName().toStdString(), c.order[i]) << "format " << c.format << ", step " << i;
    }
  }
}

// Screen readers name lists by their captions, and take Bar for the button it is.
TEST_F(KeyboardTest, ScreenReadersHearCaptionsAndAButton) {
  Start();
  const auto name = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
  const std::pair<int, const char*> separators[] = {{4, "Input Separator"}, {3, "List Type"}, {5, "Target"}};
  EXPECT_EQ(name(Find<QWidget>("cmbFormat")), QStringLiteral("Output Format"));
  for (const auto& [format, caption] : separators) {
    PickFormat(format);
    EXPECT_EQ(name(Find<QWidget>("cmbSeparator")), QString::fromLatin1(caption));
  }
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(Find<QWidget>("lblAppSize"));
  EXPECT_EQ(bar->role(), QAccessible::Button);
  EXPECT_EQ(bar->text(QAccessible::Name), QStringLiteral("Bar"));
  ASSERT_NE(bar->actionInterface(), nullptr);
  bar->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(window_->IsBar());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Find<QWidget>("lblWebAddress"))->role(), QAccessible::Link);
}

// Convert keeps its default frame (Return converts) after the focus has been away,
// as in a message box after a failed run.
TEST_F(KeyboardTest, ConvertStaysTheDefaultButtonAfterAnErrorBox) {
  StartActive();
  auto* convert = Find<QPushButton>("butConvert");
  Find<QComboBox>("cmbInFile")->setEditText(dir_.filePath(QStringLiteral("missing.txt")));
  convert->setFocus(Qt::MouseFocusReason);
  convert->click();
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window_->IsConverting(); }, kRunTimeoutMs));
  ASSERT_EQ(desktop_.messages.size(), 1u);
  for (const Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::TabFocusReason, Qt::PopupFocusReason}) {
    convert->setFocus(Qt::MouseFocusReason);
    QFocusEvent away(QEvent::FocusOut, reason);  // the error box takes the focus
    QApplication::sendEvent(convert, &away);
    EXPECT_TRUE(convert->isDefault()) << reason;
  }
}

}  // namespace
}  // namespace scrivane::testing
