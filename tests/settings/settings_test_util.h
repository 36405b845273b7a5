// Shared helpers of the settings tests: a private folder for each test's INI file.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace scrivane::testing {

// A fresh folder per test, so QSettings' per-file cache never serves another test's file.
class TempIni {
 public:
  TempIni() : path_(dir_.filePath(QStringLiteral("Scrivan/Scrivan.ini"))) {
    QDir(dir_.path()).mkpath(QStringLiteral("Scrivan"));
  }

  // The folder to use as XDG_CONFIG_HOME.
  QString ConfigHome() const { return dir_.path(); }
  // The INI file's path inside it.
  const QString& Path() const { return path_; }

  // Writes the file exactly as given.
  void Write(const QByteArray& bytes) const {
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }

  // The file's bytes ("" when it does not exist).
  QByteArray Read() const {
    QFile file(path_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

 private:
  QTemporaryDir dir_;
  QString path_;
};

}  // namespace scrivane::testing
