// What every run needs, with no display and no Qt: the date and form stamps, and
// whether a desktop is there.
#pragma once

#include <string>

#include "conversion.h"

namespace scrivane {

// Today's date in the locale's long form and the time as hh:mm with AM/PM.
std::string PageDateText();

// Puts the date text and a fresh form identifier into the options of a run.
void StampRun(ConversionOptions& options);

// True when the environment names a desktop session (DISPLAY or WAYLAND_DISPLAY).
bool GraphicalSessionPresent();

// What the program says when there is no display to open its window on.
std::string NoDisplayText();

}  // namespace scrivane
