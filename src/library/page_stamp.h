// What differs from run to run in a document the library makes, found without
// Qt: the foot's date text and the selection box's form name.
#pragma once

#include <string>

namespace scrivane::library {

// Today's date and the time in the user's LC_TIME language, laid out as the
// programs write them in the C locale: "Monday, 1 January 2024 09:05 AM".
std::string PageDateText();

// A fresh random nine-digit name for a selection box's form.
std::string NewFormId();

}  // namespace scrivane::library
