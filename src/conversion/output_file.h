// Files the run writes: the output file that replaces an existing one only
// once it is complete, and unnamed spool files; failures as FileError.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "conversion.h"

namespace scrivane {

// A failed read or write: what failed, on which file or stream, and the system's error number.
class FileError : public std::runtime_error {
 public:
  FileError(RunFailure failure, std::string path, int error, bool stream = false);
  // The failure an error number means for a write: a full disk, or the file unwritable.
  static RunFailure WriteFailure(int error);

  RunFailure failure;
  std::string path;
  int error;  // an errno value
  bool stream;
};

// Writes all of `bytes` to the descriptor `fd`; returns 0, or the error number of the write that failed.
int WriteAll(int fd, std::string_view bytes);
// Writes all the pieces, in order, gathered into as few writes as may be; as WriteAll above.
int WriteAll(int fd, std::span<const std::string_view> pieces);

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
  // Passes everything held, block by block, to `write`.
  void CopyTo(const std::function<void(std::string_view bytes)>& write) const;
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

  // Appends the pieces, in order; throws FileError.
  void Write(std::span<const std::string_view> pieces);
  void Write(std::string_view bytes) { Write(std::span(&bytes, 1)); }
  // Starts the document again from the beginning of the file.
  void Restart();
  // Puts the finished file in place of the destination; throws FileError.
  void Commit();

 private:
  // How the document reaches the destination, chosen once when the file is opened.
  enum class Strategy {
    kUnnamed,    // a new unnamed file (O_TMPFILE), given the destination's name at Commit
    kTemporary,  // a new hidden file beside the destination, renamed over it at Commit
    kDevice,     // a device or pipe: the document is held, then written to it whole at Commit
    kDiscarded,  // /dev/null: written to as it comes, since nothing there can be taken back
    kInPlace,    // a file with other names: the document is held, then written over it under a lock
  };

  // Opens the destination itself, which is not replaced but written the way `strategy` says.
  void OpenDestination(Strategy strategy);
  // Opens a new file beside the destination, to be put in its place at Commit.
  void OpenWorkingFile();
  // True when the strategy writes the destination itself rather than a working file.
  bool WritesDestination() const;
  // Commit for the strategies that write the destination itself.
  void CommitToDestination();
  // Commit for an unnamed file that must not replace anything: it gets the final name at once.
  void CommitUnnamedAsNew();
  // Commit for a working file: named (if it is not yet), then moved over the destination.
  void CommitByRename();
  // Gives the unnamed working file a temporary name beside the destination.
  void NameUnnamedFile();
  // Closes the file, reporting a late write error.
  void CloseFile();
  // Throws FileError for the output with the error number `error`.
  [[noreturn]] void Fail(int error) const;
  // Throws FileError for the output with the error number in errno.
  [[noreturn]] void FailErrno() const;
  void WriteOut(std::span<const std::string_view> pieces);
  void BeginInPlace(std::uint64_t size);
  void Discard();

  std::string path_;       // as the user named it, for messages
  std::string target_;     // the file finally replaced (links resolved)
  std::string tempPath_;   // named temporary file, when one was needed
  int fd_ = -1;
  Strategy strategy_ = Strategy::kTemporary;
  bool overwrite_ = true;          // an existing destination may be replaced
  std::optional<SpoolFile> held_;  // the document of a device, a pipe or a linked file until Commit
  std::uint64_t written_ = 0;      // bytes of the document written to the file since it was begun
  std::uint64_t stale_ = 0;        // bytes of an earlier start still in the file, cut off at Commit
};

}  // namespace scrivane
