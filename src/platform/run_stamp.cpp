// Date text and form identifiers for a run, and whether a desktop is there.
#include <QDateTime>
#include <QLocale>
#include <QRandomGenerator>

#include "platform.h"

namespace scrivane {

std::string PageDateText() {
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale = QLocale::system();
  const QString date = locale.toString(now.date(), QLocale::LongFormat);
  const QString time = locale.toString(now.time(), QStringLiteral("hh:mm AP"));
  return (date + QLatin1Char(' ') + time).toStdString();
}

std::string NewFormId() {
  return std::to_string(QRandomGenerator::global()->bounded(100000000u, 1000000000u));
}

void StampRun(ConversionOptions& options) {
  options.dateText = PageDateText();
  const QDateTime now = QDateTime::currentDateTime();
  options.dateTime = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate).toStdString();
  options.formId = NewFormId();
}

bool GraphicalSessionPresent() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::string NoDisplayText() {
  return "scrivane: no display was found, so the window cannot open.\n"
         "To convert a file without the window, run: scrivane FILE\n"
         "For several files, folders and pipelines, use scrivane-convert (see scrivane-convert --help).\n";
}

}  // namespace scrivane
