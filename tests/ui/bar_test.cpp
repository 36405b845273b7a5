// Bar mode, moving the bar, and the banner switch.
#include <QCheckBox>
#include <QComboBox>
#include <QScreen>
#include <QTest>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

class BarTest : public WindowTest {
 protected:
  void ToggleBar() { emit Find<ClickLabel>("lblAppSize")->clicked(); }
  int Px(int twips) { return window_->Layout().Px(twips); }
  int Right(const char* name) { return Find<QWidget>(name)->geometry().right() + 1; }
  int Bottom(const char* name) { return Find<QWidget>(name)->geometry().bottom() + 1; }
  void Drag(Qt::MouseButton button, QPointF global) {
    auto* grip = Find<QLabel>("lblMove");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), global, button, button, Qt::NoModifier);
    QApplication::sendEvent(grip, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(6, 6), global, Qt::NoButton, button, Qt::NoModifier);
    QApplication::sendEvent(grip, &move);
  }
};

TEST_F(BarTest, BarSizesAndRestore) {
  MainWindow& window = Start();
  window.show();
  const QSize normal = window.size();
  // The normal window ends just right of Help and just below the banner.
  EXPECT_NEAR(normal.width(), Right("butHelp") + Px(210), 1);
  EXPECT_NEAR(normal.height(), Bottom("lblBanner") + Px(120), 1);
  const QPoint place = window.mapToGlobal(QPoint(0, 0));

  ToggleBar();
  EXPECT_TRUE(window.IsBar());
  EXPECT_EQ(Find<QLabel>("lblAppSize")->text(), QStringLiteral("Restore"));
  EXPECT_EQ(window.windowTitle(), QString());
  EXPECT_NEAR(window.width(), Right("butExit") + Px(200), 1);
  EXPECT_NEAR(window.height(), Bottom("butConvert") + Px(200), 1);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Find<QLabel>("lblMove")->isVisibleTo(&window));
  EXPECT_EQ(window.mapToGlobal(QPoint(0, 0)), place);  // the bar stays where the window was

  ToggleBar();
  EXPECT_FALSE(window.IsBar());
  EXPECT_EQ(Find<QLabel>("lblAppSize")->text(), QStringLiteral("Bar"));
  EXPECT_EQ(window.size(), normal);
  EXPECT_EQ(window.windowTitle(), MainWindow::Caption());
  EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(Find<QLabel>("lblMove")->isVisibleTo(&window));
}

TEST_F(BarTest, LeftDragMovesTheBarRightDragDoesNot) {
  MainWindow& window = Start();
  window.show();
  ToggleBar();
  const QPoint before = window.pos();
  const QPointF pointer(400.0, 300.0);
  Drag(Qt::RightButton, pointer);
  EXPECT_EQ(window.pos(), before);

  Drag(Qt::LeftButton, pointer);
  auto* grip = Find<QLabel>("lblMove");
  // The pointer sits half the grip's size in from the bar's right and bottom edges.
  EXPECT_NEAR(window.x(), pointer.x() - (window.width() - 0.5 * grip->width()), 1.0);
  EXPECT_NEAR(window.y(), pointer.y() - (window.height() - 0.5 * grip->height()), 1.0);
  EXPECT_EQ(grip->cursor().shape(), Qt::SizeAllCursor);
}

TEST_F(BarTest, NoDraggingOutsideBarMode) {
  MainWindow& window = Start();
  const QPoint before = window.pos();
  Drag(Qt::LeftButton, QPointF(300.0, 200.0));
  EXPECT_EQ(window.pos(), before);
}

TEST_F(BarTest, DisablingBannersShortensTheWindow) {
  MainWindow& window = Start();
  const int full = window.height();
  auto* banner = Find<QLabel>("lblBanner");
  const int bannerHeight = banner->height();
  Find<QCheckBox>("chkBanner")->click();
  EXPECT_TRUE(banner->isHidden());
  EXPECT_EQ(banner->height(), 0);
  EXPECT_EQ(window.height(), full - bannerHeight);
  Find<QCheckBox>("chkBanner")->click();
  EXPECT_FALSE(banner->isHidden());
  EXPECT_EQ(banner->height(), bannerHeight);
  EXPECT_EQ(window.height(), full);
}

TEST_F(BarTest, DisabledBannersStayDisabledAfterARestart) {
  for (const char* ini : {"[General]\nDisableBanners=1\n", "[General]\nTitle=older store\n"}) {
    WriteIni(ini);
    const bool disabled = QByteArray(ini).contains("DisableBanners");
    MainWindow& window = Start();
    EXPECT_EQ(Find<QLabel>("lblBanner")->isHidden(), disabled) << ini;
    EXPECT_EQ(window.height(), Px(5250 + (disabled ? 0 : 435) + 120)) << ini;  // the banner's height, or none
    Find<QCheckBox>("chkBanner")->click();
    EXPECT_EQ(Stored("General", "DisableBanners"), disabled ? QStringLiteral("0") : QStringLiteral("1"));
  }
}

TEST_F(BarTest, TimerRotatesTheBanner) {
  MainWindow& window = Start();
  auto* banner = Find<QLabel>("lblBanner");
  QStringList seen{banner->text()};
  for (int i = 1; i < MainWindow::BannerTips().size(); ++i) {
    window.OnTimerTick();
    seen << banner->text();
  }
  seen.removeDuplicates();
  EXPECT_EQ(seen.size(), MainWindow::BannerTips().size());
  window.OnTimerTick();
  EXPECT_EQ(banner->text(), seen.first());  // round and round
}

// A failure reported in the bar is still there after Restore.
TEST_F(BarTest, FailureShownInTheBarSurvivesRestore) {
  WriteIni("[General]\nInput=1\nOutput=1\n");
  MainWindow& window = Start();
  window.show();
  ToggleBar();
  const QString missing = dir_.filePath(QStringLiteral("missing.txt"));
  Find<QComboBox>("cmbInFile")->setEditText(missing);
  Find<QPushButton>("butConvert")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsConverting(); }, 20000));
  EXPECT_TRUE(Find<QLabel>("lblBarStatus")->toolTip().contains(missing));
  ToggleBar();
  EXPECT_TRUE(Find<StatusStrip>("picProgress")->Text().contains(missing));
}

// The bar cannot be dragged so far that its grip leaves the screen.
TEST_F(BarTest, GripStaysOnTheScreen) {
  MainWindow& window = Start();
  window.show();
  ToggleBar();
  const QRect screen = window.screen()->availableGeometry();
  const QPointF pointers[] = {{-5000.0, -5000.0}, {5000.0, 5000.0}, {-5000.0, 5000.0}, {5000.0, -5000.0},
                              {screen.center().x() * 1.0, 1e6}};
  for (const QPointF& pointer : pointers) {
    Drag(Qt::LeftButton, pointer);
    auto* grip = Find<QLabel>("lblMove");
    const QRect inBar = grip->geometry().intersected(window.rect());
    const QRect onScreen(window.mapToGlobal(inBar.topLeft()), inBar.size());
    EXPECT_TRUE(screen.contains(onScreen)) << pointer.x() << "," << pointer.y() << ": grip at " << onScreen.x() << ","
                                           << onScreen.y() << " on " << screen.width() << "x" << screen.height();
  }
}

}  // namespace
}  // namespace scrivane::testing
