// Colours the window sets itself stay readable (4.5:1) on light and dark desktops,
// also when the desktop switches while the window is open; the fixed-size window
// asks for no maximise button, and the bar for no frame.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabBar>

#include <algorithm>

#include "theme.h"
#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

// The colour drawn behind a widget: that of the nearest one that fills its background.
QColor Behind(const QWidget* widget) {
  while (!widget->autoFillBackground() && !widget->isWindow()) widget = widget->parentWidget();
  return widget->palette().color(QPalette::Window);
}

// Every text of the window against what it is drawn on.
void ExpectReadable(const QWidget& window, const char* desktop) {
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    // Hidden and disabled controls, pictures, and the combo's own parts are not read.
    const auto* label = qobject_cast<const QLabel*>(widget);
    if (widget->isHidden() || !widget->isEnabled() || (label && label->text().isEmpty()) ||
        qobject_cast<const QComboBox*>(widget->parentWidget())) {
      continue;
    }
    const QPalette& palette = widget->palette();
    QColor text, background;
    const auto* combo = qobject_cast<const QComboBox*>(widget);
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
        (combo && combo->isEditable())) {
      text = palette.color(QPalette::Text), background = palette.color(QPalette::Base);
    } else if (qobject_cast<const QPushButton*>(widget) || combo) {
      text = palette.color(QPalette::ButtonText), background = palette.color(QPalette::Button);
    } else if (label || qobject_cast<const QAbstractButton*>(widget) ||
               qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QTabBar*>(widget) ||
               qobject_cast<const StatusStrip*>(widget)) {
      text = palette.color(QPalette::WindowText), background = Behind(widget);
    } else {
      continue;
    }
    EXPECT_GE(ContrastRatio(text, background), 4.5)
        << desktop << ": " << widget->objectName().toStdString() << " " << text.name().toStdString() << " on "
        << background.name().toStdString();
  }
}

TEST(Contrast, MeasuresAsTheGuidelinesDo) {
  EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
  EXPECT_EQ(ReadableOn(QColor(0x2A, 0x82, 0xDA), QColor(0x35, 0x35, 0x35), Qt::white), QColor(Qt::white));
  EXPECT_FALSE(IsDark(LightPalette()));
  EXPECT_TRUE(IsDark(DarkPalette()));
}

class LookTest : public WindowTest {
 protected:
  ~LookTest() override { QApplication::setPalette(original_); }
  const QPalette original_ = QApplication::palette();
};

TEST_F(LookTest, TextsReadOnLightAndDarkDesktops) {
  QApplication::setPalette(DarkPalette());
  MainWindow& window = Start();
  ExpectReadable(window, "dark");
  EXPECT_TRUE(IsDark(window.palette()));  // the window follows a dark desktop
  QApplication::setPalette(LightPalette());  // switched while open
  QApplication::processEvents();
  ExpectReadable(window, "light");
  EXPECT_EQ(window.palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
  QApplication::setPalette(DarkPalette());
  QApplication::processEvents();
  ExpectReadable(window, "dark again");
}

TEST_F(LookTest, FixedHeightWindowHasNoMaximiseButtonAndTheBarNoFrame) {
  MainWindow& window = Start();
  window.show();
  for (int toggle = 0; toggle < 3; ++toggle) {
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.minimumHeight(), window.maximumHeight());  // only the window grows wider
    EXPECT_EQ(window.minimumWidth() == window.maximumWidth(), window.IsBar());
    // The bar has no frame (which title bar buttons would bring back); the window its own.
    EXPECT_EQ(bool(window.windowFlags() & Qt::FramelessWindowHint), window.IsBar());
    EXPECT_EQ(bool(window.windowFlags() & Qt::WindowTitleHint), !window.IsBar());
    emit Find<ClickLabel>("lblAppSize")->clicked();
  }
}

// A greyed-out control's caption is drawn fainter than a live one's, on either desktop.
TEST_F(LookTest, DisabledCaptionsLookDisabled) {
  for (const bool dark : {false, true}) {
    QApplication::setPalette(dark ? DarkPalette() : LightPalette());
    Start();
    auto* box = Find<QAbstractButton>("chkNewTab");  // for modern pages only
    ASSERT_FALSE(box->isEnabled());
    const QPalette& palette = box->palette();
    EXPECT_NE(palette.color(QPalette::Disabled, QPalette::WindowText),
              palette.color(QPalette::Active, QPalette::WindowText))
        << (dark ? "dark" : "light");
    window_.reset();
  }
}

// The edge of a radio button or check box stands out from what is behind it (3:1),
// checked or not, on a light and a dark desktop.
TEST_F(LookTest, ControlEdgesStandOut) {
  for (const bool dark : {false, true}) {
    QApplication::setPalette(dark ? DarkPalette() : LightPalette());
    MainWindow& window = Start();
    window.show();
    QApplication::processEvents();
    for (const char* name : {"optInput0", "optInput1", "chkCentre"}) {
      auto* button = Find<QAbstractButton>(name);
      const QImage image = button->grab().toImage();
      const QColor behind = Behind(button);
      QStyleOptionButton option;
      option.initFrom(button);
      const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
      const QRect box = button->style()->subElementRect(
          radio ? QStyle::SE_RadioButtonIndicator : QStyle::SE_CheckBoxIndicator, &option, button);
      double best = 0;
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          if (image.rect().contains(x, y)) best = std::max(best, ContrastRatio(image.pixelColor(x, y), behind));
        }
      }
      EXPECT_GE(best, 3.0) << (dark ? "dark " : "light ") << name << (button->isChecked() ? " checked" : "");
    }
    window_.reset();
  }
}

}  // namespace
}  // namespace scrivane::testing
