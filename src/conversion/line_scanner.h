// The run's input reader: lines split at CR LF, CR or LF (as NormaliseLineEnds
// splits them), each marked with what a single pass over it found, so that
// lines holding nothing to escape or link can be copied as they are.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "markup.h"

namespace scrivane {

// One line of input and what it may need.
struct ScannedLine {
  std::string_view text;      // without its line end; valid until the next call
  bool mayChange = false;     // holds a byte that may make a word change (escape or link)
  bool hasHighBytes = false;  // holds bytes above 127 (to be checked or decoded)
  bool hasControls = false;   // holds controls other than TAB, or DEL (noted under modern rules only)
  std::uint64_t consumed = 0; // input bytes read through this line's end
};

// Reads input in large blocks and yields its lines one at a time.
class LineScanner {
 public:
  LineScanner(ReadFunction read, const LinkOptions& links);
  // Scans text already in memory, in place; it must outlive the scanner.
  LineScanner(std::string_view text, const LinkOptions& links);

  // The next line; false at the end of the input.
  bool Next(ScannedLine& line);
  // True when lines' hasControls is noted (under the modern rules); else it is always false.
  bool NotesControls() const { return links_.modern; }

 // Bit masks of 32 bytes: line ends, candidate bytes, bytes above 127, controls
 // other than TAB and the line ends, and DEL.
  struct Masks {
    unsigned lineEnds;
    unsigned candidates;
    unsigned high;
    unsigned controls;
  };
  // Classifies the 32 bytes at a pointer (the best way the processor offers).
  using Classifier = Masks (*)(const char*);

 private:
  bool Refill();
  // Next under the classic or the modern link rules, chosen once per line.
  template <bool kModern>
  bool NextWith(ScannedLine& line);
  template <bool kModern>
  void NoteCandidates(unsigned mask, std::size_t at, bool& mayChange) const;

  ReadFunction read_;
  LinkOptions links_;
  Classifier classify_;
  Masks masks_{0, 0, 0, 0};    // of the 32 bytes at window_
  std::size_t window_ = 0;
  std::vector<char> buffer_;   // what was read, when reading
  const char* data_ = nullptr; // the bytes scanned: [0, end_)
  std::size_t begin_ = 0;      // start of the next line
  std::size_t end_ = 0;
  bool atEnd_ = false;
  std::uint64_t consumed_ = 0;
};

}  // namespace scrivane
