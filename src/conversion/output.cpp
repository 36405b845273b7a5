// Output: block buffering and the safely replaced output file.
#include "output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <random>

namespace scrivane {
namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name beside `target` that is not taken yet, hidden and recognisably ours.
std::string TemporaryNameFor(const std::string& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  const std::string folder = FolderOf(target);
  return folder + "/." + BaseNameOf(target) + "." + std::to_string(random() % 1000000000ull) + ".part";
}

}  // namespace

DocumentSink::DocumentSink(Writer writer, TextEncoding encoding, std::size_t flushSize)
    : writer_(std::move(writer)), flushSize_(flushSize), encoding_(encoding) {
  pending_.reserve(std::min(flushSize, kFlushSize) + 64 * 1024);
}

void DocumentSink::Flush() {
  Write(pending_);
  pending_.clear();
}

void DocumentSink::Append(std::string_view lines) {
  Flush();
  Write(lines);
}

void DocumentSink::Write(std::string_view text) {
  if (text.empty()) return;
  if (encoding_ == TextEncoding::Windows1252) {
    encoded_.clear();
    AppendWindows1252FromUtf8(encoded_, text);
    writer_(encoded_);
  } else {
    writer_(text);
  }
}

SafeOutputFile::SafeOutputFile(const std::string& path) : path_(path), target_(path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr) target_ = resolved;
  }
  if (stat(target_.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) Fail("it is a folder");
    if (access(target_.c_str(), W_OK) != 0) Fail(nullptr);  // a read-only file stays as it is
    if (!S_ISREG(info.st_mode)) {  // a device or pipe cannot be replaced, only written
      direct_ = true;
      fd_ = open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd_ < 0) Fail(nullptr);
      return;
    }
  }
  const std::string folder = FolderOf(target_);
#ifdef O_TMPFILE
  if (access("/proc/self/fd", X_OK) == 0) {
    fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    anonymous_ = fd_ >= 0;
  }
#endif
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    tempPath_ = TemporaryNameFor(target_);
    fd_ = open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    tempPath_.clear();
    Fail(nullptr);
  }
}

SafeOutputFile::~SafeOutputFile() { Discard(); }

void SafeOutputFile::Fail(const char* what) const {
  throw FileError("Could not write the output file " + path_ + ": " + (what ? what : Reason(errno)));
}

void SafeOutputFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(nullptr);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void SafeOutputFile::Restart() {
  if (direct_) return;  // a device or pipe cannot take back what it was given
  if (ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0) Fail(nullptr);
}

void SafeOutputFile::Commit() {
  if (direct_) {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) Fail(nullptr);
    return;
  }
  if (anonymous_) {
    // Give the unnamed file a temporary name, then move it over the target.
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      tempPath_ = TemporaryNameFor(target_);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath_.c_str(), AT_SYMLINK_FOLLOW) == 0) break;
      const int error = errno;
      tempPath_.clear();
      if (error != EEXIST) {
        errno = error;
        Fail(nullptr);
      }
    }
  }
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) Fail(nullptr);
  if (rename(tempPath_.c_str(), target_.c_str()) != 0) Fail(nullptr);
  tempPath_.clear();
}

void SafeOutputFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) unlink(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace scrivane
