// scrivane-convert: converts text files and standard input to HTML from scripts
// and pipelines. QtCore only: it needs no display.
#include <QCoreApplication>
#include <QStringList>

#include "cli.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("scrivane-convert"));
  return scrivane::RunConvertCommand(QCoreApplication::arguments());
}
