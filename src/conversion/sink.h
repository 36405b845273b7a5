// The document's bytes on their way out: lines collected and handed to a
// writer in large blocks, in the document's encoding.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "encoding.h"

namespace scrivane {

// Collects output lines and hands them to a writer in large blocks, in the
// document's encoding (the text appended is always UTF-8).
//
// A writer that takes several pieces at once (a file's, through one gathering
// write) is handed the text in whole half mebibytes of the document, counted
// from its start, once that much has gathered: a file written in large aligned
// pieces gets its page cache in large pages, which costs the system about half
// as much per byte as pieces that start and end anywhere (larger pieces gain
// little more, and were at times far slower: the system must find larger runs
// of free memory). The text waits in the buffers it was made in, so gathering
// copies nothing. A writer of one piece at a time gets each piece as it comes.
class DocumentSink {
 public:
  using Writer = std::function<void(std::string_view bytes)>;
  // Writes the pieces, in order, as one stretch of the document.
  using PiecesWriter = std::function<void(std::span<const std::string_view> pieces)>;
  // Pending text is passed on once it reaches `flushSize` bytes at a line's end.
  DocumentSink(Writer writer, TextEncoding encoding, std::size_t flushSize = kFlushSize);
  DocumentSink(PiecesWriter writer, TextEncoding encoding, std::size_t flushSize = kFlushSize);

  // The pending text; append to it, then call EndLine.
  std::string& Text() { return pending_; }
  // Ends the current output line (with CR LF unless told otherwise).
  void EndLine() {
    if (crLf_) pending_.push_back('\r');
    pending_.push_back('\n');
    PassIfFull();
  }
  // Passes the pending text on once it has reached the flush size; call at a line's end.
  void PassIfFull() {
    if (pending_.size() >= flushSize_) Pass();
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
  // Passes the pending text on to the writer, which may get it later (see above).
  void Pass();
  // Hands everything pending or passed on to the writer.
  void Flush();
  // Writes whole lines of document text made elsewhere, after what is pending.
  void Append(std::string_view lines);
  // Passes on whole lines of document text made elsewhere, after what is pending,
  // taking over their buffer: `lines` is left empty, with a buffer to fill again.
  void Take(std::string& lines);

 private:
  // Puts `text` at the end of the held text, leaving it empty.
  void Hold(std::string& text);
  // Hands the held text to the writer: all of it, or only whole multiples of the gathered size.
  void WriteHeld(bool all);

  static constexpr std::size_t kFlushSize = 256 * 1024;
  static constexpr std::size_t kGather = 512 * 1024;
  PiecesWriter writer_;
  std::size_t gather_;  // the held text is written in whole multiples of this many bytes
  std::size_t flushSize_;
  TextEncoding encoding_;
  bool crLf_ = true;  // lines end in CR LF, else in LF
  std::string pending_;
  std::deque<std::string> held_;     // passed on, in the document's encoding, not yet written
  std::size_t heldFrom_ = 0;         // bytes of the first held buffer already written
  std::size_t heldBytes_ = 0;        // bytes held, not yet written
  std::uint64_t written_ = 0;        // bytes handed to the writer
  std::vector<std::string> spare_;   // emptied buffers, to be filled again
  std::vector<std::string_view> pieces_;
};

}  // namespace scrivane
