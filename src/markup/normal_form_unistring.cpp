// Normalization Form C through libunistring, for the programs and the library.
#include <uninorm.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "normal_form.h"

namespace scrivane {

void AppendComposed(std::string& out, std::string_view text) {
  std::size_t length = 0;
  auto* composed = u8_normalize(UNINORM_NFC, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                nullptr, &length);
  if (composed == nullptr) {  // not UTF-8 after all, or out of memory: the text as it is
    out.append(text);
    return;
  }
  const std::unique_ptr<std::uint8_t, decltype(&std::free)> owner(composed, &std::free);
  out.append(reinterpret_cast<const char*>(composed), length);
}

}  // namespace scrivane
