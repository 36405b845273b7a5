// Character counting over UTF-8. A character starts at every byte that is not a
// continuation byte (10xxxxxx), which also gives a defined answer for bytes that
// are not valid UTF-8.
#include "markup.h"

#include "byte_rules.h"

namespace scrivane {

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += IsContinuation(c) ? 0 : 1;
  return count;
}

std::size_t TailBytes(std::string_view text, std::size_t count) {
  std::size_t start = text.size();
  while (count > 0 && start > 0) {
    --start;
    while (start > 0 && IsContinuation(text[start])) --start;
    --count;
  }
  return text.size() - start;
}

}  // namespace scrivane
