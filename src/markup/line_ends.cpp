// The readability test of a file.
#include "markup.h"

#include <cstdio>
#include <filesystem>

namespace scrivane {

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace scrivane
