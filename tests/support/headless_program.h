// One of the programs run as a subprocess the way scripts run it: a private
// home and settings folder, no display, standard input given, output captured.
#pragma once

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace scrivane::testing_support {

// How a run ended: exit status (-1 when it crashed or hung) and what it printed.
struct Outcome {
  int status = -1;
  std::string out, err;
};

// This environment with no display, `home` as HOME and `home`/config as XDG_CONFIG_HOME.
inline QProcessEnvironment HeadlessEnvironment(const QString& home) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  environment.insert(QStringLiteral("HOME"), home);
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
  return environment;
}

// Runs `program` in the HeadlessEnvironment of `home`, in `workingFolder` (empty:
// this process's), feeding `input` to its standard input.
inline Outcome RunHeadless(const QString& program, const QStringList& arguments, const QString& home,
                           const QString& workingFolder = {}, const QByteArray& input = {},
                           int timeoutMs = 120000) {
  QProcess process;
  process.setProcessEnvironment(HeadlessEnvironment(home));
  if (!workingFolder.isEmpty()) process.setWorkingDirectory(workingFolder);
  process.start(program, arguments);
  process.write(input);
  process.closeWriteChannel();
  Outcome outcome;
  if (!process.waitForFinished(timeoutMs)) {
    process.kill();
    process.waitForFinished();
    ADD_FAILURE() << QFileInfo(program).fileName().toStdString() << " did not end";
    return outcome;
  }
  outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  outcome.out = process.readAllStandardOutput().toStdString();
  outcome.err = process.readAllStandardError().toStdString();
  return outcome;
}

}  // namespace scrivane::testing_support
