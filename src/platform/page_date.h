// The date line's text: today's date in the locale's long form and the time as
// hh:mm with AM/PM, the way Qt's locale data writes them. The layouts of most
// locales are taken from that data when building, so that a run needs no Qt;
// the few others (other digits, unusual fields, names with a modifier) ask Qt.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace scrivane {

// The locale the date follows: LC_ALL, else LC_TIME, else LANG ("" when none is set).
std::string TimeLocaleName();

// The text for `when` (local time) in the locale `localeName`, for the locales whose
// layout is carried here (C, POSIX and most others); nullopt for the rest.
std::optional<std::string> KnownDateText(const std::tm& when, std::string_view localeName);

// The text for the moment `seconds` (since the epoch) in the user's locale, from Qt's
// locale data. Each program links one definition: Qt directly, or a module loaded on demand.
std::string ForeignDateText(std::time_t seconds);

}  // namespace scrivane
