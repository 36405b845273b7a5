// Writes a deterministic corpus file: make_corpus FILE MEBIBYTES [SEED]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corpus.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_corpus FILE MEBIBYTES [SEED]\n");
    return 2;
  }
  const std::size_t total = std::strtoull(argv[2], nullptr, 10) << 20;
  const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1;
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::string chunk;
  for (std::size_t written = 0; written < total; written += chunk.size()) {
    chunk.clear();
    scrivane::bench::AppendCorpus(chunk, std::min<std::size_t>(8 << 20, total - written), seed + written);
    if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) {
      std::perror(argv[1]);
      return 1;
    }
  }
  return std::fclose(file) == 0 ? 0 : 1;
}
