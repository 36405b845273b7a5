// Deterministic test corpora for the benchmarks.
#pragma once

#include <cstdint>
#include <string>

namespace scrivane::bench {

// Appends about `bytes` of prose: paragraphs of lines, about 2% link words
// (URLs with punctuation and brackets, e-mail addresses, www. hosts), special
// characters and non-ASCII words. The same seed always gives the same text.
void AppendCorpus(std::string& out, std::size_t bytes, std::uint64_t seed = 1);

}  // namespace scrivane::bench
