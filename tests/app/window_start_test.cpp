// Without a file name the program loads its window module and opens the window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

TEST(WindowStart, ProgramOpensTheWindowFromItsModule) {
  QTemporaryDir home;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("HOME"), home.path());
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
  QProcess program;
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(SCRIVANE_PROGRAM), {});
  ASSERT_TRUE(program.waitForStarted());
  // A window waits for the user; a program that could not load it ends at once.
  EXPECT_FALSE(program.waitForFinished(2000)) << program.readAllStandardError().toStdString();
  program.kill();
  program.waitForFinished();
}

}  // namespace
