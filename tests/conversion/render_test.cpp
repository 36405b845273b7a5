// The run renders words through a fast scan; it must give exactly what the named
// routines give word by word, whatever the text holds.
#include <gtest/gtest.h>

#include <random>

#include "render.h"

namespace scrivane {
namespace {

// Pieces that exercise every rule: links of each kind, wrappers, entities,
// punctuation, tabs, multi-byte characters and doubled spaces.
const std::vector<std::string> kTokens = {
    "word", "http://x.com", "(http://a.b/c).", "www.", "WWW.x.org", "ftp.y", "joe@x.org", "@", ".", "://",
    "&", "<", ">", "\"", "'", "\xC2\xA3", "\xC3\xA9", "\xC2", "\t", " ", "  ", ":", "/", ",", "!", "&quot;",
    "javascript://", "(", ")", "[", "]", "{", "}", "a@b.c", "mailto:", "x", "\xE2\x82\xAC", "\xA3"};

std::string RandomText(std::mt19937& random) {
  std::string text;
  const int tokens = static_cast<int>(random() % 30);
  for (int i = 0; i < tokens; ++i) text += kTokens[random() % kTokens.size()];
  return text;
}

TEST(RenderText, MatchesTheWordByWordReference) {
  std::mt19937 random(2024);
  for (int round = 0; round < 40000; ++round) {
    const std::string text = RandomText(random);
    const LinkOptions links{(random() & 1) != 0, (random() & 2) != 0, (random() & 4) != 0, (random() & 8) != 0};
    std::string fast, reference;
    RenderText(text, links, fast);
    RenderTextReference(text, links, reference);
    ASSERT_EQ(fast, reference) << "text: [" << text << "]";
    if (IsPlainText(text, links)) {  // plain text holds nothing to render
      ASSERT_EQ(fast, text);
    }
  }
}

}  // namespace
}  // namespace scrivane
