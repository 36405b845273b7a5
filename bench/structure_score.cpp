// How well structured text finds the shape of real documents: each text in a
// folder is read by the block builder and every line's block is compared with
// the kind a person gave it, line by line, in the .roles file beside it.
//   structure_score FOLDER [NAME]
// A .roles file starts with "title: ..." ("(none)" for a text without one),
// then has one letter per line of the text: H heading, P paragraph, L list
// item (terms too), C preformatted, Q quote, R rule, M mail header block, and
// "-" for lines that do not count (blank lines, page furniture). NAME prints
// that document's lines whose block is wrong.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "structure_blocks.h"

namespace {

namespace fs = std::filesystem;
using scrivane::BlockKind;

// The kind of block the innermost open blocks make a line part of.
char KindOf(const std::vector<BlockKind>& open) {
  if (std::find(open.begin(), open.end(), BlockKind::Quote) != open.end()) return 'Q';
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    switch (*it) {
      case BlockKind::Code: return 'C';
      case BlockKind::Headers: return 'M';
      case BlockKind::Item:
      case BlockKind::Terms:
      case BlockKind::Term:
      case BlockKind::Definition: return 'L';
      default: break;
    }
  }
  return 'P';
}

// Notes the kind of block each event puts text in, for the line being decided.
class KindRecorder : public scrivane::BlockEvents {
 public:
  void Heading(int, std::string_view, bool) override { found_ = 'H'; }
  void Open(BlockKind block, long) override {
    open_.push_back(block);
    opened_ = KindOf(open_);
  }
  void Line(std::string_view, bool, bool) override { found_ = KindOf(open_); }
  void Close(BlockKind) override {
    if (!open_.empty()) open_.pop_back();
  }
  void Rule() override { found_ = 'R'; }
  // The kind found since the last call: text written, else a block opened, else
  // nothing (0: an underline taken with its heading, a blank line).
  char Take() {
    const char kind = found_ != 0 ? found_ : opened_;
    found_ = opened_ = 0;
    return kind;
  }

 private:
  std::vector<BlockKind> open_;
  char found_ = 0;
  char opened_ = 0;
};

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

struct Scored {
  std::string title;            // the title found
  std::vector<char> found;      // the kind found for each line
};

Scored Score(const std::vector<std::string>& lines) {
  scrivane::TextHabits habits = scrivane::LearnHabits(lines);
  const std::string title = habits.title;
  habits.titleOnTop = false;  // a title on top is then written as a heading, not left to the banner
  KindRecorder recorder;
  scrivane::BlockBuilder builder(habits, recorder);
  Scored scored{title, {}};
  std::size_t taken = 0;
  const auto note = [&] {
    // A line with no events of its own (an underline) goes with the line before it.
    while (scored.found.size() < taken - builder.Undecided()) {
      const char kind = recorder.Take();
      scored.found.push_back(kind != 0 || scored.found.empty() ? kind : scored.found.back());
    }
  };
  for (const std::string& line : lines) {
    builder.Add(line, true);
    ++taken;
    note();
  }
  // Blank lines at the end decide the last lines one by one and change nothing.
  while (builder.Undecided() > 0 && scored.found.size() < lines.size()) {
    builder.Add("", true);
    ++taken;
    note();
  }
  builder.Finish();
  scored.found.resize(lines.size());
  return scored;
}

struct Tally {
  std::size_t right = 0, counted = 0, titles = 0, titled = 0;
  std::map<std::pair<char, char>, std::size_t> confusions;
};

void ScoreDocument(const fs::path& text, const std::string& shown, Tally& total) {
  const std::vector<std::string> lines = ReadLines(text);
  std::vector<std::string> roles = ReadLines(fs::path(text).replace_extension(".roles"));
  if (roles.empty() || roles.size() != lines.size() + 1) {
    std::printf("%-28s roles file missing or not one per line\n", text.stem().c_str());
    return;
  }
  const std::string title = roles[0].substr(roles[0].find(':') + 2);
  const Scored scored = Score(lines);
  Tally doc;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const char want = roles[i + 1].empty() ? '-' : roles[i + 1][0];
    const char got = scored.found[i] != 0 ? scored.found[i] : '-';
    if (want == '-') continue;
    ++doc.counted;
    if (want == got) {
      ++doc.right;
    } else {
      ++total.confusions[{want, got}];
      if (shown == text.stem().string()) std::printf("%4zu %c>%c %s\n", i + 1, want, got, lines[i].c_str());
    }
  }
  const bool titled = title != "(none)";
  const bool titleRight = titled && title == scored.title;
  std::printf("%-28s %5.1f%% of %4zu lines  title %s: \"%s\"\n", text.stem().c_str(),
              100.0 * static_cast<double>(doc.right) / static_cast<double>(std::max<std::size_t>(doc.counted, 1)),
              doc.counted, !titled ? "not counted" : titleRight ? "right" : "wrong", scored.title.c_str());
  total.right += doc.right;
  total.counted += doc.counted;
  total.titled += titled ? 1 : 0;
  total.titles += titleRight ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: structure_score FOLDER [NAME]\n");
    return 2;
  }
  std::vector<fs::path> texts;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    if (entry.path().extension() == ".txt") texts.push_back(entry.path());
  }
  std::sort(texts.begin(), texts.end());
  Tally total;
  for (const fs::path& text : texts) ScoreDocument(text, argc > 2 ? argv[2] : "", total);
  std::printf("%-28s %5.1f%% of %4zu lines  titles %zu of %zu\n", "total",
              100.0 * static_cast<double>(total.right) / static_cast<double>(std::max<std::size_t>(total.counted, 1)),
              total.counted, total.titles, total.titled);
  std::vector<std::pair<std::size_t, std::pair<char, char>>> worst;
  for (const auto& [pair, count] : total.confusions) worst.emplace_back(count, pair);
  std::sort(worst.rbegin(), worst.rend());
  std::printf("confusions (expected > found):");
  for (const auto& [count, pair] : worst) std::printf("  %c>%c %zu", pair.first, pair.second, count);
  std::printf("\n");
  return 0;
}
