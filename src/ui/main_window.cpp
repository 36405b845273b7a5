// Placeholder window until the real one lands; replaced by the main window work.
#include <QApplication>
#include <QDialog>

#include "settings.h"
#include "ui.h"

namespace scrivane {

int RunMainWindow(int& argc, char** argv, AppSettings& /*settings*/) {
  QApplication app(argc, argv);
  QDialog window;
  window.setObjectName(QStringLiteral("frmMain"));
  window.show();
  return app.exec();
}

}  // namespace scrivane
