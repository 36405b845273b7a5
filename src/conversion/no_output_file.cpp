// The output file where a build writes no files (the web page, whose documents
// are downloaded): a run that names one fails as it begins.
#include <cerrno>

#include "output_file.h"

namespace scrivane {

SafeOutputFile::SafeOutputFile(const std::string& path, bool overwrite) : path_(path), overwrite_(overwrite) {
  throw FileError(RunFailure::OutputUnwritable, path_, ENOTSUP);
}

SafeOutputFile::~SafeOutputFile() = default;

void SafeOutputFile::Write(std::span<const std::string_view>) {}

void SafeOutputFile::Restart() {}

void SafeOutputFile::Commit() {}

}  // namespace scrivane
