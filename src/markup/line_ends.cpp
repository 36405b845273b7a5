// The readability test of a file.
#include "markup.h"

#include <cstdio>
#include <filesystem>

namespace scrivane {

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) return false;
  // A pipe or device is not opened: opening and closing it would take its data.
  if (!std::filesystem::is_regular_file(status)) return true;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace scrivane
