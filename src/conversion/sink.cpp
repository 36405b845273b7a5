// Block buffering of the document's text.
#include "sink.h"

#include <algorithm>

namespace scrivane {

DocumentSink::DocumentSink(Writer writer, TextEncoding encoding, std::size_t flushSize)
    : DocumentSink(
          PiecesWriter([writer = std::move(writer)](std::span<const std::string_view> pieces) {
            for (const std::string_view piece : pieces) writer(piece);
          }),
          encoding, flushSize) {
  gather_ = 1;  // nothing to gather for: each piece goes as it comes
}

DocumentSink::DocumentSink(PiecesWriter writer, TextEncoding encoding, std::size_t flushSize)
    : writer_(std::move(writer)), gather_(kGather), flushSize_(flushSize), encoding_(encoding) {
  pending_.reserve(std::min(flushSize, kFlushSize) + 64 * 1024);
}

void DocumentSink::Pass() {
  Hold(pending_);
  WriteHeld(false);
}

void DocumentSink::Flush() {
  Hold(pending_);
  WriteHeld(true);
}

void DocumentSink::Append(std::string_view lines) {
  Flush();
  if (lines.empty()) return;
  // Written at once, not held: the text may be a great part of the document.
  std::string encoded;
  if (encoding_ == TextEncoding::Windows1252) {
    AppendWindows1252FromUtf8(encoded, lines);
    lines = encoded;
  }
  writer_(std::span(&lines, 1));
  written_ += lines.size();
}

void DocumentSink::Take(std::string& lines) {
  Hold(pending_);
  Hold(lines);
  WriteHeld(false);
}

void DocumentSink::Hold(std::string& text) {
  if (text.empty()) return;
  std::string spare;
  if (!spare_.empty()) {
    spare.swap(spare_.back());
    spare_.pop_back();
  }
  if (encoding_ == TextEncoding::Windows1252) {
    AppendWindows1252FromUtf8(spare, text);
    text.clear();
    held_.push_back(std::move(spare));
  } else {
    held_.push_back(std::move(text));
    text = std::move(spare);
  }
  heldBytes_ += held_.back().size();
}

void DocumentSink::WriteHeld(bool all) {
  std::size_t size = heldBytes_;
  if (!all) {
    const std::uint64_t end = (written_ + heldBytes_) / gather_ * gather_;
    size = end > written_ ? static_cast<std::size_t>(end - written_) : 0;
  }
  if (size == 0) return;
  pieces_.clear();
  std::size_t left = size;
  for (std::size_t i = 0; left > 0; ++i) {
    pieces_.push_back(std::string_view(held_[i]).substr(i == 0 ? heldFrom_ : 0, left));
    left -= pieces_.back().size();
  }
  writer_(pieces_);
  written_ += size;
  heldBytes_ -= size;
  // The buffers written through are emptied for use again; the last may be written in part.
  for (left = size; !held_.empty() && left >= held_.front().size() - heldFrom_; held_.pop_front()) {
    left -= held_.front().size() - heldFrom_;
    heldFrom_ = 0;
    held_.front().clear();
    spare_.push_back(std::move(held_.front()));
  }
  heldFrom_ += left;
}

}  // namespace scrivane
