// Shared helpers of the window tests: a headless application, a private settings
// folder per test, a store that records its writes, and a desktop that answers
// the dialogs instead of a person.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "desktop.h"
#include "main_window.h"
#include "settings.h"

namespace scrivane::testing {

// A settings store that keeps a log of every write.
class RecordingStore : public SettingsStore {
 public:
  struct Entry {
    QString section, key, value;
  };
  explicit RecordingStore(const QString& path) : SettingsStore(path) {}
  void Write(const QString& section, const QString& key, const QString& value) override {
    writes.push_back({section, key, value});
    SettingsStore::Write(section, key, value);
  }
  std::vector<Entry> writes;
};

// Answers the window's dialogs from prepared values and notes what was asked.
class StubDesktop : public Desktop {
 public:
  struct Message {
    QString title, text;
    MessageIcon icon;
  };
  QString OpenFileName(QWidget*, const QString& filters, const QString& folder) override {
    openFilters = filters;
    openFolder = folder;
    return openAnswer;
  }
  QString SaveFileName(QWidget*, const QString& filters, const QString& suffix) override {
    ++saveDialogs;
    saveFilters = filters;
    saveSuffix = suffix;
    return saveAnswer;
  }
  std::optional<QColor> ChooseColour(QWidget*, const QColor&) override { return colourAnswer; }
  void ShowMessage(QWidget*, const QString& title, const QString& text, MessageIcon icon) override {
    messages.push_back({title, text, icon});
  }
  bool Confirm(QWidget*, const QString& title, const QString& text) override {
    questions.push_back({title, text, MessageIcon::None});
    return confirmAnswer;
  }
  void Beep() override { ++beeps; }
  void ShowHelp(QWidget*, const QUrl& document) override { helpShown.push_back(document); }
  void OpenUrl(const QUrl& url, QObject*, std::function<void(const QString&)> failed) override {
    urlsOpened.push_back(url);
    if (!openFailure.isEmpty()) failed(openFailure);
  }

  QString openAnswer, saveAnswer;
  QString openFailure;  // why OpenUrl fails; "" for success
  std::optional<QColor> colourAnswer;
  bool confirmAnswer = false;  // what Confirm answers
  QString openFilters, openFolder, saveFilters, saveSuffix;
  int saveDialogs = 0;
  int beeps = 0;
  std::vector<Message> messages, questions;
  std::vector<QUrl> helpShown, urlsOpened;
};

// One window over a private XDG_CONFIG_HOME; Start builds it from what the INI file holds.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  // Writes the settings file by hand before Start.
  void WriteIni(const QByteArray& text);
  // Builds the window from the store, as start-up does (histories, position, options).
  MainWindow& Start();
  // The control named `name`; fails the test when missing.
  template <typename T>
  T* Find(const char* name) {
    T* widget = window_->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // The stored text, or nullopt.
  std::optional<QString> Stored(const char* section, const char* key) const;
  // Keys written since the last call, in order.
  std::vector<QString> TakeWrittenKeys();
  // Picks list entry `position` in cmbFormat as a user would.
  void PickFormat(int position);
  // Sends the focus-leaving event a control gets when the user moves on.
  void LeaveControl(QWidget* widget);
  // A file in the test's folder with `text` in it; returns its path.
  QString MakeFile(const QString& name, const QByteArray& text);

  QTemporaryDir dir_;
  QString iniPath_;
  std::unique_ptr<RecordingStore> store_;
  std::unique_ptr<AppSettings> settings_;
  StubDesktop desktop_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace scrivane::testing
