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

TEST(PageDate, CarriedLayoutsWriteWhatQtWrites) {
  const char* const names[] = {"C",     "en",    "en_US", "en_GB", "en_AU", "en_NZ",
                               "en_CA", "en_IE", "en_IN", "en_ZA", "en_GB.UTF-8", "en_US.utf8@x"};
  const QDateTime moments[] = {
      QDateTime(QDate(2026, 12, 9), QTime(0, 5)),   QDateTime(QDate(2024, 1, 1), QTime(11, 59)),
      QDateTime(QDate(2024, 2, 29), QTime(12, 0)),  QDateTime(QDate(1999, 7, 4), QTime(13, 7)),
      QDateTime(QDate(2030, 9, 30), QTime(23, 59)),
  };
  for (const char* name : names) {
    for (const QDateTime& when : moments) {
      const std::optional<std::string> text = KnownDateText(AsTm(when), name);
      ASSERT_TRUE(text.has_value()) << name;
      EXPECT_EQ(*text, QtDateText(QLocale(QString::fromLatin1(name)), when)) << name;
    }
  }
}

TEST(PageDate, UnsetAndPosixLocalesAreTheCLocale) {
  const QDateTime when(QDate(2026, 3, 8), QTime(9, 30));
  for (const char* name : {"", "POSIX", "C.UTF-8", "C.utf8"}) {
    EXPECT_EQ(KnownDateText(AsTm(when), name), QtDateText(QLocale::c(), when)) << '"' << name << '"';
  }
}

TEST(PageDate, OtherLocalesAreLeftToQt) {
  for (const char* name : {"de_DE.UTF-8", "fr_CA", "ja_JP", "en_DK", "english", "e"}) {
    EXPECT_EQ(KnownDateText(std::tm{}, name), std::nullopt) << name;
  }
}

}  // namespace
}  // namespace scrivane
