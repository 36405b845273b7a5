// Word splitting: the pieces between delimiters, as views into the text.
#include "markup.h"

namespace scrivane {

int SplitString(std::string_view text, std::string_view delimiter, std::vector<std::string_view>& parts) {
  if (delimiter.empty()) return -1;
  parts.clear();
  std::size_t start = 0;
  for (std::size_t at = text.find(delimiter); at != std::string_view::npos; at = text.find(delimiter, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + delimiter.size();
  }
  parts.push_back(text.substr(start));
  return static_cast<int>(parts.size());
}

}  // namespace scrivane
