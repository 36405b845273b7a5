// Qt's dialogs and desktop services behind the Desktop interface.
#include "desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

namespace scrivane {
namespace {

constexpr const char* kHelpViewerName = "helpViewer";

// A non-modal window with the help document; one per parent, raised when opened again.
QDialog* HelpViewer(QWidget* parent) {
  if (parent) {
    if (auto* existing = parent->findChild<QDialog*>(QString::fromLatin1(kHelpViewerName))) return existing;
  }
  auto* viewer = new QDialog(parent);
  viewer->setObjectName(QString::fromLatin1(kHelpViewerName));
  viewer->setWindowTitle(QApplication::applicationName() + QStringLiteral(" Help"));
  viewer->resize(680, 560);
  if (!parent) viewer->setAttribute(Qt::WA_DeleteOnClose);
  auto* browser = new QTextBrowser(viewer);
  browser->setObjectName(QStringLiteral("helpBrowser"));
  browser->setOpenExternalLinks(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, viewer);
  QObject::connect(buttons, &QDialogButtonBox::rejected, viewer, &QDialog::close);
  auto* layout = new QVBoxLayout(viewer);
  layout->addWidget(browser);
  layout->addWidget(buttons);
  return viewer;
}

}  // namespace

QString QtDesktop::OpenFileName(QWidget* parent, const QString& filters) {
  return QFileDialog::getOpenFileName(parent, QString(), QString(), filters);
}

QString QtDesktop::SaveFileName(QWidget* parent, const QString& filters, const QString& defaultSuffix) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filters);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

std::optional<QColor> QtDesktop::ChooseColour(QWidget* parent, const QColor& initial) {
  const QColor colour = QColorDialog::getColor(initial, parent);
  if (!colour.isValid()) return std::nullopt;
  return colour;
}

void QtDesktop::ShowMessage(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  box.setText(text);
  box.setStandardButtons(QMessageBox::Ok);
  switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
  }
  box.exec();
}

void QtDesktop::Beep() { QApplication::beep(); }

void QtDesktop::ShowHelp(QWidget* parent, const QUrl& document) {
  QDialog* viewer = HelpViewer(parent);
  auto* browser = viewer->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
  browser->setSource(document);
  browser->home();
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

void QtDesktop::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

QString ClipboardText() { return QApplication::clipboard()->text(); }

void SetClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }

void SetTopmostBar(QWidget* window, bool bar) {
  // Changing these flags re-creates the native window, which hides it and may let the
  // window manager place it anew; put the client area back where it was.
  const QPoint clientTopLeft = window->mapToGlobal(QPoint(0, 0));
  const bool wasVisible = window->isVisible();
  window->setWindowFlag(Qt::WindowStaysOnTopHint, bar);
  window->setWindowFlag(Qt::FramelessWindowHint, bar);
  if (wasVisible) window->show();
  const QPoint frameOffset = window->geometry().topLeft() - window->frameGeometry().topLeft();
  window->move(clientTopLeft - frameOffset);
}

}  // namespace scrivane
