#include <QTabWidget>
#include <QLabel>
#include "ui_test_util.h"
#include "widgets.h"
namespace scrivane::testing {
TEST_F(WindowTest, GrabProbe) {
  MainWindow& w = Start();
  w.show();
  auto* tab = Find<QTabWidget>("SSTab1");
  for (int i = 0; i < 4; ++i) { tab->setCurrentIndex(i); QApplication::processEvents(); w.grab().save(QStringLiteral("/tmp/probe%1.png").arg(i)); }
  QLabel* l = Find<QLabel>("lblAppSize"); emit static_cast<ClickLabel*>(static_cast<QWidget*>(l))->clicked();
  QApplication::processEvents(); w.grab().save("/tmp/probebar.png");
  printf("scale %f size %dx%d\n", w.Layout().Scale(), w.width(), w.height());
}
}
