// Qt's dialogs and desktop services behind the Desktop interface.
#include "desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
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

// What an exit status of xdg-open means.
QString OpenerFailure(int status) {
  switch (status) {
    case 2: return QStringLiteral("the file was not found");
    case 3: return QStringLiteral("no program to open it was found");
    case 4: return QStringLiteral("the program that should open it did not start");
    default: return QStringLiteral("xdg-open failed with status %1").arg(status);
  }
}

}  // namespace

QString QtDesktop::OpenFileName(QWidget* parent, const QString& filters, const QString& folder) {
  return QFileDialog::getOpenFileName(parent, QString(), folder, filters);
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

bool QtDesktop::Confirm(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("confirmBox"));
  box.setWindowTitle(title);
  box.setText(text);
  box.setIcon(QMessageBox::Question);
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
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

void QtDesktop::OpenUrl(const QUrl& url, QObject* context, std::function<void(const QString& reason)> failed) {
  if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
    failed(QStringLiteral("the file no longer exists"));
    return;
  }
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    if (!QDesktopServices::openUrl(url)) failed(QStringLiteral("no program to open it was found"));
    return;
  }
  // xdg-open tells how it went only by its exit status, which handing the address
  // to QDesktopServices would lose: a browser that cannot start would go unnoticed.
  auto* process = new QProcess(qApp);
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  QElapsedTimer started;
  started.start();
  QObject::connect(process, &QProcess::finished, context, [failed, started](int status, QProcess::ExitStatus) {
    // A late end is a browser that ran in xdg-open's place and has been closed.
    constexpr qint64 kHandOverMs = 10000;
    if (status != 0 && started.elapsed() < kHandOverMs) failed(OpenerFailure(status));
  });
  QObject::connect(process, &QProcess::errorOccurred, context, [failed, process](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) failed(QStringLiteral("xdg-open could not be started: ") + process->errorString());
  });
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  QObject::connect(process, &QProcess::errorOccurred, process, &QObject::deleteLater);
  process->start(opener, {url.toString(QUrl::FullyEncoded)});
}

QString ClipboardText() { return QApplication::clipboard()->text(); }

void SetClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }

void ChangeWindowFlags(QWidget* window, Qt::WindowFlags flags) {
  // Changing the flags re-creates the native window, which hides it and may let the
  // window manager place it anew; put the client area back where it was.
  const QPoint clientTopLeft = window->mapToGlobal(QPoint(0, 0));
  const bool wasVisible = window->isVisible();
  window->setWindowFlags(flags);
  if (wasVisible) window->show();
  const QPoint frameOffset = window->geometry().topLeft() - window->frameGeometry().topLeft();
  window->move(clientTopLeft - frameOffset);
}

}  // namespace scrivane
