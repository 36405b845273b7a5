// One pass over the input finds the line ends and, on the way, the bytes that
// can change a word, by the byte rules of byte_rules.h. Sixty-four bytes are
// classified at a time, with vector instructions where the processor has them.
#include "line_scanner.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "byte_rules.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace scrivane {
namespace {

constexpr std::size_t kBlock = 256 * 1024;
constexpr std::size_t kWindow = 64;  // bytes classified at once

// With kControls false the controls mask stays empty: only modern pages, whose
// scanner also runs the modern link rules, take controls out.
template <bool kControls>
[[maybe_unused]] LineScanner::Masks ClassifyBytes(const char* p) {
  LineScanner::Masks masks{0, 0, 0, 0, 0};
  const auto bit = [](bool set, unsigned i) { return std::uint64_t{set} << i; };
  for (unsigned i = 0; i < kWindow; ++i) {
    masks.lineEnds |= bit(HasRule(p[i], kLineEnd), i);
    masks.candidates |= bit(HasRule(p[i], kCandidate), i);
    masks.high |= bit(static_cast<unsigned char>(p[i]) >= 0x80, i);
    masks.returns |= bit(p[i] == '\r', i);
    if constexpr (kControls) masks.controls |= bit(HasRule(p[i], kControl), i);
  }
  return masks;
}

#if defined(__SSE2__)
template <bool kControls>
[[gnu::always_inline]] inline LineScanner::Masks ClassifySse2(const char* p) {
  LineScanner::Masks masks{0, 0, 0, 0, 0};
  for (unsigned quarter = 0; quarter < 4; ++quarter) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * quarter));
    const auto bits = [&](__m128i hits) {
      return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(hits))} << (16 * quarter);
    };
    const auto is = [&](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
    const __m128i ends = MatchAny(bytes, kLineEndBytes);
    const __m128i candidates = MatchAny(bytes, kCandidateBytes);
    masks.lineEnds |= bits(ends);
    masks.candidates |= bits(candidates);
    masks.high |= bits(bytes);
    masks.returns |= bits(is('\r'));
    if constexpr (kControls) {
      // As signed bytes, controls (and the high bytes, taken off again) are below 0x20.
      const __m128i controls = _mm_andnot_si128(
          _mm_or_si128(_mm_or_si128(ends, is('\t')), _mm_cmplt_epi8(bytes, _mm_setzero_si128())),
          _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)), is('\x7F')));
      masks.controls |= bits(controls);
    }
  }
  return masks;
}
#endif

// Classification by the two halves of each byte: a byte is in a class when the
// table entries of its low and of its high half share that class's bit. Line
// ends (0A 0D) have bit 0; each high half of the candidates has a bit of its
// own, so no mix of halves from different candidates matches. Controls have
// bit 5 (00 to 0F but TAB and the line ends), bit 6 (10 to 1F) and bit 7 (DEL).
constexpr std::uint8_t kLineEndBit = 1;
constexpr std::uint8_t kCandidateBits = 2 | 4 | 8 | 16;
constexpr std::uint8_t kControlBits = 32 | 64 | 128;
constexpr std::uint8_t kC = 32 | 64, kL = 64, kD = 32 | 64 | 128;  // the control bits of the low halves
constexpr std::array<std::uint8_t, 16> kLowHalves = {8 | kC, kC,     2 | 16 | kC, kC,     kC,         kC, 2 | kC,     kC,
                                                      kC,     kL,     1 | 4 | kL,  kC,     4 | kC,     1 | kL, 2 | 4 | kC, kD};
constexpr std::array<std::uint8_t, 16> kHighHalves = {1 | 32, 64, 2, 4, 8, 0, 0, 128, 0, 0, 0, 0, 16, 0, 0, 0};

// True when the two tables put every byte in the classes the byte rules give it.
constexpr bool HalvesClassifyAsTheRules() {
  for (unsigned b = 0; b < 256; ++b) {
    const unsigned classes = kLowHalves[b & 15] & kHighHalves[b >> 4];
    if (((classes & kLineEndBit) != 0) != HasRule(static_cast<char>(b), kLineEnd)) return false;
    if (((classes & kCandidateBits) != 0) != HasRule(static_cast<char>(b), kCandidate)) return false;
    if (((classes & kControlBits) != 0) != HasRule(static_cast<char>(b), kControl)) return false;
  }
  return true;
}
static_assert(HalvesClassifyAsTheRules());

// A table for both 128-bit lanes of the byte shuffle, which looks up each lane alone.
constexpr std::array<std::uint8_t, 32> BothLanes(const std::array<std::uint8_t, 16>& halves) {
  std::array<std::uint8_t, 32> table{};
  for (std::size_t i = 0; i < 32; ++i) table[i] = halves[i % 16];
  return table;
}
[[maybe_unused]] constexpr std::array<std::uint8_t, 32> kLowTable = BothLanes(kLowHalves);
[[maybe_unused]] constexpr std::array<std::uint8_t, 32> kHighTable = BothLanes(kHighHalves);

#if defined(__x86_64__) && defined(__GNUC__)
// The bytes set in `hits`, one bit each.
[[gnu::always_inline]] inline __attribute__((target("avx2"))) std::uint32_t Bits(__m256i hits) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(hits));
}

// The bytes whose classes share a bit with `classBits`.
[[gnu::always_inline]] inline __attribute__((target("avx2"))) std::uint32_t In(__m256i classes, std::uint8_t classBits) {
  const __m256i none = _mm256_cmpeq_epi8(_mm256_and_si256(classes, _mm256_set1_epi8(static_cast<char>(classBits))),
                                         _mm256_setzero_si256());
  return ~Bits(none);
}

// The masks of 32 bytes, in the low half of each field.
template <bool kControls>
[[gnu::always_inline]] inline __attribute__((target("avx2"))) LineScanner::Masks ClassifyHalfAvx2(const char* p) {
  const __m256i lowTable = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLowTable.data()));
  const __m256i highTable = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kHighTable.data()));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i low = _mm256_shuffle_epi8(lowTable, _mm256_and_si256(bytes, nibble));
  const __m256i high = _mm256_shuffle_epi8(highTable, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
  const __m256i classes = _mm256_and_si256(low, high);
  // A full stop can only end "www" or "ftp": one after any other byte is left out.
  // The byte before each (the one before the first is not in view, so that one stays).
  const __m256i before = _mm256_alignr_epi8(bytes, _mm256_permute2x128_si256(bytes, bytes, 0x08), 15);
  const __m256i folded = _mm256_or_si256(before, _mm256_set1_epi8(0x20));
  const __m256i hostEnd = _mm256_or_si256(_mm256_cmpeq_epi8(folded, _mm256_set1_epi8('w')),
                                          _mm256_cmpeq_epi8(folded, _mm256_set1_epi8('p')));
  const std::uint32_t loneStops =
      Bits(_mm256_andnot_si256(hostEnd, _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('.')))) & ~1u;
  return {In(classes, kLineEndBit), In(classes, kCandidateBits) & ~loneStops, Bits(bytes),
          kControls ? In(classes, kControlBits) : 0u, Bits(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r')))};
}

template <bool kControls>
[[gnu::always_inline]] inline __attribute__((target("avx2"))) LineScanner::Masks ClassifyAvx2(const char* p) {
  const LineScanner::Masks first = ClassifyHalfAvx2<kControls>(p);
  const LineScanner::Masks second = ClassifyHalfAvx2<kControls>(p + 32);
  return {first.lineEnds | second.lineEnds << 32, first.candidates | second.candidates << 32,
          first.high | second.high << 32, first.controls | second.controls << 32,
          first.returns | second.returns << 32};
}

// The bytes of 32 that call for a closer look than a plain byte or an LF gets
// (above 127, CR, a candidate but a lone full stop, and controls with kControls),
// in the low half; `feeds` gets their LFs. The byte before them is read too.
template <bool kControls>
[[gnu::always_inline]] inline __attribute__((target("avx2"))) std::uint32_t HalfAttentionAvx2(const char* p,
                                                                                           std::uint32_t& feeds) {
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p - 1));
  const __m256i low = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLowTable.data())),
                                          _mm256_and_si256(bytes, nibble));
  const __m256i high = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(kHighTable.data())),
                                           _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
  const auto marks = static_cast<char>(kCandidateBits | (kControls ? kControlBits : 0));
  const __m256i unmarked =
      _mm256_cmpeq_epi8(_mm256_and_si256(_mm256_and_si256(low, high), _mm256_set1_epi8(marks)), _mm256_setzero_si256());
  const __m256i folded = _mm256_or_si256(before, _mm256_set1_epi8(0x20));
  const __m256i hostEnd = _mm256_or_si256(_mm256_cmpeq_epi8(folded, _mm256_set1_epi8('w')),
                                          _mm256_cmpeq_epi8(folded, _mm256_set1_epi8('p')));
  const __m256i loneStop = _mm256_andnot_si256(hostEnd, _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('.')));
  // The sign bit of each byte: set above 127, on a CR, and on a marked byte but a lone full stop.
  const __m256i attention = _mm256_or_si256(
      _mm256_or_si256(bytes, _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r'))),
      _mm256_andnot_si256(_mm256_or_si256(unmarked, loneStop), _mm256_set1_epi8(static_cast<char>(0x80))));
  feeds = Bits(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')));
  return Bits(attention);
}

// The classifiers of the scans. Each is built into the scan (a call for every
// 64 bytes would cost it a sixth of its time): the AVX2 one is compiled for AVX2
// as the scan is, which lets the compiler build it in.
template <bool kControls>
struct Avx2Classifier {
  __attribute__((target("avx2"))) static LineScanner::Masks Of(const char* p) {
    return ClassifyAvx2<kControls>(p);
  }
  // True when the 64 bytes at p hold only plain bytes and LFs, whose bits go
  // into `feeds`; otherwise `masks` gets their masks. The byte before p is read too.
  __attribute__((target("avx2"))) static bool Quiet(const char* p, std::uint64_t& feeds, LineScanner::Masks& masks) {
    std::uint32_t firstFeeds = 0, secondFeeds = 0;
    const std::uint32_t first = HalfAttentionAvx2<kControls>(p, firstFeeds);
    const std::uint32_t second = HalfAttentionAvx2<kControls>(p + 32, secondFeeds);
    if ((first | second) != 0) {
      masks = Of(p);
      return false;
    }
    feeds = firstFeeds | std::uint64_t{secondFeeds} << 32;
    return true;
  }
};
#endif

// SCRIVANE_PORTABLE builds the byte-by-byte classifier alone and SCRIVANE_NO_AVX2
// leaves the AVX2 one out, so that tests run each path on any x86-64 processor.
template <bool kControls>
struct PortableClassifier {
#if defined(__SSE2__) && !defined(SCRIVANE_PORTABLE)
  [[gnu::always_inline]] static LineScanner::Masks Of(const char* p) { return ClassifySse2<kControls>(p); }
#else
  [[gnu::always_inline]] static LineScanner::Masks Of(const char* p) { return ClassifyBytes<kControls>(p); }
#endif
  // As Avx2Classifier::Quiet, from the masks.
  [[gnu::always_inline]] static bool Quiet(const char* p, std::uint64_t& feeds, LineScanner::Masks& masks) {
    masks = Of(p);
    feeds = masks.lineEnds;
    return (masks.high | masks.returns | masks.candidates | masks.controls) == 0;
  }
};

}  // namespace

LineScanner::LineScanner(ReadFunction read, const LinkOptions& links)
    : read_(std::move(read)),
      links_(links),
      next_(BestNext(links.modern)),
      plainLines_(BestNext(links.modern, true)),
      buffer_(kBlock) {
  data_ = buffer_.data();
}

LineScanner::LineScanner(std::string_view text, const LinkOptions& links)
    : links_(links),
      next_(BestNext(links.modern)),
      plainLines_(BestNext(links.modern, true)),
      window_(text.size()), data_(text.data()), end_(text.size()),
      atEnd_(true) {}

bool LineScanner::Refill() {
  if (atEnd_) return false;
  window_ = end_;  // the data moves and grows: classify again
  if (begin_ > 0) {
    std::memmove(buffer_.data(), data_ + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() - end_ < kBlock / 2) buffer_.resize(buffer_.size() * 2);
  data_ = buffer_.data();
  const std::size_t got = read_(buffer_.data() + end_, buffer_.size() - end_);
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  end_ += got;
  window_ = end_;
  return true;
}

// Decides, for each candidate byte in `mask` (bit k is the byte at at + k), whether
// it really can change its word. Where the answer needs bytes not read yet, it
// says yes: the line is then looked at again in full, which is always right.
template <bool kModern>
void LineScanner::NoteCandidates(std::uint64_t mask, std::size_t at, bool& mayChange) const {
  for (; mask != 0 && !mayChange; mask &= mask - 1) {
    const std::size_t i = at + static_cast<std::size_t>(__builtin_ctzll(mask));
    mayChange = MayChangeWord<kModern>(data_, begin_, i, end_, !atEnd_, links_);
  }
}

LineScanner::NextFunction LineScanner::BestNext(bool modern, bool plainLines) {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(SCRIVANE_PORTABLE) && !defined(SCRIVANE_NO_AVX2)
  if (__builtin_cpu_supports("avx2")) {
    if (modern) return plainLines ? &LineScanner::NextAvx2<true, true> : &LineScanner::NextAvx2<true, false>;
    return plainLines ? &LineScanner::NextAvx2<false, true> : &LineScanner::NextAvx2<false, false>;
  }
#endif
  if (modern) return plainLines ? &LineScanner::NextPortable<true, true> : &LineScanner::NextPortable<true, false>;
  return plainLines ? &LineScanner::NextPortable<false, true> : &LineScanner::NextPortable<false, false>;
}

template <bool kModern, bool kPlainLines>
bool LineScanner::NextPortable(ScannedLine& line) {
  if constexpr (kPlainLines) return PlainLinesWith<kModern, PortableClassifier<kModern>>(line);
  return NextWith<kModern, PortableClassifier<kModern>>(line);
}

#if defined(__x86_64__) && defined(__GNUC__)
template <bool kModern, bool kPlainLines>
__attribute__((target("avx2"), flatten)) bool LineScanner::NextAvx2(ScannedLine& line) {
  if constexpr (kPlainLines) return PlainLinesWith<kModern, Avx2Classifier<kModern>>(line);
  return NextWith<kModern, Avx2Classifier<kModern>>(line);
}
#endif

[[gnu::always_inline]] inline const char* LineScanner::WindowAt(std::size_t scan, char* last) {
  window_ = scan;
  if (end_ - scan >= kWindow) return data_ + scan;
  // The last bytes: a copy is classified, never what lies past the data.
  std::memset(last, ' ', kWindow);  // the spaces after the data fall in no class
  std::memcpy(last, data_ + scan, end_ - scan);
  return last;
}

template <bool kModern, class Classifier>
[[gnu::always_inline]] inline bool LineScanner::NextWith(ScannedLine& line) {
  bool mayChange = false;
  std::uint64_t high = 0;
  std::uint64_t controls = 0;
  std::size_t scan = begin_;
  char last[kWindow];
  for (;;) {
    bool found = false;
    while (scan < end_) {
      if (scan < window_ || scan >= window_ + kWindow) masks_ = Classifier::Of(WindowAt(scan, last));
      const unsigned offset = static_cast<unsigned>(scan - window_);
      const std::uint64_t from = ~std::uint64_t{0} << offset;  // bits of this line's bytes onwards
      const std::uint64_t ends = masks_.lineEnds & from;
      const std::uint64_t upTo = ends != 0 ? (std::uint64_t{1} << __builtin_ctzll(ends)) - 1 : ~std::uint64_t{0};
      const std::uint64_t candidates = masks_.candidates & from & upTo;
      if (candidates != 0 && !mayChange) NoteCandidates<kModern>(candidates, window_, mayChange);
      high |= masks_.high & from & upTo;
      if constexpr (kModern) controls |= masks_.controls & from & upTo;  // never noted under the classic rules
      if (ends != 0) {
        scan = window_ + static_cast<std::size_t>(__builtin_ctzll(ends));
        found = true;
        break;
      }
      scan = std::min(window_ + kWindow, end_);
    }
    if (found && (data_[scan] == '\n' || scan + 1 < end_ || atEnd_)) break;  // a complete line end
    const std::size_t offset = scan - begin_;
    const bool more = Refill();
    scan = begin_ + offset;
    if (!more && scan == end_) {
      if (begin_ == end_) return false;
      break;  // a last line without a line end
    }
  }
  std::size_t next = scan;
  if (scan < end_) next += (data_[scan] == '\r' && scan + 1 < end_ && data_[scan + 1] == '\n') ? 2 : 1;
  line.text = std::string_view(data_ + begin_, scan - begin_);
  line.mayChange = mayChange;
  line.hasHighBytes = high != 0;
  line.hasControls = controls != 0;
  consumed_ += next - begin_;
  line.consumed = consumed_;
  begin_ = next;
  return true;
}

// Takes whole windows from `scan` on while they hold only plain bytes and LFs,
// moving `taken` past their last LF; returns where the first other window
// starts, classified as the current window, or where fewer than a window's bytes are left.
template <bool kModern, class Classifier>
[[gnu::always_inline]] inline std::size_t LineScanner::SkipQuietWindows(std::size_t scan, std::size_t& taken) {
  const char* const data = data_;
  const std::size_t end = end_;
  if (scan == 0) return scan;  // the classifier reads the byte before the window
  for (; end - scan >= kWindow; scan += kWindow) {
    std::uint64_t feeds = 0;
    Masks masks;
    if (!Classifier::Quiet(data + scan, feeds, masks)) {
      window_ = scan;
      masks_ = masks;
      return scan;
    }
    if (feeds != 0) taken = scan + kWindow - static_cast<std::size_t>(__builtin_clzll(feeds));
  }
  return scan;
}

// Windows are taken whole until a byte that ends the stretch: one above 127, a
// CR, a control (under the modern rules), or a candidate that may change its
// word. The stretch ends at the last LF before it, or before the bytes not read yet.
template <bool kModern, class Classifier>
[[gnu::always_inline]] inline bool LineScanner::PlainLinesWith(ScannedLine& lines) {
  std::size_t taken = begin_;  // just after the last LF of the stretch so far
  char last[kWindow];
  for (std::size_t scan = begin_; scan < end_; scan = window_ + kWindow) {
    if (scan < window_ || scan >= window_ + kWindow) {
      scan = SkipQuietWindows<kModern, Classifier>(scan, taken);
      if (scan >= end_) break;
      if (scan != window_) masks_ = Classifier::Of(WindowAt(scan, last));
    }
    const std::uint64_t from = ~std::uint64_t{0} << (scan - window_);
    const std::uint64_t feeds = masks_.lineEnds & ~masks_.returns & from;
    std::uint64_t stops = (masks_.high | masks_.returns | (kModern ? masks_.controls : 0)) & from;
    const std::uint64_t beforeStop = stops != 0 ? (std::uint64_t{1} << __builtin_ctzll(stops)) - 1 : ~std::uint64_t{0};
    for (std::uint64_t candidates = masks_.candidates & from & beforeStop; candidates != 0;
         candidates &= candidates - 1) {
      const auto bit = static_cast<unsigned>(__builtin_ctzll(candidates));
      const std::uint64_t feedsBefore = feeds & ((std::uint64_t{1} << bit) - 1);
      const std::size_t lineStart =
          feedsBefore != 0 ? window_ + kWindow - static_cast<std::size_t>(__builtin_clzll(feedsBefore)) : taken;
      if (MayChangeWord<kModern>(data_, lineStart, window_ + bit, end_, !atEnd_, links_)) {
        stops = std::uint64_t{1} << bit;
        break;
      }
    }
    const std::uint64_t upTo = stops != 0 ? (stops & -stops) - 1 : ~std::uint64_t{0};
    if ((feeds & upTo) != 0) taken = window_ + kWindow - static_cast<std::size_t>(__builtin_clzll(feeds & upTo));
    if (stops != 0) break;
  }
  if (taken == begin_) return false;
  lines.text = std::string_view(data_ + begin_, taken - begin_);
  lines.mayChange = lines.hasHighBytes = lines.hasControls = false;
  consumed_ += taken - begin_;
  lines.consumed = consumed_;
  begin_ = taken;
  return true;
}

}  // namespace scrivane
