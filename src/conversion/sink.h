// The document's bytes on their way out: lines collected and handed to a
// writer in large blocks, in the document's encoding.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "encoding.h"

namespace scrivane {

// Collects output lines and hands them to a writer in large blocks, in the
// document's encoding (the text appended is always UTF-8).
class DocumentSink {
 public:
  using Writer = std::function<void(std::string_view bytes)>;
  // Pending text goes to the writer once it reaches `flushSize` bytes at a line's end.
  DocumentSink(Writer writer, TextEncoding encoding, std::size_t flushSize = kFlushSize);

  // The pending text; append to it, then call EndLine.
  std::string& Text() { return pending_; }
  // Ends the current output line (with CR LF unless told otherwise).
  void EndLine() {
    if (crLf_) pending_.push_back('\r');
    pending_.push_back('\n');
    if (pending_.size() >= flushSize_) Flush();
  }
  // Writes `text` as one whole line.
  void Line(std::string_view text) {
    pending_.append(text);
    EndLine();
  }
  // What ends a line: "\r\n" or "\n".
  std::string_view LineEnd() const { return crLf_ ? "\r\n" : "\n"; }
  // Ends the lines from now on with `lineEnd`: "\r\n" or "\n".
  void UseLineEnd(std::string_view lineEnd) { crLf_ = lineEnd == "\r\n"; }
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
  bool crLf_ = true;  // lines end in CR LF, else in LF
  std::string pending_;
  std::string encoded_;
};

}  // namespace scrivane
