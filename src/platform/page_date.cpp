// The long date forms and AM/PM words of the locales in the generated table, as
// Qt's locale data has them; everything else goes to ForeignDateText.
#include "page_date.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform.h"

namespace scrivane {
namespace {

#include "date_layouts.inc"

// One locale's layout: Qt's long date pattern, the clock's AM and PM words, the day
// names (7 long, then 7 short, Sunday first) and the month names (12 long, 12 short).
struct DateLayout {
  std::string_view pattern;
  std::string_view am, pm;
  std::array<std::string_view, 14> days;
  std::array<std::string_view, 24> months;
};

std::string_view LayoutRow(std::size_t index) {
  const std::string_view rows(kLayoutRows, sizeof kLayoutRows - 1);
  const std::size_t start = kLayoutRowStarts[index];
  return rows.substr(start, rows.find('\n', start) - start);
}

// The row's tab-separated fields, after its name.
DateLayout ParseRow(std::string_view row) {
  std::array<std::string_view, 42> fields{};
  for (std::string_view& field : fields) {
    const std::size_t tab = row.find('\t');
    field = row.substr(0, tab);
    row = tab == std::string_view::npos ? std::string_view() : row.substr(tab + 1);
  }
  DateLayout layout{fields[1], fields[2], fields[3], {}, {}};
  std::copy_n(fields.begin() + 4, 14, layout.days.begin());
  std::copy_n(fields.begin() + 18, 24, layout.months.begin());
  return layout;
}

// "en_GB.UTF-8" → "en_GB"; "", "POSIX" and "C.UTF-8" are all the C locale. A name
// with a modifier ("sr_RS@latin") may mean another script: it is left to Qt.
std::optional<std::string_view> BareLocaleName(std::string_view name) {
  if (name.find('@') != std::string_view::npos) return std::nullopt;
  name = name.substr(0, name.find('.'));
  if (name.empty() || name == "POSIX") return "C";
  return name;
}

std::optional<DateLayout> LayoutFor(std::string_view localeName) {
  const std::optional<std::string_view> bare = BareLocaleName(localeName);
  if (!bare) return std::nullopt;
  const auto nameOf = [](std::size_t index) {
    const std::string_view row = LayoutRow(index);
    return row.substr(0, row.find('\t'));
  };
  std::size_t low = 0, high = std::size(kLayoutRowStarts);
  while (low < high) {
    const std::size_t middle = (low + high) / 2;
    if (nameOf(middle) < *bare) low = middle + 1;
    else high = middle;
  }
  if (low == std::size(kLayoutRowStarts) || nameOf(low) != *bare) return std::nullopt;
  return ParseRow(LayoutRow(low));
}

std::string TwoDigits(int value) { return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)}; }

// Writes one field of `run` letters `letter` for `when`; returns the letters used
// (0: not a field, the letter is plain text).
std::size_t AppendField(std::string& text, char letter, std::size_t run, const DateLayout& layout, const std::tm& when) {
  const std::size_t day = static_cast<std::size_t>(when.tm_wday) % 7, month = static_cast<std::size_t>(when.tm_mon) % 12;
  const std::size_t used = letter == 'y' ? (run >= 4 ? 4 : run >= 2 ? 2 : 0) : std::min<std::size_t>(run, 4);
  if (letter == 'y' && used == 4) text += std::to_string(when.tm_year + 1900);
  else if (letter == 'y' && used == 2) text += TwoDigits((when.tm_year + 1900) % 100);
  else if (letter == 'd' && used <= 2) text += used == 1 ? std::to_string(when.tm_mday) : TwoDigits(when.tm_mday);
  else if (letter == 'd') text += layout.days[day + (used == 4 ? 0 : 7)];
  else if (letter == 'M' && used <= 2) text += used == 1 ? std::to_string(when.tm_mon + 1) : TwoDigits(when.tm_mon + 1);
  else if (letter == 'M') text += layout.months[month + (used == 4 ? 0 : 12)];
  return used;
}

// Writes the layout's long date pattern for `when`: runs of d, M and y are fields,
// text in single quotes stands as written ('' is one quote), anything else too.
std::string FormatDate(const DateLayout& layout, const std::tm& when) {
  const std::string_view pattern = layout.pattern;
  std::string text;
  for (std::size_t at = 0; at < pattern.size();) {
    const char letter = pattern[at];
    if (letter == '\'') {
      const std::size_t close = pattern.find('\'', at + 1);
      const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
      text += end == at + 1 ? std::string_view("'") : pattern.substr(at + 1, end - at - 1);
      at = end + 1;
      continue;
    }
    std::size_t run = 1;
    while (at + run < pattern.size() && pattern[at + run] == letter) ++run;
    const std::size_t used = letter == 'd' || letter == 'M' || letter == 'y' ? AppendField(text, letter, run, layout, when) : 0;
    if (used == 0) text += letter;
    at += used == 0 ? 1 : used;
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
  const std::optional<DateLayout> layout = LayoutFor(localeName);
  if (!layout) return std::nullopt;
  const int hour = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
  return FormatDate(*layout, when) + ' ' + TwoDigits(hour) + ':' + TwoDigits(when.tm_min) + ' ' +
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
