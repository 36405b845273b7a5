// Block buffering of the document's text.
#include "sink.h"

#include <algorithm>

namespace scrivane {

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

}  // namespace scrivane
