// Files the run writes: the output file that replaces an existing one only
// once it is complete, and unnamed spool files; failures as FileError.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "conversion.h"

namespace scrivane {

// A failed read or write: what failed, on which file or stream, and the system's reason.
class FileError : public std::runtime_error {
 public:
  FileError(RunFailure failure, std::string path, std::string reason, bool stream = false);
  // The failure an error number means for a write: a full disk, or the file unwritable.
  static RunFailure WriteFailure(int error);

  RunFailure failure;
  std::string path;
  std::string reason;
  bool stream;
};

// An unnamed temporary file (in $TMPDIR, else /tmp) that holds bytes for a
// while: appended, read back from any offset, and gone once closed.
class SpoolFile {
 public:
  SpoolFile();
  ~SpoolFile();
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  // Appends bytes at the end; throws FileError.
  void Append(std::string_view bytes);
  // Reads up to `size` bytes from `offset` and returns how many; throws FileError.
  std::size_t ReadAt(char* buffer, std::size_t size, std::uint64_t offset) const;
  // Drops everything held.
  void Clear();
  // Number of bytes held.
  std::uint64_t Size() const { return size_; }
  // Writes everything held to the stream (its write function, else its descriptor);
  // throws FileError naming the stream.
  void CopyTo(const OutputStream& stream) const;

 private:
  [[noreturn]] void Fail() const;
  std::string folder_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// An output file written under a temporary name in its folder and put in place
// by Commit; destroyed without Commit, it leaves the destination untouched.
// Destinations that are not regular files (devices, pipes) cannot be replaced:
// their document is held in a spool file and written to them whole at Commit.
// So is a file with other (hard) links, in place under a lock, so that every
// name shows the new document. A replaced file keeps its owner and group where
// the process may set them, its mode and its access list (ACL).
class SafeOutputFile {
 public:
  // With `overwrite` false an existing file is refused, here and again at Commit.
  explicit SafeOutputFile(const std::string& path, bool overwrite = true);
  ~SafeOutputFile();
  SafeOutputFile(const SafeOutputFile&) = delete;
  SafeOutputFile& operator=(const SafeOutputFile&) = delete;

  // Appends bytes; throws FileError.
  void Write(std::string_view bytes);
  // Empties the file to start again.
  void Restart();
  // Puts the finished file in place of the destination; throws FileError.
  void Commit();

 private:
  [[noreturn]] void Fail(const char* what) const;
  void WriteOut(std::string_view bytes);
  void BeginInPlace(std::uint64_t size);
  void Discard();

  std::string path_;       // as the user named it, for messages
  std::string target_;     // the file finally replaced (links resolved)
  std::string tempPath_;   // named temporary file, when one was needed
  int fd_ = -1;
  bool anonymous_ = false;  // created unnamed (O_TMPFILE): nothing to clean up on a crash
  bool direct_ = false;     // the destination is a device or pipe, or written in place
  bool inPlace_ = false;    // the destination is a file with other names, written in place
  std::optional<SpoolFile> held_;  // a device's, pipe's or linked file's document until Commit
  bool overwrite_ = true;
};

}  // namespace scrivane
