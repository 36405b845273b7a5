// The date text through the C library's locale (never the process's global one,
// which belongs to the host program).
#include "page_stamp.h"

#include <locale.h>
#include <time.h>

namespace scrivane::library {
namespace {

// The user's time locale, opened once; the C locale when theirs is not installed.
locale_t UserTimeLocale() {
  static const locale_t locale = [] {
    locale_t user = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    return user != static_cast<locale_t>(nullptr) ? user : newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return locale;
}

std::string Formatted(const char* format, const tm& when, locale_t locale) {
  char text[128];
  const std::size_t length = strftime_l(text, sizeof text, format, &when, locale);
  return std::string(text, length);
}

}  // namespace

std::string PageDateText() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  const locale_t locale = UserTimeLocale();
  // Locales without a 12-hour clock name no AM or PM; the programs' clock always does.
  std::string half = Formatted("%p", local, locale);
  if (half.empty()) half = local.tm_hour < 12 ? "AM" : "PM";
  return Formatted("%A, ", local, locale) + std::to_string(local.tm_mday) + Formatted(" %B %Y %I:%M ", local, locale) +
         half;
}

}  // namespace scrivane::library
