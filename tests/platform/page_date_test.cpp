// The date line's text written without Qt matches Qt's locale data for every
// locale whose layout is carried, at the clock's awkward hours and on short days.
#include <QDateTime>
#include <QLocale>

#include <gtest/gtest.h>

#include "page_date.h"

namespace scrivane {
namespace {

// What Qt writes for `when` in `locale`: the long date, then the time as hh:mm AP.
std::string QtDateText(const QLocale& locale, const QDateTime& when) {
  return (locale.toString(when.date(), QLocale::LongFormat) + QLatin1Char(' ') +
          locale.toString(when.time(), QStringLiteral("hh:mm AP")))
      .toStdString();
}

std::tm AsTm(const QDateTime& when) {
  std::tm tm{};
  tm.tm_year = when.date().year() - 1900;
  tm.tm_mon = when.date().month() - 1;
  tm.tm_mday = when.date().day();
  tm.tm_wday = when.date().dayOfWeek() % 7;
  tm.tm_hour = when.time().hour();
  tm.tm_min = when.time().minute();
  return tm;
}

// Every name Qt's locale data answers to: each locale's own and its language alone.
QStringList QtLocaleNames() {
  QStringList names;
  for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
    names << locale.name() << locale.name().section(QLatin1Char('_'), 0, 0);
  }
  names.removeDuplicates();
  return names;
}

TEST(PageDate, CarriedLayoutsWriteWhatQtWrites) {
  const QDateTime moments[] = {
      QDateTime(QDate(2026, 12, 9), QTime(0, 5)),   QDateTime(QDate(2024, 1, 1), QTime(11, 59)),
      QDateTime(QDate(2024, 2, 29), QTime(12, 0)),  QDateTime(QDate(1999, 7, 4), QTime(13, 7)),
      QDateTime(QDate(2030, 9, 30), QTime(23, 59)),
  };
  int carried = 0;
  const QStringList names = QtLocaleNames() << QStringLiteral("en_GB.UTF-8") << QStringLiteral("de_DE.utf8");
  for (const QString& name : names) {
    for (const QDateTime& when : moments) {
      const std::optional<std::string> text = KnownDateText(AsTm(when), name.toStdString());
      if (!text) break;
      EXPECT_EQ(*text, QtDateText(QLocale(name), when)) << qPrintable(name);
      ++carried;
    }
  }
  EXPECT_GT(carried, 500 * 5);  // most locales are carried
  for (const char* name : {"C", "en", "en_US", "en_GB", "de_DE", "fr_FR", "es_ES", "ru_RU", "ja_JP", "zh_CN", "pl_PL"}) {
    EXPECT_TRUE(KnownDateText(AsTm(moments[0]), name).has_value()) << name;
  }
}

TEST(PageDate, UnsetAndPosixLocalesAreTheCLocale) {
  const QDateTime when(QDate(2026, 3, 8), QTime(9, 30));
  for (const char* name : {"", "POSIX", "C.UTF-8", "C.utf8"}) {
    EXPECT_EQ(KnownDateText(AsTm(when), name), QtDateText(QLocale::c(), when)) << '"' << name << '"';
  }
}

TEST(PageDate, OtherLocalesAreLeftToQt) {
  // Unknown names, a modifier that may choose a script, and dates in other digits.
  for (const char* name : {"english", "e", "xx_YY", "sr_RS@latin", "de_DE@euro", "ar_EG"}) {
    EXPECT_EQ(KnownDateText(std::tm{}, name), std::nullopt) << name;
  }
}

}  // namespace
}  // namespace scrivane
