// A message box for a program that has no window of its own.
#include "standalone_message.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>

namespace scrivane {

void PreferVisiblePlatforms() {
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
  qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb;offscreen" : "wayland;xcb;offscreen");
}

bool IsInvisiblePlatform(const QString& name) {
  return name == QStringLiteral("offscreen") || name == QStringLiteral("minimal");
}

void ShowStandaloneMessage(const RunMessage& message) {
  std::unique_ptr<QApplication> application;
  if (QApplication::instance() == nullptr) {
    // A display that cannot be reached must not abort the program: with the
    // offscreen platform to fall back to, nothing is shown (a modal box there would wait forever).
    PreferVisiblePlatforms();
    static int argc = 1;
    static char name[] = "scrivane";
    static char* argv[] = {name, nullptr};
    application = std::make_unique<QApplication>(argc, argv);
  }
  if (IsInvisiblePlatform(QGuiApplication::platformName())) return;
  QMessageBox box(message.warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                  message.title.empty() ? QString::fromUtf8(kProgName) : QString::fromStdString(message.title),
                  QString::fromStdString(message.text), QMessageBox::Ok);
  box.exec();
}

}  // namespace scrivane
