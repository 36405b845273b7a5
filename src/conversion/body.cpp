// The body: lines read, checked or decoded, and written through the format.
// Large inputs are cut into blocks that end on a line end; lines do not depend
// on each other, so blocks convert on separate threads and are written in order.
#include "body.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivane {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Input read per block: small enough that a block's document text stays below the
// writer's drain size (so it is handed over without a copy) and that the blocks in
// flight take little memory, large enough that the hand-off between threads is cheap.
constexpr std::size_t kBlockRead = 128 * 1024;

// Bytes read from the input, in a buffer that grows without being cleared first.
class ByteBuffer {
 public:
  std::string_view View() const { return {data_.get(), size_}; }
  std::size_t Size() const { return size_; }
  // Room for `count` more bytes after the data; Commit says how many arrived.
  char* Reserve(std::size_t count) {
    if (size_ + count > capacity_) {
      const std::size_t capacity = std::max(size_ + count, 2 * capacity_);
      auto grown = UninitialisedBytes(capacity);
      if (size_ > 0) std::memcpy(grown.get(), data_.get(), size_);  // an empty buffer has no data pointer
      data_ = std::move(grown);
      capacity_ = capacity;
    }
    return data_.get() + size_;
  }
  void Commit(std::size_t count) { size_ += count; }
  void Resize(std::size_t size) { size_ = size; }
  void Assign(std::string_view bytes) {
    size_ = 0;
    if (!bytes.empty()) std::memcpy(Reserve(bytes.size()), bytes.data(), bytes.size());
    size_ = bytes.size();
  }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// A line rendered ahead: its place in the block and its HTML's in the block's html.
struct RenderedSpan {
  std::size_t line = 0;
  std::size_t start = 0;
  std::size_t size = 0;
};

// One block of whole input lines and the document text made of them (or, for
// structured text, its lines examined, and their text where it was decoded).
struct Block : std::enable_shared_from_this<Block> {
  ByteBuffer input;
  std::string output;
  std::vector<ExaminedLine> lines;
  std::string html;                 // structured text: lines rendered ahead, one after another
  std::vector<RenderedSpan> spans;  // where each line rendered ahead has its HTML
  std::uint64_t consumedAfter = 0;  // input bytes through the end of this block
  LineContext context;              // where the input stands before the block
  std::size_t rowWidth = 0;         // fields of each table row in it, while the widest is not known
  bool atStart = false;
  bool done = false;
  bool notUtf8 = false;
  std::exception_ptr failure;
};

// Where a block may end: just after its last LF, or after its last CR when a
// byte follows it (a final CR may be the first half of CR LF). Only text from
// `from` on is searched; npos: nowhere yet.
std::size_t CutPoint(std::string_view text, std::size_t from) {
  if (text.size() <= from) return std::string_view::npos;
  if (text.back() == '\n') return text.size();
  for (std::size_t i = text.size() - 1; i > from; --i) {  // the final byte is not a place to cut
    if (text[i - 1] == '\n' || text[i - 1] == '\r') return i;
  }
  return std::string_view::npos;
}

// Reads the input in blocks of whole lines: each ends just after a line end, or
// at the end of the input; what follows the last line end waits for the next.
class BlockReader {
 public:
  explicit BlockReader(const ReadFunction& read) : read_(read) {}

  // Fills `input` with the next block; false once the input is used up.
  bool Next(ByteBuffer& input) {
    input.Assign(carry_);
    carry_.clear();
    std::size_t cut = std::string::npos;
    while (cut == std::string::npos && !atEnd_) {  // at least one whole line, however long
      const std::size_t had = input.Size();
      // The carried part line and the first read fill one block's room, so a reused
      // buffer never grows; a line longer than that takes whole blocks more.
      const std::size_t want = had < kBlockRead / 2 ? kBlockRead - had : kBlockRead;
      const std::size_t got = read_(input.Reserve(want), want);
      input.Commit(got);
      atEnd_ = got == 0;
      if (!atEnd_) cut = CutPoint(input.View(), had == 0 ? 0 : had - 1);  // a CR may have ended the last read
    }
    if (cut != std::string::npos) {
      carry_.assign(input.View().substr(cut));
      input.Resize(cut);
    }
    return input.Size() > 0;
  }

 private:
  const ReadFunction& read_;
  std::string carry_;
  bool atEnd_ = false;
};

// What a thread does with each block; one per thread, so it may keep state.
using BlockJob = std::function<void(Block&)>;

// Runs a job on each block of the input on `threads` threads, the caller's among
// them, and finishes the blocks in input order on the caller's. Whichever thread
// is free reads the next block itself and converts it, so reading spreads over
// every thread and no thread is there only to hand work to the others: a thread
// sleeps only when every block buffer is in use. The caller, between blocks of
// its own, finishes those done (`after`), which may keep a block, through
// shared_from_this, a little longer. At most three blocks per thread are in
// flight, and their buffers are used again.
class BlockPipeline {
 public:
  BlockPipeline(const ReadFunction& read, unsigned threads, const std::function<BlockJob()>& makeJob,
                const std::function<void(Block&)>& before)
      : reader_(read), before_(before), callerJob_(makeJob()), maxInFlight_(3 * std::size_t{std::max(threads, 1u)}) {
    for (unsigned i = 1; i < threads; ++i) threads_.emplace_back([this, job = makeJob()] { Work(job); });
  }
  ~BlockPipeline() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;  // after a failure nobody waits for the rest
    }
    spareFreed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  BlockPipeline(const BlockPipeline&) = delete;
  BlockPipeline& operator=(const BlockPipeline&) = delete;

  // Reads, converts and finishes every block. Throws what a job, a read or `after` threw.
  void Run(const std::function<void(Block&)>& after) {
    for (;;) {
      std::shared_ptr<Block> oldest;
      {
        std::lock_guard lock(mutex_);
        if (readFailure_) std::rethrow_exception(readFailure_);
        if (inFlight_.empty() && inputDone_ && taken_ == 0) return;
        if (!inFlight_.empty() && inFlight_.front()->done) {
          oldest = std::move(inFlight_.front());
          inFlight_.pop_front();
        }
      }
      if (oldest) {
        Finish(std::move(oldest), after);
      } else if (const std::shared_ptr<Block> block = Take(false)) {
        RunJob(callerJob_, *block);
      } else {
        WaitForWork();
      }
    }
  }

 private:
  // The next block, read; null at the end of the input, when stopping, or, unless
  // `wait`, when every buffer is in use. Blocks are read and queued in input order.
  std::shared_ptr<Block> Take(bool wait) {
    std::shared_ptr<Block> block = Reserve(wait);
    if (!block) return nullptr;
    std::lock_guard reading(readMutex_);
    try {
      if (readerDone_ || !reader_.Next(block->input)) {
        readerDone_ = true;
        Release(std::move(block), nullptr);
        return nullptr;
      }
      before_(*block);
    } catch (...) {
      readerDone_ = true;
      Release(std::move(block), std::current_exception());
      throw;
    }
    std::lock_guard lock(mutex_);
    --taken_;
    inFlight_.push_back(block);
    return block;
  }

  // A free block buffer, cleared but keeping its capacity; see Take.
  std::shared_ptr<Block> Reserve(bool wait) {
    std::shared_ptr<Block> block;
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        if (stopping_ || inputDone_) return nullptr;
        if (inFlight_.size() + taken_ < maxInFlight_) break;
        if (!wait) return nullptr;
        ++workersWaiting_;
        spareFreed_.wait(lock);
        --workersWaiting_;
      }
      ++taken_;
      // A block whose lines are still held elsewhere (see `after`) waits until they are let go.
      const auto free = std::find_if(spare_.begin(), spare_.end(), [](const auto& kept) { return kept.use_count() == 1; });
      if (free != spare_.end()) {
        block = std::move(*free);
        spare_.erase(free);
      }
    }
    if (!block) return std::make_shared<Block>();
    Block reused;  // keeps the buffers' capacity
    reused.input = std::move(block->input);
    reused.output = std::move(block->output);
    reused.output.clear();
    reused.lines = std::move(block->lines);
    reused.lines.clear();
    reused.html = std::move(block->html);
    reused.html.clear();
    reused.spans = std::move(block->spans);
    reused.spans.clear();
    *block = std::move(reused);
    return block;
  }

  // Gives back a reserved block that was not read into: the input is used up, or
  // reading it failed with `failure`.
  void Release(std::shared_ptr<Block> block, std::exception_ptr failure) {
    {
      std::lock_guard lock(mutex_);
      --taken_;
      inputDone_ = true;
      if (failure) readFailure_ = failure;
      spare_.push_back(std::move(block));
    }
    blockDone_.notify_all();
    spareFreed_.notify_all();
  }

  void RunJob(const BlockJob& job, Block& block) {
    try {
      job(block);
    } catch (const NotUtf8&) {
      block.notUtf8 = true;
    } catch (...) {
      block.failure = std::current_exception();
    }
    bool callerWaiting = false;
    {
      std::lock_guard lock(mutex_);
      block.done = true;
      callerWaiting = callerWaiting_;
    }
    if (callerWaiting) blockDone_.notify_one();
  }

  // The caller's turn with a block done, in input order; its buffers are then free.
  void Finish(std::shared_ptr<Block> block, const std::function<void(Block&)>& after) {
    if (block->failure) std::rethrow_exception(block->failure);
    if (block->notUtf8) throw NotUtf8{};
    after(*block);
    bool workersWaiting = false;
    {
      std::lock_guard lock(mutex_);
      spare_.push_back(std::move(block));
      workersWaiting = workersWaiting_ > 0;
    }
    if (workersWaiting) spareFreed_.notify_one();
  }

  // Sleeps until the oldest block is done or the input has run out.
  void WaitForWork() {
    std::unique_lock lock(mutex_);
    callerWaiting_ = true;
    blockDone_.wait(lock, [&] {
      return readFailure_ || (!inFlight_.empty() && inFlight_.front()->done) ||
             (inputDone_ && inFlight_.empty() && taken_ == 0);
    });
    callerWaiting_ = false;
  }

  void Work(const BlockJob& job) {
    for (;;) {
      std::shared_ptr<Block> block;
      try {
        block = Take(true);
      } catch (...) {
        // The failure is the caller's to report: a failed read has told it already,
        // anything else (no memory for a block) is told here.
        {
          std::lock_guard lock(mutex_);
          if (!readFailure_) readFailure_ = std::current_exception();
          inputDone_ = true;
        }
        blockDone_.notify_all();
        return;
      }
      if (!block) return;
      RunJob(job, *block);
    }
  }

  BlockReader reader_;
  std::function<void(Block&)> before_;
  BlockJob callerJob_;
  std::size_t maxInFlight_;
  std::mutex readMutex_;  // held while a block is read, so that blocks are read and queued in order
  bool readerDone_ = false;
  std::mutex mutex_;      // guards everything below
  std::condition_variable blockDone_;
  std::condition_variable spareFreed_;
  std::deque<std::shared_ptr<Block>> inFlight_;  // read, in input order, done or not
  std::vector<std::shared_ptr<Block>> spare_;
  std::size_t taken_ = 0;  // blocks reserved but not yet read into
  std::size_t workersWaiting_ = 0;
  bool callerWaiting_ = false;
  bool inputDone_ = false;
  bool stopping_ = false;
  std::exception_ptr readFailure_;
  std::vector<std::thread> threads_;
};

// Reads the input in blocks, runs `makeJob`'s jobs on them on `threads` threads,
// the caller's among them, and finishes them in input order on this thread:
// `before` sees each block as it is read (in order, on whichever thread reads
// it), `after` once its job is done. Throws what a job threw.
void ForEachBlock(const ReadFunction& read, unsigned threads, const std::function<BlockJob()>& makeJob,
                  const std::function<void(Block&)>& before, const std::function<void(Block&)>& after) {
  BlockPipeline pipeline(read, threads, makeJob, before);
  pipeline.Run(after);
}

// Converts blocks on one worker thread with its own writer; the block's document
// text collects in the block's output.
class BlockConverter {
 public:
  BlockConverter(const PagePlan& plan, TextEncoding encoding, std::size_t tableColumns)
      : plan_(plan),
        encoding_(encoding),
        // The pending text is not flushed line by line but handed over whole once the
        // block is done; only the pieces of a very long line reach the writer early.
        sink_([this](std::string_view bytes) { target_->append(bytes); }, TextEncoding::Utf8, SIZE_MAX),
        writer_(plan, sink_, tableColumns) {}

  void operator()(Block& block) {
    sink_.Text().clear();
    target_ = &block.output;
    LineScanner scanner(block.input.View(), plan_.links);
    writer_.Resume(block.context);
    ConvertLines(scanner, encoding_, block.atStart, writer_, {});
    block.rowWidth = writer_.Context().rowWidth;
    if (block.output.empty()) {
      block.output.swap(sink_.Text());
    } else {
      sink_.Flush();
    }
  }

 private:
  const PagePlan& plan_;
  TextEncoding encoding_;
  std::string* target_ = nullptr;
  DocumentSink sink_;
  DocumentWriter writer_;
};

// Where the input stands after a block of whole lines that followed `before`.
LineContext ContextAfter(std::string_view input, bool atStart, TextEncoding encoding, const LineContext& before) {
  if (atStart && encoding == TextEncoding::Utf8 && input.starts_with(kByteOrderMark)) {
    input.remove_prefix(kByteOrderMark.size());  // ConvertLines drops it
  }
  if (input.empty()) return before;
  // The last line: what follows the last line end but the block's own final one.
  std::string_view rest = input;
  if (rest.ends_with("\r\n")) {
    rest.remove_suffix(2);
  } else if (rest.ends_with('\n') || rest.ends_with('\r')) {
    rest.remove_suffix(1);
  }
  const std::size_t lastEnd = rest.find_last_of("\r\n");
  LineContext after;
  after.afterText = lastEnd == std::string_view::npos ? !rest.empty() : lastEnd + 1 < rest.size();
  after.rowsBefore = before.rowsBefore || input.find_first_not_of("\r\n") != std::string_view::npos;
  return after;
}

// The text of a scanned line as the writer takes it: checked as UTF-8 (a
// byte-order mark at the start of the input dropped), or decoded from
// Windows-1252 onto the end of `decoded`. `plain` tells whether nothing in it
// needs escaping or linking. Throws NotUtf8.
std::string_view LineText(const ScannedLine& line, TextEncoding encoding, bool first, std::string& decoded,
                          bool& plain) {
  std::string_view text = line.text;
  plain = !line.mayChange;
  if (!line.hasHighBytes) return text;
  if (encoding == TextEncoding::Utf8) {
    if (first && text.starts_with(kByteOrderMark)) {
      // The scan saw the mark before the first word, so a host there went unnoticed.
      text.remove_prefix(kByteOrderMark.size());
      plain = false;
    }
    if (!IsValidUtf8(text)) throw NotUtf8{};
    return text;
  }
  const std::size_t start = decoded.size();
  AppendUtf8FromWindows1252(decoded, text);
  plain = false;  // A3, the pound sign, decodes to a character that is escaped
  return std::string_view(decoded).substr(start);
}

// Renders the part of an examined line most likely written as a block's line
// (ExaminedLine::WrittenPart) ahead. Text written as it is stands for its
// own HTML; other HTML goes into the block's, where the line finds it once all is rendered.
void RenderAhead(ExaminedLine& line, std::size_t index, const DocumentWriter& writer, Block& block) {
  if (line.formFeed) return;  // the builder reads the line again without its form feeds
  const std::string_view part = line.WrittenPart();
  if (part.empty()) return;
  if (line.plain) {
    if (writer.WritesAsTyped(part, true, line.printable)) line.html = part;
    return;
  }
  const std::size_t start = block.html.size();
  if (writer.RenderAhead(part, false, line.printable, block.html)) {
    block.spans.push_back({index, start, block.html.size() - start});
  }
}

// Structured text's job on a worker thread: the block's lines scanned, checked
// or decoded, examined and rendered ahead, ready for the block builder.
void ExamineBlock(Block& block, TextEncoding encoding, const LinkOptions& links, const DocumentWriter& writer) {
  // A Windows-1252 byte takes at most three bytes in UTF-8: with room for that,
  // decoded text never moves, and the lines' views into it stay valid.
  if (encoding == TextEncoding::Windows1252) block.output.reserve(3 * block.input.Size());
  // Room for lines of 32 bytes on average, so that a block's lines seldom move as they
  // come (a block of a few long lines takes no more than a block's read would need).
  block.lines.reserve(std::min(block.input.Size(), kBlockRead) / 32);
  LineScanner scanner(block.input.View(), links);
  // Form feeds are rare: a block without any spares each line the search (decoding makes none).
  const bool noFormFeed = block.input.View().find('\f') == std::string_view::npos;
  // Lines of a plain stretch hold no byte above 127 and, under the modern rules, no control.
  const bool stretchPrintable = links.modern;
  ScannedLine line;
  const char* stretch = nullptr;  // the rest of a plain stretch, whose lines each end in LF
  const char* stretchEnd = nullptr;
  for (bool first = block.atStart;; first = false) {
    if (stretch == stretchEnd && scanner.NextPlainLines(line)) {
      stretch = line.text.data();
      stretchEnd = stretch + line.text.size();
    }
    std::string_view text;
    bool plain = true;
    bool printable = stretchPrintable;
    if (stretch != stretchEnd) {
      const auto left = static_cast<std::size_t>(stretchEnd - stretch);
      const auto* feed = static_cast<const char*>(std::memchr(stretch, '\n', left));
      text = std::string_view(stretch, static_cast<std::size_t>(feed - stretch));
      stretch = feed + 1;
    } else if (scanner.Next(line)) {
      plain = !line.mayChange;
      text = line.hasHighBytes ? LineText(line, encoding, first, block.output, plain) : line.text;
      printable = scanner.IsPrintable(line);
    } else {
      break;
    }
    ExaminedLine& examined = block.lines.emplace_back(text, plain, printable, noFormFeed);
    RenderAhead(examined, block.lines.size() - 1, writer, block);
  }
  // The HTML has stopped moving: the lines can point into it now.
  for (const RenderedSpan& span : block.spans) {
    block.lines[span.line].html = std::string_view(block.html).substr(span.start, span.size);
  }
  MarkRunningText(block.lines);
}

#if defined(__SSE2__)
// Bits set in a 16-bit mask, without the library call a plain build makes of it.
std::size_t Ones(unsigned mask) {
  mask = mask - ((mask >> 1) & 0x5555u);
  mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
  mask = (mask + (mask >> 4)) & 0x0F0Fu;
  return (mask + (mask >> 8)) & 0x1Fu;
}
#endif

// The widest row of a table, measured over whole lines. With a one-byte separator
// the separators are counted 64 or 16 bytes at a time; a line with a quote in it is
// split as the table writer splits it, since a quoted field may hold separators.
class TableWidth {
 public:
  TableWidth(const std::string& separator, TextEncoding encoding) : separator_(separator), encoding_(encoding) {}

  void Add(std::string_view text) {
    if (separator_.size() == 1 && static_cast<unsigned char>(separator_[0]) < 0x80) {
      Count(text, separator_[0]);
    } else {
      for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        Line(text.substr(start, end - start));
        start = end + 1;
      }
    }
  }
  // The widest row of all the text added.
  std::size_t Widest() const { return widest_; }

 private:
  // Any separator: each line as the writer reads it, decoded where it would be.
  void Line(std::string_view line) {
    const auto high = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
    if (encoding_ == TextEncoding::Windows1252 && std::any_of(line.begin(), line.end(), high)) {
      decoded_.clear();
      AppendUtf8FromWindows1252(decoded_, line);
      line = decoded_;
    }
    widest_ = std::max(widest_, SplitWidth(line));
  }

  // The fields of a line split as the table writer splits it.
  std::size_t SplitWidth(std::string_view line) {
    SplitFields(line, separator_, unquoted_, fields_);
    return fields_.size();
  }

  void Count(std::string_view text, char separator) {
    lineStart_ = 0;
    separators_ = 0;
    quoted_ = false;
    std::size_t i = 0;
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    if (avx2) i = CountAvx2(text, separator);
#endif
#if defined(__SSE2__)
    i = CountSse2(text, separator, i);
#endif
    const char* p = text.data();
    for (; i < text.size(); ++i) {
      if (p[i] == '\n' || p[i] == '\r') {
        EndLine(text, i);
      } else {
        separators_ += p[i] == separator ? 1 : 0;
        quoted_ = quoted_ || p[i] == '"';
      }
    }
    if (lineStart_ < text.size()) EndLine(text, text.size());
  }

  // The line that ends at `end` in `text`: its width goes into the widest.
  void EndLine(std::string_view text, std::size_t end) {
    if (quoted_) {
      widest_ = std::max(widest_, SplitWidth(text.substr(lineStart_, end - lineStart_)));
    } else {
      widest_ = std::max(widest_, separators_ + 1);
    }
    lineStart_ = end + 1;
    separators_ = 0;
    quoted_ = false;
  }

#if defined(__x86_64__)
  // Counts whole 64-byte stretches from the start of `text`; returns where it stopped.
  // The line's figures stay in locals through the loop and go back to the members after.
  __attribute__((target("avx2,popcnt"))) std::size_t CountAvx2(std::string_view text, char separator) {
    const char* p = text.data();
    const __m256i sep = _mm256_set1_epi8(separator);
    const __m256i quote = _mm256_set1_epi8('"');
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    std::size_t separators = separators_, widest = widest_, lineStart = lineStart_;
    bool quoted = quoted_;
    std::size_t i = 0;
    for (; i + 64 <= text.size(); i += 64) {
      const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
      const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32));
      const std::uint64_t seps = Hits64(_mm256_cmpeq_epi8(low, sep), _mm256_cmpeq_epi8(high, sep));
      const std::uint64_t quotes = Hits64(_mm256_cmpeq_epi8(low, quote), _mm256_cmpeq_epi8(high, quote));
      std::uint64_t ends = Hits64(_mm256_or_si256(_mm256_cmpeq_epi8(low, lf), _mm256_cmpeq_epi8(low, cr)),
                                  _mm256_or_si256(_mm256_cmpeq_epi8(high, lf), _mm256_cmpeq_epi8(high, cr)));
      std::uint64_t rest = ~std::uint64_t{0};  // the bits not yet given to a line
      if (ends != 0 && separators + static_cast<std::size_t>(__builtin_popcountll(seps)) < widest) {
        // No line ending here can be wider than the widest so far (a line has at most
        // a field more than it has separators): only the line the last end starts counts.
        const auto last = static_cast<unsigned>(63 - __builtin_clzll(ends));
        rest = ~((std::uint64_t{2} << last) - 1);
        separators = 0;
        quoted = false;
        lineStart = i + last + 1;
        ends = 0;
      }
      for (; ends != 0; ends &= ends - 1) {
        const auto bit = static_cast<unsigned>(__builtin_ctzll(ends));
        const std::uint64_t line = rest & ((std::uint64_t{1} << bit) - 1);
        const std::size_t end = i + bit;
        if (quoted || (quotes & line) != 0) {
          widest = std::max(widest, SplitWidth(text.substr(lineStart, end - lineStart)));
        } else {
          widest = std::max(widest, separators + static_cast<std::size_t>(__builtin_popcountll(seps & line)) + 1);
        }
        separators = 0;
        quoted = false;
        lineStart = end + 1;
        rest = ~((std::uint64_t{2} << bit) - 1);  // none left after bit 63
      }
      separators += static_cast<std::size_t>(__builtin_popcountll(seps & rest));
      quoted = quoted || (quotes & rest) != 0;
    }
    separators_ = separators;
    widest_ = widest;
    lineStart_ = lineStart;
    quoted_ = quoted;
    return i;
  }

  // The 64 bits of two 32-byte comparisons, the first in the low half.
  __attribute__((target("avx2"))) static std::uint64_t Hits64(__m256i low, __m256i high) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32;
  }
#endif

#if defined(__SSE2__)
  // Counts whole 16-byte stretches of `text` from `from` on; returns where it stopped.
  std::size_t CountSse2(std::string_view text, char separator, std::size_t from) {
    const char* p = text.data();
    const __m128i sep = _mm_set1_epi8(separator);
    std::size_t i = from;
    for (; i + 16 <= text.size(); i += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const auto mask = [&](__m128i hits) { return static_cast<unsigned>(_mm_movemask_epi8(hits)); };
      const unsigned seps = mask(_mm_cmpeq_epi8(bytes, sep));
      const unsigned quotes = mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')));
      unsigned ends = mask(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))));
      unsigned rest = 0xFFFF;  // the bits not yet given to a line
      for (; ends != 0; ends &= ends - 1) {
        const unsigned bit = static_cast<unsigned>(__builtin_ctz(ends));
        const unsigned before = rest & ((1u << bit) - 1);
        separators_ += Ones(seps & before);
        quoted_ = quoted_ || (quotes & before) != 0;
        EndLine(text, i + bit);
        rest &= ~((2u << bit) - 1);
      }
      separators_ += Ones(seps & rest);
      quoted_ = quoted_ || (quotes & rest) != 0;
    }
    return i;
  }
#endif

  std::string separator_;
  TextEncoding encoding_;
  std::size_t widest_ = 0;
  // The line being counted: where it starts, its separators so far, whether it holds a quote.
  std::size_t lineStart_ = 0;
  std::size_t separators_ = 0;
  bool quoted_ = false;
  std::string decoded_, unquoted_;
  std::vector<std::string_view> fields_;
};

// Reads `size` bytes from `offset` on, or as many as there are; returns how many.
std::size_t ReadAtFully(const ReadAtFunction& readAt, char* buffer, std::size_t size, std::uint64_t offset) {
  std::size_t got = 0;
  while (got < size) {
    const std::size_t n = readAt(buffer + got, size - got, offset + got);
    if (n == 0) break;
    got += n;
  }
  return got;
}

// Reads on from `offset` after what `input` holds, up to and with the first line
// end, or to the end of the input; a longer line is read in larger steps.
void ReadToLineEnd(const ReadAtFunction& readAt, std::uint64_t offset, ByteBuffer& input) {
  for (std::size_t step = 4096;; step = std::min(2 * step, kTableCountStretch)) {
    const std::size_t had = input.Size();
    const std::size_t got = ReadAtFully(readAt, input.Reserve(step), step, offset);
    input.Commit(got);
    const std::size_t end = input.View().find_first_of("\r\n", had);
    if (end != std::string_view::npos) {
      input.Resize(end + 1);
      return;
    }
    if (got < step) return;
    offset += got;
  }
}

// Counts into `width` the lines that begin in the stretch of the input at `offset`:
// the byte before it, read with it, tells whether one begins at `offset` itself,
// and the last is read on to its end. False once the input has ended.
bool CountStretch(const ReadAtFunction& readAt, std::uint64_t offset, TableWidth& width, ByteBuffer& input) {
  const std::size_t before = offset == 0 ? 0 : 1;
  const std::size_t want = kTableCountStretch + before;
  input.Resize(0);
  input.Commit(ReadAtFully(readAt, input.Reserve(want), want, offset - before));
  if (input.Size() <= before) return false;
  const bool full = input.Size() == want;
  std::size_t start = 0;  // where the stretch's first line begins
  if (before == 1) {
    start = input.View().find_first_of("\r\n");
    if (start == std::string_view::npos || start + 1 >= input.Size()) return full;  // inside a line begun before
    ++start;
  }
  const char last = input.View().back();
  if (full && last != '\n' && last != '\r') ReadToLineEnd(readAt, offset - before + want, input);
  width.Add(input.View().substr(start));
  return full;
}

}  // namespace

std::size_t CountTableColumns(const ReadFunction& read, TextEncoding encoding, const std::string& separator) {
  if (separator.empty()) return 1;
  TableWidth width(separator, encoding);
  BlockReader reader(read);
  ByteBuffer input;
  while (reader.Next(input)) width.Add(input.View());
  return width.Widest();
}

std::size_t CountTableColumnsAt(const ReadAtFunction& readAt, TextEncoding encoding, const std::string& separator,
                                unsigned threads) {
  if (separator.empty()) return 1;
  std::atomic<std::uint64_t> next{0};  // where the stretch no thread has taken yet begins
  std::atomic<bool> failed{false};
  std::mutex mutex;  // guards the two below
  std::size_t widest = 0;
  std::exception_ptr failure;
  const auto count = [&] {
    try {
      TableWidth width(separator, encoding);
      ByteBuffer input;
      while (!failed.load(std::memory_order_relaxed) && CountStretch(readAt, next.fetch_add(kTableCountStretch), width, input)) {
      }
      std::lock_guard lock(mutex);
      widest = std::max(widest, width.Widest());
    } catch (...) {
      failed = true;
      std::lock_guard lock(mutex);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < threads; ++i) {
    try {
      helpers.emplace_back(count);
    } catch (const std::system_error&) {
      break;  // fewer threads count the same
    }
  }
  count();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
  return widest;
}

void ConvertLines(LineScanner& scanner, TextEncoding encoding, bool atStart, DocumentWriter& writer,
                  const ConsumedFunction& consumed) {
  ScannedLine line;
  std::string decoded;
  // Most lines need nothing done: where the writer can, it takes them a stretch at a time.
  const bool stretches = writer.TakesPlainLines();
  for (bool first = atStart;; first = false) {
    if (stretches && scanner.NextPlainLines(line)) {
      writer.AddPlainLines(line.text);
    } else if (scanner.Next(line)) {
      decoded.clear();
      bool plain = !line.mayChange;
      const std::string_view text = line.hasHighBytes ? LineText(line, encoding, first, decoded, plain) : line.text;
      writer.AddLine(text, plain, scanner.IsPrintable(line));
    } else {
      return;
    }
    if (consumed) consumed(line.consumed);
  }
}

void ConvertStructuredInParallel(const ReadFunction& read, TextEncoding encoding, const LinkOptions& links,
                                 DocumentWriter& writer, const ConsumedFunction& consumed, unsigned threads) {
  std::uint64_t offset = 0;
  bool atStart = true;
  const auto makeExaminer = [&] {
    return BlockJob([&](Block& block) { ExamineBlock(block, encoding, links, writer); });
  };
  const auto before = [&](Block& block) {
    offset += block.input.Size();
    block.consumedAfter = offset;
    block.atStart = std::exchange(atStart, false);
  };
  const auto after = [&](Block& block) {
    // The builder looks a few lines ahead, so it may hold this block's last lines
    // while the next block comes: it keeps the block until it lets them go.
    const std::shared_ptr<const void> keeper = block.shared_from_this();
    writer.AddExamined(block.lines, keeper);
    if (consumed) consumed(block.consumedAfter);
  };
  // The lines come rendered: this thread builds the blocks and writes them itself,
  // which costs less than handing the blocks on to a thread of their own.
  ForEachBlock(read, threads, makeExaminer, before, after);
}

LineContext ConvertInParallel(const ReadFunction& read, TextEncoding encoding, const PagePlan& plan,
                              DocumentSink& sink, const ConsumedFunction& consumed, unsigned threads,
                              std::size_t tableColumns) {
  LineContext context;
  std::size_t rowWidth = 0;
  std::uint64_t offset = 0;
  bool atStart = true;
  const auto makeConverter = [&] {
    auto converter = std::make_shared<BlockConverter>(plan, encoding, tableColumns);
    return BlockJob([converter](Block& block) { (*converter)(block); });
  };
  const auto before = [&](Block& block) {
    offset += block.input.Size();
    block.consumedAfter = offset;
    block.atStart = atStart;
    block.context = context;
    context = ContextAfter(block.input.View(), atStart, encoding, context);
    atStart = false;
  };
  const auto after = [&](Block& block) {
    if (block.rowWidth != 0) {  // each block's rows are even; the blocks must agree too
      if (rowWidth != 0 && rowWidth != block.rowWidth) throw UnevenTable{};
      rowWidth = block.rowWidth;
    }
    sink.Take(block.output);  // the block gets another buffer: this one may wait to be written
    if (consumed) consumed(block.consumedAfter);
  };
  ForEachBlock(read, threads, makeConverter, before, after);
  return context;
}

}  // namespace scrivane
