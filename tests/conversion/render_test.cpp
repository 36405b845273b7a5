// The run renders words through a fast scan; it must give exactly what the named
// routines give word by word, whatever the text holds.
#include <gtest/gtest.h>

#include <random>

#include "markup_reference.h"
#include "render.h"

namespace scrivane {
namespace {

// Pieces that exercise every rule: links of each kind, wrappers, entities,
// punctuation, tabs, multi-byte characters and doubled spaces.
const std::vector<std::string> kTokens = {
    "word", "http://x.com", "(http://a.b/c).", "www.", "WWW.x.org", "ftp.y", "joe@x.org", "@", ".", "://",
    "&", "<", ">", "\"", "'", "\xC2\xA3", "\xC3\xA9", "\xC2", "\t", " ", "  ", ":", "/", ",", "!", "&quot;",
    "javascript://", "(", ")", "[", "]", "{", "}", "a@b.c", "mailto:", "x", "\xE2\x82\xAC", "\xA3"};

// And what the modern rules look at besides: more opening punctuation, hosts.
const std::vector<std::string> kModernTokens = [] {
  std::vector<std::string> tokens = kTokens;
  tokens.insert(tokens.end(), {"|", "\xEF\xBC\x88", "[::1]", "_", "b\xC3\xBC" "cher.de", "mailto:x@y.z", ":80/"});
  return tokens;
}();

std::string RandomText(std::mt19937& random, const std::vector<std::string>& pieces) {
  std::string text;
  const int tokens = static_cast<int>(random() % 30);
  for (int i = 0; i < tokens; ++i) text += pieces[random() % pieces.size()];
  return text;
}

void ExpectReferenceRendering(const std::string& text, const LinkOptions& links) {
  std::string fast, reference;
  RenderText(text, links, fast);
  RenderTextReference(text, links, reference);
  ASSERT_EQ(fast, reference) << "text: [" << text << "]";
  if (IsPlainText(text, links)) {  // plain text holds nothing to render
    ASSERT_EQ(fast, text);
  }
  Link link;
  std::size_t wordStart = 0, wordEnd = 0;
  ASSERT_EQ(FindFirstLink(text, links, link, wordStart, wordEnd),
            reference.find(links.modern ? "<a href" : "<A HREF") != std::string::npos)
      << "text: [" << text << "]";
}

TEST(RenderText, MatchesTheWordByWordReference) {
  std::mt19937 random(2024);
  for (int round = 0; round < 40000; ++round) {
    const std::string text = RandomText(random, kTokens);
    const LinkOptions links{(random() & 1) != 0, (random() & 2) != 0, (random() & 4) != 0, (random() & 8) != 0};
    ASSERT_NO_FATAL_FAILURE(ExpectReferenceRendering(text, links));
  }
}

TEST(RenderText, MatchesTheWordByWordReferenceUnderModernRules) {
  std::mt19937 random(2025);
  for (int round = 0; round < 20000; ++round) {
    const std::string text = RandomText(random, kModernTokens);
    const LinkOptions links{(random() & 1) != 0, (random() & 2) != 0, (random() & 4) != 0, true, true};
    ASSERT_NO_FATAL_FAILURE(ExpectReferenceRendering(text, links));
  }
}

std::string Repeat(std::string_view unit, std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) text += unit;
  return text;
}

// Giant words go out in pieces while they render; the pieces joined must be the
// whole rendering, and no piece may split a character (an encoder works on each).
struct GiantWordCase {
  const char* name;
  std::string text;
};

class GiantWordTest : public testing::TestWithParam<GiantWordCase> {};

TEST_P(GiantWordTest, DrainedPiecesMakeTheWholeRendering) {
  const std::string& text = GetParam().text;
  std::string reference;
  RenderTextReference(text, LinkOptions{}, reference);
  std::string out, joined;
  std::size_t pieces = 0;
  const DrainFunction drain = [&] {
    ASSERT_FALSE(out.empty());
    EXPECT_LE(out.size(), 512u * 1024) << "piece " << pieces;
    EXPECT_NE(static_cast<unsigned char>(out.front()) & 0xC0, 0x80u) << "piece " << pieces << " starts mid-character";
    joined += out;
    out.clear();
    ++pieces;
  };
  RenderText(text, LinkOptions{}, out, drain);
  joined += out;
  EXPECT_GE(pieces, 2u);  // over 700 KiB, drained every 256 KiB
  ASSERT_EQ(joined.size(), reference.size());
  EXPECT_TRUE(joined == reference);
}

const std::size_t kGiant = 700 * 1024;

INSTANTIATE_TEST_SUITE_P(
    Render, GiantWordTest,
    testing::Values(GiantWordCase{"Ampersands", Repeat("&", kGiant)},
                    GiantWordCase{"Pounds", Repeat("\xC2\xA3", kGiant)},
                    GiantWordCase{"AccentsAndQuotes", Repeat("\xC3\xA9\"", kGiant)},
                    GiantWordCase{"EuroSigns", "x" + Repeat("\xE2\x82\xAC", kGiant)},
                    GiantWordCase{"Url", "(http://x.org/" + Repeat("\xC3\xA9&", kGiant) + ")."},
                    GiantWordCase{"Host", "www." + Repeat("a\xE2\x82\xAC", kGiant)},
                    GiantWordCase{"Email", "<joe@" + Repeat("\xC2\xA3.", kGiant) + ">"},
                    GiantWordCase{"TabPieces", Repeat("www.a\t&\t", kGiant)},
                    GiantWordCase{"AmongSpaces", "a " + Repeat("&<", kGiant) + " b http://" + Repeat("/", kGiant)}),
    [](const testing::TestParamInfo<GiantWordCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
