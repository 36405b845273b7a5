// The structured-text format's driver, heading identifiers and inline marks.
#include "structured_text.h"

#include "structure_lines.h"

namespace scrivane {
namespace {

constexpr std::size_t kLearningBytes = 64 * 1024;
constexpr std::size_t kMaxContents = 256;
constexpr std::size_t kMaxRememberedIds = 4096;

// Collects the headings a builder writes.
class HeadingList : public BlockEvents {
 public:
  explicit HeadingList(std::vector<ContentsEntry>& headings) : headings_(headings) {}
  void Heading(int level, std::string_view text, bool) override {
    if (headings_.size() < kMaxContents) headings_.push_back({level, std::string(text)});
  }
  void Open(BlockKind, long) override {}
  void Line(std::string_view, bool, bool) override {}
  void Close(BlockKind) override {}
  void Rule() override {}

 private:
  std::vector<ContentsEntry>& headings_;
};

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// True for a character that may stand before an opening mark.
bool OpensBefore(char c) { return IsSpace(c) || c == '(' || c == '[' || c == '{' || c == '"' || c == '\''; }

// True for a character that may stand after a closing mark.
bool ClosesAfter(char c) {
  return IsSpace(c) || c == '.' || c == ',' || c == ';' || c == ':' || c == '!' || c == '?' || c == ')' ||
         c == ']' || c == '}' || c == '"' || c == '\'';
}

}  // namespace

StructuredText::StructuredText(BlockEvents& events, HabitsFunction learned, bool titleInBanner)
    : events_(events), learned_(std::move(learned)), titleInBanner_(titleInBanner) {}

void StructuredText::Add(std::string_view line, bool plain) {
  if (builder_) return builder_->Add(line, plain);
  if (startBytes_ + line.size() > kLearningBytes && !start_.empty()) {
    Learn();
    return builder_->Add(line, plain);
  }
  start_.emplace_back(line);
  startPlain_.push_back(plain);
  startBytes_ += line.size() + 1;
}

void StructuredText::Add(std::span<const ExaminedLine> lines, const std::shared_ptr<const void>& keeper) {
  std::size_t i = 0;
  // The lines learnt from are kept as text.
  for (; !builder_ && i < lines.size(); ++i) Add(lines[i].text, lines[i].plain);
  if (i < lines.size()) builder_->Add(lines.subspan(i), keeper);
}

void StructuredText::Finish() {
  if (!builder_) Learn();
  builder_->Finish();
}

void StructuredText::Learn() {
  TextHabits habits = LearnHabits(start_);
  if (!titleInBanner_) habits.titleOnTop = false;
  std::vector<ContentsEntry> headings;
  HeadingList list(headings);
  BlockBuilder rehearsal(habits, list);
  for (const std::string& line : start_) rehearsal.Add(line, true);
  rehearsal.Finish();
  learned_(habits, headings);
  builder_ = std::make_unique<BlockBuilder>(habits, events_);
  for (std::size_t i = 0; i < start_.size(); ++i) builder_->Add(start_[i], startPlain_[i]);
  start_ = {};
  startPlain_ = {};
}

std::string HeadingIds::Next(std::string_view text) {
  std::string base = SlugOf(text);
  ++count_;
  // Slugs hold no "_", so a suffix after one cannot meet another heading's slug.
  const auto found = used_.find(base);
  if (found != used_.end()) return base + "_" + std::to_string(++found->second);
  if (used_.size() >= kMaxRememberedIds) return base + "__" + std::to_string(count_);
  used_.emplace(base, 1);
  return base;
}

std::vector<InlineMark> FindInlineMarks(std::string_view line) {
  std::vector<InlineMark> marks;
  const std::size_t n = line.size();
  for (std::size_t i = line.find_first_of("*_`"); i != std::string_view::npos && i + 2 < n;
       i = line.find_first_of("*_`", i)) {
    const char mark = line[i];
    const bool opens = (i == 0 || OpensBefore(line[i - 1])) && !IsSpace(line[i + 1]) && line[i + 1] != mark;
    const std::size_t close = opens ? line.find(mark, i + 1) : std::string_view::npos;
    if (close == std::string_view::npos) {
      ++i;
      continue;
    }
    // The first mark after the opening one is the only possible closing mark,
    // for this opening and for any other before it.
    const bool closes = !IsSpace(line[close - 1]) && (close + 1 == n || ClosesAfter(line[close + 1]));
    if (closes) {
      marks.push_back({i, close + 1, mark});
      i = close + 1;
    } else {
      i = close;
    }
  }
  return marks;
}

}  // namespace scrivane
