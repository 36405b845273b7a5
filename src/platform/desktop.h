// What the main window asks of the desktop: file and colour dialogs, message
// boxes, the beep, the help viewer and web links (behind one interface so tests
// can answer instead of a person), plus the clipboard and the topmost bar.
#pragma once

#include <QColor>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace scrivane {

// The icon a message box shows.
enum class MessageIcon { None, Information, Warning };

// The desktop services the window uses; the program uses QtDesktop.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // The file picked in an Open dialog with the given Qt name filters, starting in
  // `folder` ("" for the current one), or "" when cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& filters, const QString& folder) = 0;
  // The file picked in a Save dialog; `defaultSuffix` is added to a name typed without one.
  virtual QString SaveFileName(QWidget* parent, const QString& filters, const QString& defaultSuffix) = 0;
  // The colour picked in a colour chooser, or nullopt when cancelled.
  virtual std::optional<QColor> ChooseColour(QWidget* parent, const QColor& initial) = 0;
  // Shows a message box with an OK button and waits for it to be closed.
  virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) = 0;
  // Asks a yes-or-no question whose default answer (Return) is No; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& title, const QString& text) = 0;
  // Sounds the system beep.
  virtual void Beep() = 0;
  // Opens the in-app help viewer on `document` (a resource or file URL) at its start.
  virtual void ShowHelp(QWidget* parent, const QUrl& document) = 0;
  // Hands a web or mail address, or a local file, to the desktop's browser or mail
  // program. When none takes it, `failed` gets the reason, later perhaps, and only
  // while `context` lives.
  virtual void OpenUrl(const QUrl& url, QObject* context, std::function<void(const QString& reason)> failed) = 0;
};

// The real desktop: Qt's dialogs, QMessageBox, QTextBrowser help and QDesktopServices.
class QtDesktop : public Desktop {
 public:
  QString OpenFileName(QWidget* parent, const QString& filters, const QString& folder) override;
  QString SaveFileName(QWidget* parent, const QString& filters, const QString& defaultSuffix) override;
  std::optional<QColor> ChooseColour(QWidget* parent, const QColor& initial) override;
  void ShowMessage(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) override;
  bool Confirm(QWidget* parent, const QString& title, const QString& text) override;
  void Beep() override;
  void ShowHelp(QWidget* parent, const QUrl& document) override;
  void OpenUrl(const QUrl& url, QObject* context, std::function<void(const QString& reason)> failed) override;
};

// The clipboard's text ("" when it holds none).
QString ClipboardText();

// Replaces the clipboard's contents with `text`.
void SetClipboardText(const QString& text);

// Gives a top-level window new flags (a frameless bar kept above the others, or its
// normal frame again), leaving its client area where it was on the screen.
void ChangeWindowFlags(QWidget* window, Qt::WindowFlags flags);

}  // namespace scrivane
