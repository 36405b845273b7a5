// Shared helpers of the scrivane-convert tests: the program run as a
// subprocess in a private folder, with private settings and no display.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "headless_program.h"

namespace scrivane::testing_support {


// A private folder that is the program's working folder, home and settings home.
class Sandbox {
 public:
  Sandbox() { QDir(dir_.path()).mkpath(QStringLiteral("config/Scrivan")); }

  QString Folder() const { return dir_.path(); }
  // `name` inside the folder.
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // Writes a file (folders made as needed).
  void Write(const QString& name, const QByteArray& bytes) const {
    QDir().mkpath(QFileInfo(Path(name)).path());
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  // A file's bytes, "" when it is missing.
  std::string Read(const QString& name) const {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
  }
  bool Exists(const QString& name) const { return QFileInfo::exists(Path(name)); }

  // Writes the settings store the window would have left.
  void StoreSettings(const QByteArray& ini) const { Write(QStringLiteral("config/Scrivan/Scrivan.ini"), ini); }

  // Runs scrivane-convert in the folder, feeding `input` to its standard input.
  Outcome Run(const QStringList& arguments, const QByteArray& input = {}) const {
    return RunHeadless(QStringLiteral(SCRIVANE_CONVERT), arguments, dir_.path(), dir_.path(), input);
  }

  // Starts scrivane-convert in the folder and leaves it running.
  std::unique_ptr<QProcess> Start(const QStringList& arguments) const {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(HeadlessEnvironment(dir_.path()));
    process->setWorkingDirectory(dir_.path());
    process->start(QStringLiteral(SCRIVANE_CONVERT), arguments);
    process->closeWriteChannel();
    EXPECT_TRUE(process->waitForStarted());
    return process;
  }

 private:
  QTemporaryDir dir_;
};

// The date line and the selection box's form name differ from run to run.
inline std::string Masked(const std::string& document) {
  static const std::regex date("Date: [^\r\n]*");
  static const std::regex formName("\\b(FN|SN)[0-9]+\\b");
  return std::regex_replace(std::regex_replace(document, date, "Date: (masked)"), formName, "$1(id)");
}

}  // namespace scrivane::testing_support
