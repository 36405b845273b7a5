// Where the window opens: its whole title bar on a screen, whatever was stored,
// with the stored value left for the screen's return.
#include <QScreen>

#include "placement.h"
#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

const QRect kLeft(0, 0, 1920, 1040);        // a panel below
const QRect kRight(1920, 300, 1280, 1024);  // lower than its neighbour

struct PlaceCase {
  const char* name;
  QRect frame;  // title bar 30 high
  QList<QRect> screens;
  QPoint expected;
};

class TitleBarTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TitleBarTest, KeepsTheWholeTitleBarOnAScreen) {
  EXPECT_EQ(KeepTitleBarOnScreen(GetParam().frame, 30, GetParam().screens), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TitleBarTest,
    ::testing::Values(PlaceCase{"OnTheScreen", {100, 100, 600, 500}, {kLeft}, {100, 100}},
                      PlaceCase{"AcrossTwoScreens", {1700, 400, 600, 500}, {kLeft, kRight}, {1700, 400}},
                      PlaceCase{"ScreenRemoved", {2500, 400, 600, 500}, {kLeft}, {1320, 400}},
                      PlaceCase{"BelowTheBottom", {300, 1030, 600, 500}, {kLeft}, {300, 1010}},
                      PlaceCase{"AboveTheTop", {300, -200, 600, 500}, {kLeft, kRight}, {300, 0}},
                      PlaceCase{"FarAway", {-90000, 90000, 600, 500}, {kLeft, kRight}, {0, 1010}},
                      PlaceCase{"InTheGapBesideAScreen", {2000, 100, 600, 500}, {kLeft, kRight}, {1320, 100}},
                      PlaceCase{"MostlyOnTheRight", {3000, 500, 600, 500}, {kLeft, kRight}, {2600, 500}},
                      PlaceCase{"WiderThanTheScreen", {-100, 100, 2500, 500}, {kLeft}, {0, 100}}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

class ScreensTest : public WindowTest {
 protected:
  // True when the window's top strip, as high as a title bar, lies on the screen.
  bool TitleBarOnScreen() {
    const QRect screen = window_->screen()->availableGeometry();
    const QRect frame = window_->frameGeometry();
    return screen.contains(QRect(frame.topLeft(), QSize(frame.width(), 20)));
  }
};

TEST_F(ScreensTest, StoredPlaceOffTheScreensKeepsItsValue) {
  WriteIni("[General]\nPositionLeft=150000\nPositionTop=90000\n");
  MainWindow& window = Start();
  EXPECT_TRUE(TitleBarOnScreen()) << window.x() << "," << window.y();
  window.close();
  EXPECT_EQ(Stored("General", "PositionLeft"), QStringLiteral("150000"));
  EXPECT_EQ(Stored("General", "PositionTop"), QStringLiteral("90000"));
}

TEST_F(ScreensTest, MovedWindowStoresWhereItWasLeft) {
  WriteIni("[General]\nPositionLeft=150000\nPositionTop=90000\n");
  MainWindow& window = Start();
  window.move(30, 45);
  window.close();
  EXPECT_EQ(Stored("General", "PositionLeft"), QStringLiteral("450"));
  EXPECT_EQ(Stored("General", "PositionTop"), QStringLiteral("675"));
}

TEST_F(ScreensTest, RestoringABarAtTheBottomBringsTheWholeWindowBack) {
  MainWindow& window = Start();
  window.show();
  emit Find<ClickLabel>("lblAppSize")->clicked();
  window.move(window.x(), window.screen()->availableGeometry().bottom() - window.height() / 2);
  emit Find<ClickLabel>("lblAppSize")->clicked();
  EXPECT_FALSE(window.IsBar());
  EXPECT_TRUE(window.screen()->availableGeometry().contains(window.frameGeometry())) << window.x() << "," << window.y();
}

// A stored place near a screen's edge opens the whole window on the screen, since it fits.
TEST_F(ScreensTest, StoredPlaceAtAnEdgeOpensTheWholeWindow) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint places[] = {{100, screen.bottom() - 24}, {screen.right() - 30, 100}, {screen.right() - 10, screen.bottom() - 5}};
  for (const QPoint& place : places) {
    WriteIni(QStringLiteral("[General]\nPositionLeft=%1\nPositionTop=%2\n")
                 .arg(place.x() * 15)
                 .arg(place.y() * 15)
                 .toLatin1());
    MainWindow& window = Start();
    EXPECT_TRUE(screen.contains(window.frameGeometry())) << window.x() << "," << window.y();
    window_.reset();
  }
}

}  // namespace
}  // namespace scrivane::testing
