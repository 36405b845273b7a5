// The interactive start: the application, the window filled from the store, and
// the event loop until the exit sequence has run.
#include <QApplication>

#include <cstdio>

#include "desktop.h"
#include "main_window.h"
#include "platform.h"
#include "settings.h"
#include "standalone_message.h"
#include "theme.h"
#include "ui.h"

namespace scrivane {

int RunMainWindow(int& argc, char** argv, AppSettings& settings) {
  // A display named but out of reach is told, not a reason to abort.
  const bool platformNamed = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
  PreferVisiblePlatforms();
  QApplication app(argc, argv);
  if (!platformNamed && IsInvisiblePlatform(QGuiApplication::platformName())) {
    std::fputs(NoDisplayText().c_str(), stderr);
    return 1;
  }
  QApplication::setApplicationName(QString::fromLatin1(kProgName));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
  // Lets the desktop match the window with its launcher entry (icon, name) under Wayland.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.scrivane"));
  ApplyPaletteFromEnvironment();
  QtDesktop desktop;
  MainWindow window(settings, desktop);
  QObject::connect(&window, &MainWindow::ExitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
  window.Load();
  window.show();
  return app.exec();
}

}  // namespace scrivane
