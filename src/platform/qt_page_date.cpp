// The date line's text for any locale, from Qt's locale data.
#include <QDateTime>
#include <QLocale>

#include "page_date.h"

namespace scrivane {

std::string ForeignDateText(std::time_t seconds) {
  const QDateTime when = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(seconds));
  const QLocale locale = QLocale::system();
  const QString date = locale.toString(when.date(), QLocale::LongFormat);
  const QString time = locale.toString(when.time(), QStringLiteral("hh:mm AP"));
  return (date + QLatin1Char(' ') + time).toStdString();
}

}  // namespace scrivane
