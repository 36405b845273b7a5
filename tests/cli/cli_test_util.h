// Shared helpers of the scrivane-convert tests: the program run as a
// subprocess in a private folder, with private settings and no display.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace scrivane::testing_support {

struct Outcome {
  int status = -1;
  std::string out, err;
};

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
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("HOME"), dir_.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir_.path());
    process.start(QStringLiteral(SCRIVANE_CONVERT), arguments);
    process.write(input);
    process.closeWriteChannel();
    Outcome outcome;
    if (!process.waitForFinished(120000)) {
      process.kill();
      process.waitForFinished();
      ADD_FAILURE() << "scrivane-convert did not end";
      return outcome;
    }
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = process.readAllStandardOutput().toStdString();
    outcome.err = process.readAllStandardError().toStdString();
    return outcome;
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
