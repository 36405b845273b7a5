// Where the document's bytes go: a buffer flushed in large blocks, and the
// output file that replaces an existing one only once it is complete.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "encoding.h"

namespace scrivane {

// A failed read or write; what() names the file and the system's reason.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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

// An output file written under a temporary name in its folder and put in place
// by Commit; destroyed without Commit, it leaves the destination untouched.
// Destinations that are not regular files (devices, pipes) are written directly.
class SafeOutputFile {
 public:
  explicit SafeOutputFile(const std::string& path);
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
  void Discard();

  std::string path_;       // as the user named it, for messages
  std::string target_;     // the file finally replaced (links resolved)
  std::string tempPath_;   // named temporary file, when one was needed
  int fd_ = -1;
  bool anonymous_ = false;  // created unnamed (O_TMPFILE): nothing to clean up on a crash
  bool direct_ = false;     // writing straight into a device or pipe
};

}  // namespace scrivane
