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
  bool Next(ScannedLine& line) { return (this->*next_)(line); }
  // The longest stretch of whole lines from here that a page may copy as they
  // are: each ends in LF alone and holds no byte that may change a word, none
  // above 127 and, under the modern rules, no control. `lines.text` holds them
  // with their LFs. False, with nothing taken, when the next line is not one.
  bool NextPlainLines(ScannedLine& lines) { return (this->*plainLines_)(lines); }
  // True when the line is known to hold only printable ASCII and TAB; controls are
  // noted under the modern rules only, so under the classic rules it is never known.
  bool IsPrintable(const ScannedLine& line) const { return links_.modern && !line.hasHighBytes && !line.hasControls; }

 // Bit masks of 64 bytes: line ends, candidate bytes, bytes above 127, controls
 // other than TAB and the line ends, and DEL, and the CRs among the line ends.
 // A classifier may leave out of the candidates a byte the link rules would
 // pass over anyway.
  struct Masks {
    std::uint64_t lineEnds;
    std::uint64_t candidates;
    std::uint64_t high;
    std::uint64_t controls;
    std::uint64_t returns;
  };

 private:
  // A line scan under one link rule set and one classifier.
  using NextFunction = bool (LineScanner::*)(ScannedLine&);
  // The scans for the link rules (Next's, or NextPlainLines' with `plainLines`),
  // classifying the best way the processor offers.
  static NextFunction BestNext(bool modern, bool plainLines = false);
  bool Refill();
  // Moves the window to `scan` and returns its 64 bytes to classify: in place,
  // or the last ones copied into `last`.
  const char* WindowAt(std::size_t scan, char* last);
  // Next and NextPlainLines under the classic or the modern link rules with one
  // classifier, built into each caller below so that the classifier is inlined.
  // `Classifier::Of` classifies the 64 bytes at a pointer (a type, so that each
  // call is direct and is built in).
  template <bool kModern, class Classifier>
  bool NextWith(ScannedLine& line);
  template <bool kModern, class Classifier>
  bool PlainLinesWith(ScannedLine& lines);
  // PlainLinesWith's run over whole windows that need no closer look.
  template <bool kModern, class Classifier>
  std::size_t SkipQuietWindows(std::size_t scan, std::size_t& taken);
  template <bool kModern, bool kPlainLines>
  bool NextPortable(ScannedLine& line);
#if defined(__x86_64__) && defined(__GNUC__)
  // Flattened as declared here: on a member template's definition alone the
  // compiler leaves the classifier a call of its own.
  template <bool kModern, bool kPlainLines>
  __attribute__((target("avx2"), flatten)) bool NextAvx2(ScannedLine& line);
#endif
  template <bool kModern>
  void NoteCandidates(std::uint64_t mask, std::size_t at, bool& mayChange) const;

  ReadFunction read_;
  LinkOptions links_;
  NextFunction next_;
  NextFunction plainLines_;    // NextPlainLines' scan
  Masks masks_{0, 0, 0, 0, 0};    // of the 64 bytes at window_
  std::size_t window_ = 0;
  std::vector<char> buffer_;   // what was read, when reading
  const char* data_ = nullptr; // the bytes scanned: [0, end_)
  std::size_t begin_ = 0;      // start of the next line
  std::size_t end_ = 0;
  bool atEnd_ = false;
  std::uint64_t consumed_ = 0;
};

}  // namespace scrivane
