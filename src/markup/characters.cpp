// Character counting over UTF-8. A character starts at every byte that is not a
// continuation byte (10xxxxxx), which also gives a defined answer for bytes that
// are not valid UTF-8.
#include "markup.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "byte_rules.h"

namespace scrivane {

std::size_t CharCount(std::string_view text) {
  // Eight bytes at a time: a continuation byte has its top bit set and the next one
  // clear. Each byte lane counts the continuation bytes it saw, up to 255 of them.
  constexpr std::uint64_t kTops = 0x8080808080808080ull;
  constexpr std::uint64_t kEvenLanes = 0x00FF00FF00FF00FFull;
  constexpr std::size_t kWordsPerRound = 255;
  std::size_t continuations = 0;
  std::size_t i = 0;
  while (text.size() - i >= sizeof(std::uint64_t)) {
    const std::size_t words = std::min((text.size() - i) / sizeof(std::uint64_t), kWordsPerRound);
    std::uint64_t lanes = 0;
    for (std::size_t k = 0; k < words; ++k, i += sizeof(std::uint64_t)) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, sizeof word);
      lanes += (word & ~(word << 1) & kTops) >> 7;
    }
    const std::uint64_t pairs = (lanes & kEvenLanes) + ((lanes >> 8) & kEvenLanes);  // four sums below 511
    continuations += static_cast<std::size_t>((pairs * 0x0001000100010001ull) >> 48);
  }
  for (; i < text.size(); ++i) continuations += IsContinuation(text[i]) ? 1 : 0;
  return text.size() - continuations;
}

std::size_t TailBytes(std::string_view text, std::size_t count) {
  std::size_t start = text.size();
  while (count > 0 && start > 0) {
    --start;
    while (start > 0 && IsContinuation(text[start])) --start;
    --count;
  }
  return text.size() - start;
}

}  // namespace scrivane
