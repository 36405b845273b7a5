// Where the document's bytes go: a buffer flushed in large blocks, and the
// output file that replaces an existing one only once it is complete.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "conversion.h"
#include "encoding.h"

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

// Collects output lines and hands them to a writer in large blocks, in the
// document's encoding (the text appended is always UTF-8).
class DocumentSink {
 public:
  using Writer = std::function<void(std::string_view bytes)>;
  // Pending text goes to the writer once it reaches `flushSize` bytes at a line's end.
  DocumentSink(Writer writer, TextEncoding encoding, std::size_t flushSize = kFlushSize);

  // The pending text; append to it, then call EndLine.
  std::string& Text() { return pending_; }
  // Ends the current output line with CR LF.
  void EndLine() {
    pending_.append("\r\n");
    if (pending_.size() >= flushSize_) Flush();
  }
  // Writes `text` as one whole line.
  void Line(std::string_view text) {
    pending_.append(text);
    EndLine();
  }
  // Hands everything pending to the writer.
  void Flush();
  // Writes whole lines of document text made elsewhere, after what is pending.
  void Append(std::string_view lines);

 private:
  void Write(std::string_view text);

  static constexpr std::size_t kFlushSize = 256 * 1024;
  Writer writer_;
  std::size_t flushSize_;
  TextEncoding encoding_;
  std::string pending_;
  std::string encoded_;
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
  // Writes everything held to `fd`; throws FileError naming `name`.
  void CopyTo(int fd, const std::string& name) const;

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
  void Discard();

  std::string path_;       // as the user named it, for messages
  std::string target_;     // the file finally replaced (links resolved)
  std::string tempPath_;   // named temporary file, when one was needed
  int fd_ = -1;
  bool anonymous_ = false;  // created unnamed (O_TMPFILE): nothing to clean up on a crash
  bool direct_ = false;     // the destination is a device or pipe
  std::optional<SpoolFile> held_;  // a device's or pipe's document until Commit
  bool overwrite_ = true;
};

}  // namespace scrivane
