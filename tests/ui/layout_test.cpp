// Every control exists under its name, and every caption fits its box.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>
#include <QPushButton>
#include <QTimer>

#include <map>
#include <string>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

class LayoutTest : public WindowTest {};

TEST_F(LayoutTest, EveryControlCarriesItsName) {
  Start();
  for (const char* name :
       {"picSmall", "lblFormat", "cmbFormat", "lblSeparator", "cmbSeparator", "chkCentre", "chkButton",
        "lblAppSize", "lblMove", "butExit", "butConvert", "butHelp", "SSTab1", "picProgress", "lblBanner",
        "FrameInput", "optInput0", "optInput1", "cmbInFile", "butInBrowse", "FrameOutput", "optOutput0",
        "optOutput1", "cmbOutFile", "butOutBrowse", "chkWebPage", "FrameWebPage", "butBGColor", "PicBGColor",
        "txtBGColor", "butText", "PicTextColor", "txtTextColor", "picPage", "lblCharSet", "txtCharSet",
        "lblBGImage", "txtBGImage", "lblHeader", "txtHeader", "lblFooter", "txtFooter", "FrameDomains", "chkWWW",
        "chkFTP", "chkPunctuation", "chkEmailCheck", "FrameFont", "cmbFonts", "lblFontSize", "txtFontSize",
        "butFontColor", "picFontColor", "txtFontColor", "chkBanner", "FrameLogo", "lblProgName"}) {
    Find<QWidget>(name);
  }
  EXPECT_EQ(Find<QButtonGroup>("optInput")->buttons().size(), 2);
  EXPECT_EQ(Find<QTimer>("Timer1")->interval(), 5000);
  QStringList captions;
  auto* tabs = Find<QTabWidget>("SSTab1");
  for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i).remove(QLatin1Char('&'));
  EXPECT_EQ(captions, QStringList({"Input/Output", "Web Page properties", "General", "About"}));
}

// A caption is clipped when its box is narrower or lower than the text needs.
void ExpectFits(const QWidget* widget, const QString& shown) {
  QSize needed;
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    needed = qobject_cast<const QPushButton*>(widget)
                 ? QSize(widget->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() + 6,
                         widget->fontMetrics().height())
                 : widget->sizeHint();
  } else {
    needed = widget->sizeHint();
  }
  EXPECT_GE(widget->width(), needed.width()) << widget->objectName().toStdString() << ": " << shown.toStdString();
  EXPECT_GE(widget->height(), needed.height()) << widget->objectName().toStdString() << ": " << shown.toStdString();
}

TEST_F(LayoutTest, NoCaptionIsClipped) {
  MainWindow& window = Start();
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) ExpectFits(label, label->text());
  }
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (!button->text().isEmpty()) ExpectFits(button, button->text());
  }
  ExpectFits(Find<QComboBox>("cmbFormat"), QStringLiteral("longest format"));

  // The texts that change while the program runs fit as well.
  auto* option = Find<QLabel>("lblSeparator");
  for (int format : {3, 4, 5}) {
    PickFormat(format);
    ExpectFits(option, option->text());
  }
  auto* banner = Find<QLabel>("lblBanner");
  for (const QString& tip : MainWindow::BannerTips()) {
    banner->setText(tip);
    ExpectFits(banner, tip);
  }
  emit Find<ClickLabel>("lblAppSize")->clicked();
  ExpectFits(Find<QLabel>("lblAppSize"), QStringLiteral("Restore"));
}

// Controls that share a place take turns: whatever a format shows lies clear of the rest.
TEST_F(LayoutTest, NoFormatShowsOneControlOverAnother) {
  MainWindow& window = Start();
  for (int format = 0; format < kFormatCount; ++format) {
    PickFormat(format);
    std::vector<const QWidget*> shown;
    for (const QWidget* widget : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (widget->isVisibleTo(&window)) shown.push_back(widget);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
      for (std::size_t j = i + 1; j < shown.size(); ++j) {
        EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
            << "format " << format << ": " << shown[i]->objectName().toStdString() << " and "
            << shown[j]->objectName().toStdString();
      }
    }
  }
}

TEST_F(LayoutTest, WindowFitsASmallScreen) {
  MainWindow& window = Start();
  EXPECT_LE(window.width(), 1024);
  EXPECT_LE(window.height(), 700);
  EXPECT_EQ(window.minimumHeight(), window.maximumHeight());  // fixed height
}

// A wider window gives the file names and page texts the room; the rest stays.
TEST_F(LayoutTest, WideningStretchesTheTextBoxes) {
  MainWindow& window = Start();
  window.show();
  const char* stretched[] = {"cmbInFile", "cmbOutFile", "txtHeader", "txtBGImage", "txtFooter", "SSTab1", "picProgress"};
  const char* moved[] = {"butInBrowse", "butOutBrowse"};
  const char* kept[] = {"cmbFormat", "butConvert", "butExit", "picPage", "txtBGColor"};
  std::map<std::string, QRect> before;
  for (QWidget* widget : window.findChildren<QWidget*>()) before[widget->objectName().toStdString()] = widget->geometry();
  const int height = window.height();
  window.resize(window.width() + 200, height + 100);
  QApplication::processEvents();
  EXPECT_EQ(window.height(), height);
  for (const char* name : stretched) {
    EXPECT_EQ(Find<QWidget>(name)->width(), before[name].width() + 200) << name;
  }
  for (const char* name : moved) EXPECT_EQ(Find<QWidget>(name)->x(), before[name].x() + 200) << name;
  for (const char* name : kept) EXPECT_EQ(Find<QWidget>(name)->geometry(), before[name]) << name;
  auto* offer = Find<QPushButton>("butOpenResult");  // the strip's button stays at its right end
  EXPECT_EQ(Find<QWidget>("picProgress")->width() - offer->geometry().right(),
            before["picProgress"].width() - before["butOpenResult"].right());
  window.resize(window.width() - 500, height);  // never narrower than the design
  QApplication::processEvents();
  EXPECT_EQ(Find<QWidget>("cmbInFile")->geometry(), before["cmbInFile"]);
}

// Each list opens as wide as its widest entry, however narrow its box.
TEST_F(LayoutTest, ListsOpenAsWideAsTheirEntries) {
  MainWindow& window = Start();
  window.show();
  auto* list = Find<QComboBox>("cmbSeparator");
  for (const int format : {3, 4, 5}) {
    PickFormat(format);
    list->showPopup();
    QApplication::processEvents();
    for (int i = 0; i < list->count(); ++i) {
      EXPECT_GE(list->view()->viewport()->width(), list->fontMetrics().horizontalAdvance(list->itemText(i)) + 8)
          << list->itemText(i).toStdString();
    }
    list->hidePopup();
  }
}

}  // namespace
}  // namespace scrivane::testing
