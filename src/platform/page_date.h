// The date line's text: today's date in the locale's long form and the time as
// hh:mm with AM/PM, the way Qt's locale data writes them. The common layouts are
// carried here so that a run needs no Qt; other locales ask Qt's data.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace scrivane {

// The locale the date follows: LC_ALL, else LC_TIME, else LANG ("" when none is set).
std::string TimeLocaleName();

// The text for `when` (local time) in the locale `localeName`, for the locales whose
// layout is carried here (C, POSIX and the common English ones); nullopt for the others.
std::optional<std::string> KnownDateText(const std::tm& when, std::string_view localeName);

// The text for the moment `seconds` (since the epoch) in the user's locale, from Qt's
// locale data. Each program links one definition: Qt directly, or a module loaded on demand.
std::string ForeignDateText(std::time_t seconds);

}  // namespace scrivane
