// What only a real window manager shows: where the framed window opens, how far the
// bar can be dragged, and the Replace? question as a dialog. These run under
// under_window_manager.sh (Xvfb and openbox) and are skipped elsewhere.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "ui_test_util.h"
#include "widgets.h"

namespace scrivane::testing {
namespace {

constexpr int kSettleMs = 400;

class WindowManagerTest : public WindowTest {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
      GTEST_SKIP() << "needs a window manager: run through tests/ui/under_window_manager.sh";
    }
  }
  MainWindow& StartShown() {
    MainWindow& window = Start();
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(kSettleMs);  // the manager frames and places the window
    return window;
  }
  QRect Screen() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(WindowManagerTest, StoredPlaceAtTheBottomShowsTheWholeFramedWindow) {
  const QPoint places[] = {{100, Screen().bottom() - 24}, {Screen().right() - 40, 60}, {-300, -300}};
  for (const QPoint& place : places) {
    WriteIni(QStringLiteral("[General]\nPositionLeft=%1\nPositionTop=%2\n")
                 .arg(place.x() * 15)
                 .arg(place.y() * 15)
                 .toLatin1());
    MainWindow& window = StartShown();
    EXPECT_TRUE(Screen().contains(window.frameGeometry()))
        << place.x() << "," << place.y() << ": frame at " << window.frameGeometry().x() << ","
        << window.frameGeometry().y() << " size " << window.frameGeometry().width() << "x"
        << window.frameGeometry().height();
    window_.reset();
  }
}

TEST_F(WindowManagerTest, BarGripCannotBeDraggedOffTheScreen) {
  MainWindow& window = StartShown();
  emit Find<ClickLabel>("lblAppSize")->clicked();
  QTest::qWait(kSettleMs);
  auto* grip = Find<QLabel>("lblMove");
  for (const QPointF pointer : {QPointF(-3000, -3000), QPointF(5000, 5000), QPointF(500, 5000)}) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), grip->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grip, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(6, 6), pointer, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grip, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(6, 6), pointer, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(grip, &release);
    QTest::qWait(kSettleMs);
    const QRect inBar = grip->geometry().intersected(window.rect());
    EXPECT_TRUE(Screen().contains(QRect(window.mapToGlobal(inBar.topLeft()), inBar.size())))
        << pointer.x() << "," << pointer.y() << ": bar at " << window.x() << "," << window.y();
  }
}

// Return in the Replace? question answers No: the file stays.
TEST_F(WindowManagerTest, ReturnInTheReplaceQuestionKeepsTheFile) {
  WriteIni("[General]\nInput=1\nOutput=1\n");  // file to file
  Start();
  window_.reset();
  QtDesktop desktop;
  MainWindow window(*settings_, desktop);
  window.Load();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QString input = MakeFile(QStringLiteral("notes.txt"), "new text\n");
  const QString output = MakeFile(QStringLiteral("notes.html"), "the user's own page");
  window.findChild<QComboBox*>(QStringLiteral("cmbInFile"))->setEditText(input);
  window.findChild<QComboBox*>(QStringLiteral("cmbOutFile"))->setEditText(output);
  QString asked;
  QTimer::singleShot(kSettleMs, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    asked = box->windowTitle() + QLatin1Char('|') + box->text();
    QTest::keyClick(box, Qt::Key_Return);
  });
  window.findChild<QPushButton*>(QStringLiteral("butConvert"))->click();
  EXPECT_TRUE(asked.startsWith(QStringLiteral("Replace?|"))) << asked.toStdString();
  EXPECT_TRUE(asked.contains(QStringLiteral("notes.html"))) << asked.toStdString();
  EXPECT_FALSE(window.IsConverting());
  QFile file(output);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("the user's own page"));
}

}  // namespace
}  // namespace scrivane::testing
