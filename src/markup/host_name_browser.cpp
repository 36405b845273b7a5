// Host names encoded by the browser's URL parser, for the engine compiled to
// WebAssembly: the page then carries no IDNA tables of its own. The parser's
// IDNA is the compatibility mapping (UTS #46) the programs' libidn2 calls make;
// its JavaScript side (web/host_name.js) refuses the one case they refuse.
#include <cstdlib>
#include <memory>

#include "host_name.h"

// The browser's ASCII form of a UTF-8 host name, malloc'd; null when there is none.
extern "C" char* scrivane_browser_ascii_host(const char* host, int length);

namespace scrivane {

bool EncodeHostName(std::string_view host, std::string& ascii) {
  const std::unique_ptr<char, decltype(&std::free)> converted(
      scrivane_browser_ascii_host(host.data(), static_cast<int>(host.size())), &std::free);
  if (converted == nullptr) return false;
  ascii.assign(converted.get());
  return true;
}

}  // namespace scrivane
