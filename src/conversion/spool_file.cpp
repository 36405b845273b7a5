// The run's errors and its spool files: unnamed temporary files that hold a
// stream's text or a document until it is complete.
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "output_file.h"

namespace scrivane {

FileError::FileError(RunFailure failure, std::string path, int error, bool stream)
    : std::runtime_error(path + ": " + std::strerror(error)),
      failure(failure),
      path(std::move(path)),
      error(error),
      stream(stream) {}

RunFailure FileError::WriteFailure(int error) {
  return error == ENOSPC || error == EDQUOT || error == EFBIG ? RunFailure::DiskFull : RunFailure::OutputUnwritable;
}

int WriteAll(int fd, std::string_view bytes) { return WriteAll(fd, std::span(&bytes, 1)); }

int WriteAll(int fd, std::span<const std::string_view> pieces) {
  std::size_t done = 0;  // bytes of pieces.front() written
  while (!pieces.empty()) {
    std::array<iovec, 64> vectors;
    std::size_t count = 0;
    for (; count < vectors.size() && count < pieces.size(); ++count) {
      const std::string_view piece = pieces[count].substr(count == 0 ? done : 0);
      vectors[count] = {const_cast<char*>(piece.data()), piece.size()};
    }
    const ssize_t written = ::writev(fd, vectors.data(), static_cast<int>(count));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // Past the pieces written through, into the one written in part.
    auto left = static_cast<std::size_t>(written);
    while (!pieces.empty() && left >= pieces.front().size() - done) {
      left -= pieces.front().size() - done;
      done = 0;
      pieces = pieces.subspan(1);
    }
    done += left;
  }
  return 0;
}

SpoolFile::SpoolFile() {
  const char* configured = std::getenv("TMPDIR");
  folder_ = configured != nullptr && *configured != '\0' ? configured : "/tmp";
#ifdef O_TMPFILE
  fd_ = open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
  if (fd_ < 0) {
    std::string pattern = folder_ + "/scrivane-XXXXXX";
    fd_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ >= 0) unlink(pattern.c_str());
  }
  if (fd_ < 0) Fail();
}

SpoolFile::~SpoolFile() {
  if (fd_ >= 0) close(fd_);
}

void SpoolFile::Fail() const { throw FileError(RunFailure::TemporaryFile, folder_, errno); }

void SpoolFile::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(size_));
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    size_ += static_cast<std::uint64_t>(written);
  }
}

std::size_t SpoolFile::ReadAt(char* buffer, std::size_t size, std::uint64_t offset) const {
  if (offset >= size_) return 0;
  size = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - offset));  // not what a cleared file left
  for (;;) {
    const ssize_t got = pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) Fail();
  }
}

void SpoolFile::Clear() {
  // Written over, not truncated: a file emptied by truncation is flushed to disk
  // when closed (ext4), which an unnamed file never needs.
  size_ = 0;
}

void SpoolFile::CopyTo(const std::function<void(std::string_view bytes)>& write) const {
  std::string block(256 * 1024, '\0');
  for (std::uint64_t offset = 0; offset < size_;) {
    const std::size_t got = ReadAt(block.data(), block.size(), offset);
    if (got == 0) break;  // the file was cut short behind our back
    offset += got;
    write(std::string_view(block.data(), got));
  }
}

void SpoolFile::CopyTo(const OutputStream& stream) const {
  const auto fail = [&stream](int error) {
    throw FileError(FileError::WriteFailure(error), stream.name, error, true);
  };
  CopyTo([&](std::string_view bytes) {
    if (!stream.write) {
      if (const int error = WriteAll(stream.fd, bytes)) fail(error);
      return;
    }
    errno = 0;
    if (!stream.write(bytes)) fail(errno != 0 ? errno : EIO);  // EIO: a writer that gave no reason
  });
}

}  // namespace scrivane
