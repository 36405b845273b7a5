// One pass over the input finds the line ends and, on the way, the bytes that
// can change a word, by the byte rules of byte_rules.h. Thirty-two bytes are
// looked at a time where the processor allows; elsewhere a byte loop does the same.
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
constexpr std::size_t kWindow = 32;  // bytes classified at once

// With kControls false the controls mask stays empty: only modern pages, whose
// scanner also runs the modern link rules, take controls out.
template <bool kControls>
[[maybe_unused]] LineScanner::Masks ClassifyBytes(const char* p) {
  LineScanner::Masks masks{0, 0, 0, 0};
  for (unsigned i = 0; i < kWindow; ++i) {
    masks.lineEnds |= (HasRule(p[i], kLineEnd) ? 1u : 0u) << i;
    masks.candidates |= (HasRule(p[i], kCandidate) ? 1u : 0u) << i;
    masks.high |= (static_cast<unsigned char>(p[i]) >= 0x80 ? 1u : 0u) << i;
    if constexpr (kControls) masks.controls |= (HasRule(p[i], kControl) ? 1u : 0u) << i;
  }
  return masks;
}

#if defined(__SSE2__)
template <bool kControls>
LineScanner::Masks ClassifySse2(const char* p) {
  LineScanner::Masks masks{0, 0, 0, 0};
  for (unsigned half = 0; half < 2; ++half) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * half));
    const auto is = [&](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
    const __m128i ends = MatchAny(bytes, kLineEndBytes);
    const __m128i candidates = MatchAny(bytes, kCandidateBytes);
    masks.lineEnds |= static_cast<unsigned>(_mm_movemask_epi8(ends)) << (16 * half);
    masks.candidates |= static_cast<unsigned>(_mm_movemask_epi8(candidates)) << (16 * half);
    masks.high |= static_cast<unsigned>(_mm_movemask_epi8(bytes)) << (16 * half);
    if constexpr (kControls) {
      // As signed bytes, controls (and the high bytes, taken off again) are below 0x20.
      const __m128i controls = _mm_andnot_si128(
          _mm_or_si128(_mm_or_si128(ends, is('\t')), _mm_cmplt_epi8(bytes, _mm_setzero_si128())),
          _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)), is('\x7F')));
      masks.controls |= static_cast<unsigned>(_mm_movemask_epi8(controls)) << (16 * half);
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
template <bool kControls>
__attribute__((target("avx2"))) LineScanner::Masks ClassifyAvx2(const char* p) {
  const __m256i lowTable = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLowTable.data()));
  const __m256i highTable = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kHighTable.data()));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i low = _mm256_shuffle_epi8(lowTable, _mm256_and_si256(bytes, nibble));
  const __m256i high = _mm256_shuffle_epi8(highTable, _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble));
  const __m256i classes = _mm256_and_si256(low, high);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i ends = _mm256_cmpeq_epi8(_mm256_and_si256(classes, _mm256_set1_epi8(kLineEndBit)), zero);
  const __m256i candidates = _mm256_cmpeq_epi8(_mm256_and_si256(classes, _mm256_set1_epi8(kCandidateBits)), zero);
  unsigned controls = 0;
  if constexpr (kControls) {
    controls = ~static_cast<unsigned>(_mm256_movemask_epi8(
        _mm256_cmpeq_epi8(_mm256_and_si256(classes, _mm256_set1_epi8(static_cast<char>(kControlBits))), zero)));
  }
  return {~static_cast<unsigned>(_mm256_movemask_epi8(ends)), ~static_cast<unsigned>(_mm256_movemask_epi8(candidates)),
          static_cast<unsigned>(_mm256_movemask_epi8(bytes)), controls};
}
#endif

LineScanner::Classifier BestClassifier(bool controls) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (__builtin_cpu_supports("avx2")) return controls ? ClassifyAvx2<true> : ClassifyAvx2<false>;
#endif
#if defined(__SSE2__)
  return controls ? ClassifySse2<true> : ClassifySse2<false>;
#else
  return controls ? ClassifyBytes<true> : ClassifyBytes<false>;
#endif
}

}  // namespace

LineScanner::LineScanner(ReadFunction read, const LinkOptions& links)
    : read_(std::move(read)), links_(links), classify_(BestClassifier(links.modern)), buffer_(kBlock) {
  data_ = buffer_.data();
}

LineScanner::LineScanner(std::string_view text, const LinkOptions& links)
    : links_(links), classify_(BestClassifier(links.modern)), window_(text.size()), data_(text.data()), end_(text.size()),
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
void LineScanner::NoteCandidates(unsigned mask, std::size_t at, bool& mayChange) const {
  for (; mask != 0 && !mayChange; mask &= mask - 1) {
    const std::size_t i = at + static_cast<std::size_t>(__builtin_ctz(mask));
    mayChange = MayChangeWord<kModern>(data_, begin_, i, end_, !atEnd_, links_);
  }
}

bool LineScanner::Next(ScannedLine& line) {
  return links_.modern ? NextWith<true>(line) : NextWith<false>(line);
}

template <bool kModern>
bool LineScanner::NextWith(ScannedLine& line) {
  bool mayChange = false;
  unsigned high = 0;
  unsigned controls = 0;
  std::size_t scan = begin_;
  for (;;) {
    bool found = false;
    while (scan < end_) {
      if (scan < window_ || scan >= window_ + kWindow) {
        window_ = scan;
        if (end_ - scan >= kWindow) {
          masks_ = classify_(data_ + scan);
        } else {  // the last bytes: classify a copy, never what lies past the data
          char last[kWindow];
          std::memset(last, ' ', kWindow);
          std::memcpy(last, data_ + scan, end_ - scan);
          masks_ = classify_(last);  // the spaces after the data fall in no class
        }
      }
      const unsigned offset = static_cast<unsigned>(scan - window_);
      const unsigned from = ~0u << offset;  // bits of this line's bytes onwards
      const unsigned ends = masks_.lineEnds & from;
      const unsigned upTo = ends != 0 ? (1u << __builtin_ctz(ends)) - 1 : ~0u;
      const unsigned candidates = masks_.candidates & from & upTo;
      if (candidates != 0 && !mayChange) NoteCandidates<kModern>(candidates, window_, mayChange);
      high |= masks_.high & from & upTo;
      controls |= masks_.controls & from & upTo;
      if (ends != 0) {
        scan = window_ + static_cast<std::size_t>(__builtin_ctz(ends));
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

}  // namespace scrivane
