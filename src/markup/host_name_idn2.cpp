// Host names encoded by libidn2: IDNA2008 non-transitional, and for names with
// symbols or emoji the compatibility mapping browsers use.
#include "host_name.h"

#include <idn2.h>

#include <memory>

namespace scrivane {

bool EncodeHostName(std::string_view host, std::string& ascii) {
  const std::string input(host);
  char* converted = nullptr;
  int status = idn2_to_ascii_8z(input.c_str(), &converted, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
  // Symbols and emoji are valid in labels by the compatibility mapping browsers
  // use, though not by the strict table. Transitional processing allows them and
  // maps as the other does, but for sharp s and final sigma, so a name without
  // those two gets the ASCII form a browser gets.
  if (status == IDN2_DISALLOWED && host.find("\xC3\x9F") == std::string_view::npos &&
      host.find("\xCF\x82") == std::string_view::npos) {
    status = idn2_to_ascii_8z(input.c_str(), &converted, IDN2_NFC_INPUT | IDN2_TRANSITIONAL);
  }
  if (status != IDN2_OK) return false;
  const std::unique_ptr<char, decltype(&idn2_free)> owner(converted, &idn2_free);
  ascii.assign(converted);
  return true;
}

}  // namespace scrivane
