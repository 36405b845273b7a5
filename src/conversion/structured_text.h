// The structured-text format: the lines of the document's first 64 KiB are
// held back while its habits are learnt (its title is needed for the page's
// head), then everything streams through the block builder to a page style.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "structure_blocks.h"

namespace scrivane {

// A heading as a table of contents lists it.
struct ContentsEntry {
  int level = 2;
  std::string text;
};

// Learns a document's habits from its start, then builds its blocks.
class StructuredText {
 public:
  // Told the habits, and the headings among the held lines, before the first event.
  using HabitsFunction = std::function<void(const TextHabits& habits, const std::vector<ContentsEntry>& headings)>;
  // `titleInBanner`: the page's banner shows the document's title, so a title heading
  // on top is left out of the body; otherwise it stays there.
  StructuredText(BlockEvents& events, HabitsFunction learned, bool titleInBanner = true);

  // Takes the next line (UTF-8, without its line end).
  void Add(std::string_view line, bool plain);
  // Takes the next lines examined beforehand; `keeper` keeps them and their text in place while one is held.
  void Add(std::span<const ExaminedLine> lines, const std::shared_ptr<const void>& keeper);
  // Ends the document: every block is closed and written.
  void Finish();

 private:
  void Learn();

  BlockEvents& events_;
  HabitsFunction learned_;
  bool titleInBanner_;
  std::vector<std::string> start_;  // the lines held while learning
  std::vector<bool> startPlain_;
  std::size_t startBytes_ = 0;
  std::unique_ptr<BlockBuilder> builder_;
};

// Gives headings unique fragment identifiers, remembering a bounded number of them.
class HeadingIds {
 public:
  // The identifier for the next heading with this text.
  std::string Next(std::string_view text);

 private:
  std::unordered_map<std::string, std::size_t> used_;
  std::size_t count_ = 0;
};

// A span of inline markup in a line: *strong*, _emphasis_ or `code`.
struct InlineMark {
  std::size_t start = 0;  // the opening mark
  std::size_t end = 0;    // just after the closing mark
  char mark = 0;          // '*', '_' or '`'
};

// The marked spans of a line, left to right: each opens at a word's start and
// closes at a word's end, holds no mark of its kind, and never starts or ends with a space.
std::vector<InlineMark> FindInlineMarks(std::string_view line);

}  // namespace scrivane
