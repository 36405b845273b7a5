// One pass over the input finds the line ends and, on the way, the bytes that
// can change a word: & < > " always, @ for addresses, ":" when "//" follows,
// the pound sign's lead byte C2 when A3 follows, and a full stop that ends a
// "www." or "ftp." at the start of a word. Sixteen bytes are looked at a time
// where the processor allows; elsewhere a byte table does the same.
#include "line_scanner.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivane {
namespace {

constexpr std::size_t kBlock = 256 * 1024;
constexpr std::size_t kPadding = 16;  // a 16-byte load may start at any byte of data

enum : unsigned char { kOther = 0, kLineEnd = 1, kCandidate = 2 };

constexpr std::array<unsigned char, 256> MakeClasses() {
  std::array<unsigned char, 256> classes{};
  classes['\n'] = classes['\r'] = kLineEnd;
  for (unsigned char c : {'&', '<', '>', '"', ':', '@', '.'}) classes[c] = kCandidate;
  classes[0xC2] = kCandidate;
  return classes;
}

constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Bit masks of 16 bytes at p: line ends, candidates, bytes above 127.
struct Masks {
  unsigned lineEnds;
  unsigned candidates;
  unsigned high;
};

Masks Classify(const char* p) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto is = [&](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  const __m128i ends = _mm_or_si128(is('\n'), is('\r'));
  const __m128i candidates =
      _mm_or_si128(_mm_or_si128(_mm_or_si128(is('&'), is('<')), _mm_or_si128(is('>'), is('"'))),
                   _mm_or_si128(_mm_or_si128(is(':'), is('@')), _mm_or_si128(is('.'), is('\xC2'))));
  return {static_cast<unsigned>(_mm_movemask_epi8(ends)), static_cast<unsigned>(_mm_movemask_epi8(candidates)),
          static_cast<unsigned>(_mm_movemask_epi8(bytes))};
#else
  Masks masks{0, 0, 0};
  for (unsigned i = 0; i < 16; ++i) {
    const unsigned char c = static_cast<unsigned char>(p[i]);
    masks.lineEnds |= (kClasses[c] == kLineEnd ? 1u : 0u) << i;
    masks.candidates |= (kClasses[c] == kCandidate ? 1u : 0u) << i;
    masks.high |= (c >= 0x80 ? 1u : 0u) << i;
  }
  return masks;
#endif
}

}  // namespace

LineScanner::LineScanner(ReadFunction read, const LinkOptions& links)
    : read_(std::move(read)), links_(links), buffer_(kBlock + kPadding) {}

bool LineScanner::Refill() {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() - kPadding - end_ < kBlock / 2) buffer_.resize(buffer_.size() * 2);
  const std::size_t got = read_(buffer_.data() + end_, buffer_.size() - kPadding - end_);
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += got;
  return true;
}

// Decides, for each candidate byte in `mask` (bit k is the byte at at + k), whether
// it really can change its word. Where the answer needs bytes not read yet, it
// says yes: the line is then looked at again in full, which is always right.
void LineScanner::NoteCandidates(unsigned mask, std::size_t at, bool& mayChange) const {
  const char* p = buffer_.data();
  for (; mask != 0 && !mayChange; mask &= mask - 1) {
    const std::size_t i = at + static_cast<std::size_t>(__builtin_ctz(mask));
    const bool unknownAhead = i + 2 >= end_ && !atEnd_;
    switch (p[i]) {
      case '&': case '<': case '>': case '"': mayChange = true; break;
      case '@': mayChange = links_.emailCheck; break;
      case ':': mayChange = unknownAhead || (i + 2 < end_ && p[i + 1] == '/' && p[i + 2] == '/'); break;
      case '.': {
        const std::size_t inLine = i - begin_;
        if (inLine < 3 || (inLine > 3 && p[i - 4] != ' ' && p[i - 4] != '\t')) break;
        const char a = LowerAscii(p[i - 3]), b = LowerAscii(p[i - 2]), c = LowerAscii(p[i - 1]);
        mayChange = (links_.changeWWW && a == 'w' && b == 'w' && c == 'w') ||
                    (links_.changeFTP && a == 'f' && b == 't' && c == 'p');
        break;
      }
      default:  // C2, the pound sign when A3 follows
        mayChange = unknownAhead || (i + 1 < end_ && p[i + 1] == '\xA3');
        break;
    }
  }
}

bool LineScanner::Next(ScannedLine& line) {
  bool mayChange = false;
  unsigned high = 0;
  std::size_t scan = begin_;
  for (;;) {
    while (scan < end_) {
      Masks masks = Classify(buffer_.data() + scan);
      if (end_ - scan < 16) {
        const unsigned valid = (1u << (end_ - scan)) - 1;
        masks.lineEnds &= valid;
        masks.candidates &= valid;
        masks.high &= valid;
      }
      if (masks.lineEnds != 0) {
        const unsigned before = (1u << __builtin_ctz(masks.lineEnds)) - 1;
        NoteCandidates(masks.candidates & before, scan, mayChange);
        high |= masks.high & before;
        scan += static_cast<std::size_t>(__builtin_ctz(masks.lineEnds));
        break;
      }
      NoteCandidates(masks.candidates, scan, mayChange);
      high |= masks.high;
      scan += std::min<std::size_t>(16, end_ - scan);
    }
    if (scan < end_ && (buffer_[scan] == '\n' || scan + 1 < end_ || atEnd_)) break;  // a complete line end
    const std::size_t offset = scan - begin_;
    const bool more = Refill();
    scan = begin_ + offset;
    if (!more && scan == end_) {
      if (begin_ == end_) return false;
      break;  // a last line without a line end
    }
  }
  std::size_t next = scan;
  if (scan < end_) next += (buffer_[scan] == '\r' && scan + 1 < end_ && buffer_[scan + 1] == '\n') ? 2 : 1;
  line.text = std::string_view(buffer_.data() + begin_, scan - begin_);
  line.mayChange = mayChange;
  line.hasHighBytes = high != 0;
  consumed_ += next - begin_;
  line.consumed = consumed_;
  begin_ = next;
  return true;
}

}  // namespace scrivane
