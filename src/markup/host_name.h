// The ASCII form of a host name with letters beyond ASCII (IDNA). Natively
// libidn2 computes it; the web page asks the browser, whose URL parser holds
// the same tables, so the page does not carry them.
#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// The ASCII ("xn--") form of `host` (UTF-8, normalised to NFC first) in `ascii`;
// false when it has none.
bool EncodeHostName(std::string_view host, std::string& ascii);

}  // namespace scrivane
