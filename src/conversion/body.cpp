// The body: lines read, checked or decoded, and written through the format.
// Large inputs are cut into blocks that end on a line end; lines do not depend
// on each other, so blocks convert on separate threads and are written in order.
#include "body.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace scrivane {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kBlockRead = 256 * 1024;

// Bytes read from the input, in a buffer that grows without being cleared first.
class ByteBuffer {
 public:
  std::string_view View() const { return {data_.get(), size_}; }
  std::size_t Size() const { return size_; }
  // Room for `count` more bytes after the data; Commit says how many arrived.
  char* Reserve(std::size_t count) {
    if (size_ + count > capacity_) {
      const std::size_t capacity = std::max(size_ + count, 2 * capacity_);
      auto grown = std::make_unique_for_overwrite<char[]>(capacity);
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

// One block of whole input lines and the document text made of them.
struct Block {
  ByteBuffer input;
  std::string output;
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

// Threads that convert blocks, each with its own writer and buffers.
class BlockWorkers {
 public:
  BlockWorkers(unsigned count, TextEncoding encoding, const ConversionOptions& options, std::size_t tableColumns)
      : encoding_(encoding), options_(options), tableColumns_(tableColumns) {
    for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~BlockWorkers() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      queue_.clear();  // after a failure nobody waits for the rest
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  BlockWorkers(const BlockWorkers&) = delete;
  BlockWorkers& operator=(const BlockWorkers&) = delete;

  void Submit(const std::shared_ptr<Block>& block) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(block);
    }
    wake_.notify_one();
  }

  void WaitFor(const Block& block) {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return block.done; });
  }

 private:
  void Work() {
    // The pending text is not flushed line by line but handed over whole once the
    // block is done; only the pieces of a very long line reach the writer early.
    std::string* target = nullptr;
    DocumentSink sink([&](std::string_view bytes) { target->append(bytes); }, TextEncoding::Utf8, SIZE_MAX);
    DocumentWriter writer(options_, sink, tableColumns_);
    for (;;) {
      std::shared_ptr<Block> block;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) return;
        block = std::move(queue_.front());
        queue_.pop_front();
      }
      sink.Text().clear();
      target = &block->output;
      try {
        LineScanner scanner(block->input.View(), options_.links);
        writer.Resume(block->context);
        ConvertLines(scanner, encoding_, block->atStart, writer, {});
        block->rowWidth = writer.Context().rowWidth;
        if (block->output.empty()) {
          block->output.swap(sink.Text());
        } else {
          sink.Flush();
        }
      } catch (const NotUtf8&) {
        block->notUtf8 = true;
      } catch (...) {
        block->failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        block->done = true;
      }
      finished_.notify_all();
    }
  }

  TextEncoding encoding_;
  const ConversionOptions& options_;
  std::size_t tableColumns_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<Block>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
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

// Bits set in a 16-bit mask, without the library call a plain build makes of it.
std::size_t Ones(unsigned mask) {
  mask = mask - ((mask >> 1) & 0x5555u);
  mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
  mask = (mask + (mask >> 4)) & 0x0F0Fu;
  return (mask + (mask >> 8)) & 0x1Fu;
}

// The widest row of a table, measured over whole lines. With a one-byte separator
// the separators are counted sixteen bytes at a time; a line with a quote in it is
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
    SplitFields(line, separator_, unquoted_, fields_);
    widest_ = std::max(widest_, fields_.size());
  }

  void Count(std::string_view text, char separator) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t lineStart = 0, separators = 0;
    bool quoted = false;
    const auto endLine = [&](std::size_t end) {
      if (quoted) {
        SplitFields(text.substr(lineStart, end - lineStart), separator_, unquoted_, fields_);
        widest_ = std::max(widest_, fields_.size());
      } else {
        widest_ = std::max(widest_, separators + 1);
      }
      lineStart = end + 1;
      separators = 0;
      quoted = false;
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i sep = _mm_set1_epi8(separator);
    for (; i + 16 <= n; i += 16) {
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
        separators += Ones(seps & before);
        quoted = quoted || (quotes & before) != 0;
        endLine(i + bit);
        rest &= ~((2u << bit) - 1);
      }
      separators += Ones(seps & rest);
      quoted = quoted || (quotes & rest) != 0;
    }
#endif
    for (; i < n; ++i) {
      if (p[i] == '\n' || p[i] == '\r') {
        endLine(i);
      } else {
        separators += p[i] == separator ? 1 : 0;
        quoted = quoted || p[i] == '"';
      }
    }
    if (lineStart < n) endLine(n);
  }

  std::string separator_;
  TextEncoding encoding_;
  std::size_t widest_ = 0;
  std::string decoded_, unquoted_;
  std::vector<std::string_view> fields_;
};

}  // namespace

std::size_t CountTableColumns(const ReadFunction& read, TextEncoding encoding, const std::string& separator) {
  if (separator.empty()) return 1;
  constexpr std::size_t kChunk = 1024 * 1024;
  TableWidth width(separator, encoding);
  std::unique_ptr<char[]> buffer;  // not zeroed: every byte looked at has been read
  std::size_t capacity = 0;
  std::size_t held = 0;  // bytes of a line begun in the last chunk
  for (bool atEnd = false; !atEnd;) {
    if (capacity < held + kChunk) {
      auto larger = std::make_unique_for_overwrite<char[]>(held + kChunk);
      if (held > 0) std::memcpy(larger.get(), buffer.get(), held);
      buffer = std::move(larger);
      capacity = held + kChunk;
    }
    const std::size_t got = read(buffer.get() + held, kChunk);
    atEnd = got == 0;
    const std::string_view text(buffer.get(), held + got);
    // Whole lines only, but for the last one at the end of the input.
    const std::size_t lastEnd = text.find_last_of("\r\n");
    const std::size_t whole = atEnd ? text.size() : lastEnd == std::string_view::npos ? 0 : lastEnd + 1;
    width.Add(text.substr(0, whole));
    held = text.size() - whole;
    std::memmove(buffer.get(), buffer.get() + whole, held);
  }
  return width.Widest();
}

void ConvertLines(LineScanner& scanner, TextEncoding encoding, bool atStart, DocumentWriter& writer,
                  const ConsumedFunction& consumed) {
  ScannedLine line;
  std::string decoded;
  for (bool first = atStart; scanner.Next(line); first = false) {
    std::string_view text = line.text;
    bool plain = !line.mayChange;
    if (line.hasHighBytes) {
      if (encoding == TextEncoding::Utf8) {
        if (first && text.starts_with(kByteOrderMark)) {
          // The scan saw the mark before the first word, so a host there went unnoticed.
          text.remove_prefix(kByteOrderMark.size());
          plain = false;
        }
        if (!IsValidUtf8(text)) throw NotUtf8{};
      } else {
        decoded.clear();
        AppendUtf8FromWindows1252(decoded, text);
        text = decoded;
        plain = false;  // A3, the pound sign, decodes to a character that is escaped
      }
    }
    writer.AddLine(text, plain, !line.hasHighBytes && !line.hasControls && scanner.NotesControls());
    if (consumed) consumed(line.consumed);
  }
}

LineContext ConvertInParallel(const ReadFunction& read, TextEncoding encoding, const ConversionOptions& options,
                              DocumentSink& sink, const ConsumedFunction& consumed, unsigned threads,
                              std::size_t tableColumns) {
  BlockWorkers workers(threads, encoding, options, tableColumns);
  LineContext context;
  std::size_t rowWidth = 0;
  std::deque<std::shared_ptr<Block>> inFlight;
  std::vector<std::shared_ptr<Block>> spare;
  const std::size_t maxInFlight = 2 * static_cast<std::size_t>(threads);
  std::string carry;
  std::uint64_t offset = 0;
  bool atStart = true;
  bool atEnd = false;

  // Writes out the oldest block once it is converted.
  const auto drainOldest = [&] {
    std::shared_ptr<Block> block = std::move(inFlight.front());
    inFlight.pop_front();
    workers.WaitFor(*block);
    if (block->failure) std::rethrow_exception(block->failure);
    if (block->notUtf8) throw NotUtf8{};
    if (block->rowWidth != 0) {  // each block's rows are even; the blocks must agree too
      if (rowWidth != 0 && rowWidth != block->rowWidth) throw UnevenTable{};
      rowWidth = block->rowWidth;
    }
    sink.Append(block->output);
    if (consumed) consumed(block->consumedAfter);
    spare.push_back(std::move(block));
  };

  while (!atEnd) {
    std::shared_ptr<Block> block;
    if (spare.empty()) {
      block = std::make_shared<Block>();
    } else {
      block = std::move(spare.back());
      spare.pop_back();
      Block reused;  // keeps the buffers' capacity
      reused.input = std::move(block->input);
      reused.output = std::move(block->output);
      *block = std::move(reused);
    }
    block->input.Assign(carry);
    block->output.clear();
    std::size_t cut = std::string::npos;
    while (cut == std::string::npos) {  // at least one whole line, however long
      const std::size_t had = block->input.Size();
      const std::size_t got = read(block->input.Reserve(kBlockRead), kBlockRead);
      block->input.Commit(got);
      if (got == 0) {
        atEnd = true;
        break;
      }
      cut = CutPoint(block->input.View(), had == 0 ? 0 : had - 1);  // a CR may have ended the last read
    }
    if (!atEnd) {
      carry.assign(block->input.View().substr(cut));
      block->input.Resize(cut);
    }
    offset += block->input.Size();
    block->consumedAfter = offset;
    block->atStart = atStart;
    block->context = context;
    context = ContextAfter(block->input.View(), atStart, encoding, context);
    atStart = false;
    if (block->input.Size() == 0) break;
    workers.Submit(block);
    inFlight.push_back(std::move(block));
    if (inFlight.size() >= maxInFlight) drainOldest();
  }
  while (!inFlight.empty()) drainOldest();
  return context;
}

}  // namespace scrivane
