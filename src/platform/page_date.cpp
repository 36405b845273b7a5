// The long date forms and AM/PM words of the locales most runs use, as Qt's
// locale data has them; everything else goes to ForeignDateText.
#include "page_date.h"

#include <array>
#include <cstdlib>
#include <utility>

#include "platform.h"

namespace scrivane {
namespace {

// One locale's layout: Qt's long date pattern (d, dd, dddd, MMMM, yyyy and
// literal text) and the AM/PM words as the clock writes them (upper case).
struct DateLayout {
  std::string_view name;
  std::string_view pattern;
  std::string_view am, pm;
};

constexpr std::array kLayouts{
    DateLayout{"C", "dddd, d MMMM yyyy", "AM", "PM"},
    DateLayout{"en", "dddd, MMMM d, yyyy", "AM", "PM"},
    DateLayout{"en_US", "dddd, MMMM d, yyyy", "AM", "PM"},
    DateLayout{"en_GB", "dddd, d MMMM yyyy", "AM", "PM"},
    DateLayout{"en_AU", "dddd, d MMMM yyyy", "AM", "PM"},
    DateLayout{"en_NZ", "dddd, d MMMM yyyy", "AM", "PM"},
    DateLayout{"en_CA", "dddd, MMMM d, yyyy", "A.M.", "P.M."},
    DateLayout{"en_IE", "dddd d MMMM yyyy", "A.M.", "P.M."},
    DateLayout{"en_IN", "dddd, d MMMM, yyyy", "AM", "PM"},
    DateLayout{"en_ZA", "dddd, dd MMMM yyyy", "AM", "PM"},
};

constexpr std::array<std::string_view, 7> kDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                    "Thursday", "Friday", "Saturday"};
constexpr std::array<std::string_view, 12> kMonthNames{"January", "February", "March",     "April",
                                                       "May",     "June",     "July",      "August",
                                                       "September", "October", "November", "December"};

// "en_GB.UTF-8@euro" → "en_GB"; "", "POSIX" and "C.UTF-8" are all the C locale.
std::string_view BareLocaleName(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  if (name.empty() || name == "POSIX") return "C";
  return name;
}

const DateLayout* LayoutFor(std::string_view localeName) {
  const std::string_view bare = BareLocaleName(localeName);
  for (const DateLayout& layout : kLayouts) {
    if (layout.name == bare) return &layout;
  }
  return nullptr;
}

std::string TwoDigits(int value) { return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)}; }

// Writes `pattern` for the date of `when`.
std::string FormatDate(std::string_view pattern, const std::tm& when) {
  static constexpr std::string_view kFields[] = {"dddd", "dd", "d", "MMMM", "yyyy"};
  std::string text;
  std::size_t at = 0;
  while (at < pattern.size()) {
    std::string_view field;
    for (const std::string_view candidate : kFields) {
      if (pattern.substr(at).starts_with(candidate)) {
        field = candidate;
        break;
      }
    }
    if (field.empty()) text += pattern[at++];
    else if (field == "dddd") text += kDayNames[static_cast<std::size_t>(when.tm_wday) % 7];
    else if (field == "dd") text += TwoDigits(when.tm_mday);
    else if (field == "d") text += std::to_string(when.tm_mday);
    else if (field == "MMMM") text += kMonthNames[static_cast<std::size_t>(when.tm_mon) % 12];
    else text += std::to_string(when.tm_year + 1900);
    at += field.size();
  }
  return text;
}

}  // namespace

std::string TimeLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

std::optional<std::string> KnownDateText(const std::tm& when, std::string_view localeName) {
  const DateLayout* layout = LayoutFor(localeName);
  if (layout == nullptr) return std::nullopt;
  const int hour = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
  return FormatDate(layout->pattern, when) + ' ' + TwoDigits(hour) + ':' + TwoDigits(when.tm_min) + ' ' +
         std::string(when.tm_hour < 12 ? layout->am : layout->pm);
}

std::string PageDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  if (std::optional<std::string> text = KnownDateText(local, TimeLocaleName())) return *std::move(text);
  return ForeignDateText(now);
}

}  // namespace scrivane
