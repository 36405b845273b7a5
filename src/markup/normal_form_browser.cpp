// Normalization Form C by the browser (String.prototype.normalize), for the
// engine compiled to WebAssembly: the page then carries no Unicode tables of
// its own. The quick check in normal_form.cpp keeps the call to lines that may
// change; its JavaScript side is web/normal_form.js.
#include <cstdlib>
#include <memory>

#include "normal_form.h"

// `length` bytes of UTF-8 at `text` in Normalization Form C, malloc'd, their
// number in `composedLength`; null when they are not UTF-8.
extern "C" char* scrivane_browser_composed(const char* text, std::size_t length, std::size_t* composedLength);

namespace scrivane {

void AppendComposed(std::string& out, std::string_view text) {
  std::size_t length = 0;
  const std::unique_ptr<char, decltype(&std::free)> composed(
      scrivane_browser_composed(text.data(), text.size(), &length), &std::free);
  if (composed == nullptr) {  // not UTF-8 after all, or out of memory: the text as it is
    out.append(text);
    return;
  }
  out.append(composed.get(), length);
}

}  // namespace scrivane
