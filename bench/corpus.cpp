// A deterministic corpus that looks like real prose with links in it.
#include "corpus.h"

#include <array>
#include <random>
#include <string_view>

namespace scrivane::bench {
namespace {

constexpr std::array<std::string_view, 48> kWords = {
    "the",     "of",       "and",     "to",      "in",       "a",        "is",      "that",
    "for",     "it",       "as",      "was",     "with",     "be",       "by",      "on",
    "not",     "he",       "this",    "are",     "or",       "his",      "from",    "at",
    "which",   "but",      "have",    "an",      "had",      "they",     "you",     "were",
    "their",   "one",      "all",     "we",      "can",      "her",      "has",     "there",
    "been",    "if",       "more",    "when",    "will",     "would",    "who",     "so"};

constexpr std::array<std::string_view, 12> kLongWords = {
    "conversion",  "document",  "paragraph",   "information", "available", "following",
    "understanding", "structure", "development", "particular", "experience", "something"};

constexpr std::array<std::string_view, 10> kLinks = {
    "http://www.example.com/index.html", "(https://example.org/a/b?c=d).", "www.example.net,",
    "ftp.example.com",                   "someone@example.com",            "(mail.me@example.org)",
    "https://en.example.org/wiki/Text.", "\"http://example.com/q\"",       "HTTP://EXAMPLE.COM/",
    "info@sub.example.co.uk."};

constexpr std::array<std::string_view, 10> kSpecial = {
    "&",  "<tag>", "\"quoted\"", "\xC2\xA3" "42", "caf\xC3\xA9", "na\xC3\xAFve", "\xE2\x82\xAC" "10",
    "it's", "r\xC3\xA9sum\xC3\xA9", "5 > 3"};

}  // namespace

void AppendCorpus(std::string& out, std::size_t bytes, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  const std::size_t target = out.size() + bytes;
  int linesInParagraph = 0;
  while (out.size() < target) {
    const int words = 6 + static_cast<int>(random() % 10);
    for (int i = 0; i < words; ++i) {
      if (i > 0) out.push_back(' ');
      const unsigned pick = random() % 1000;
      if (pick < 20) {
        out.append(kLinks[random() % kLinks.size()]);
      } else if (pick < 35) {
        out.append(kSpecial[random() % kSpecial.size()]);
      } else if (pick < 200) {
        out.append(kLongWords[random() % kLongWords.size()]);
      } else {
        out.append(kWords[random() % kWords.size()]);
      }
    }
    out.push_back(random() % 12 == 0 ? ',' : '.');
    out.push_back('\n');
    if (++linesInParagraph >= 3 + static_cast<int>(random() % 5)) {
      out.push_back('\n');
      linesInParagraph = 0;
    }
  }
}

}  // namespace scrivane::bench
