// The date text of a document the library makes, found without Qt.
#pragma once

#include <string>

namespace scrivane::library {

// Today's date and the time in the user's LC_TIME language, laid out as the
// programs write them in the C locale: "Monday, 1 January 2024 09:05 AM".
std::string PageDateText();

}  // namespace scrivane::library
