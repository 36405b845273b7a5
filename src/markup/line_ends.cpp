// Line-end handling of the input and the readability test of a file.
#include "markup.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace scrivane {
namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

// Finds CR and LF in a buffer. Each search result is remembered until the scan
// passes it, so a file that uses only one of the two is still scanned once.
class LineEndFinder {
 public:
  // Position of the first CR or LF in [from, end), or end.
  std::size_t Find(const char* data, std::size_t from, std::size_t end) {
    // CR is searched to the end too, so a file without any costs one search a block.
    const std::size_t lf = lf_.Next(data, from, end, '\n');
    const std::size_t cr = cr_.Next(data, from, end, '\r');
    return cr < lf ? cr : lf;
  }
  // Forgets what was found; the buffer's contents have moved.
  void Reset() { lf_ = cr_ = {}; }

 private:
  // The first `c` in [from, limit) is at `found` (found == limit: none).
  struct Search {
    bool valid = false;
    std::size_t from = 0;
    std::size_t limit = 0;
    std::size_t found = 0;

    std::size_t Next(const char* data, std::size_t start, std::size_t end, char c) {
      if (valid && start >= from && start <= found) {
        if (found < limit) return found < end ? found : end;
        if (end <= limit) return end;
      }
      const void* hit = end > start ? std::memchr(data + start, c, end - start) : nullptr;
      valid = true;
      from = start;
      limit = end;
      found = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : end;
      return found;
    }
  };

  Search lf_;
  Search cr_;
};

}  // namespace

void NormaliseLineEnds(const ReadFunction& read, const LineFunction& onLine) {
  std::vector<char> buffer(kReadBlock);
  std::size_t begin = 0;    // start of the current line
  std::size_t end = 0;      // end of the bytes read so far
  std::size_t scanned = 0;  // no line end in [begin, scanned)
  bool atEnd = false;
  std::uint64_t consumed = 0;
  LineEndFinder finder;

  // Moves the unread bytes to the front, grows a full buffer, and reads more.
  const auto refill = [&] {
    if (begin > 0) {
      std::memmove(buffer.data(), buffer.data() + begin, end - begin);
      finder.Reset();
      end -= begin;
      scanned -= begin;
      begin = 0;
    }
    if (end == buffer.size()) buffer.resize(buffer.size() * 2);
    const std::size_t got = read(buffer.data() + end, buffer.size() - end);
    if (got == 0) atEnd = true;
    end += got;
  };

  for (;;) {
    const std::size_t eol = finder.Find(buffer.data(), scanned, end);
    if (eol == end) {
      scanned = end;
      if (!atEnd) {
        refill();
        continue;
      }
      if (end > begin) {
        consumed += end - begin;
        onLine(std::string_view(buffer.data() + begin, end - begin), consumed);
      }
      return;
    }
    std::size_t next = eol + 1;
    if (buffer[eol] == '\r') {
      if (next == end && !atEnd) {  // an LF may follow in the next block
        scanned = eol;
        refill();
        continue;
      }
      if (next < end && buffer[next] == '\n') ++next;
    }
    consumed += next - begin;
    onLine(std::string_view(buffer.data() + begin, eol - begin), consumed);
    begin = scanned = next;
  }
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) return false;
  // A pipe or device is not opened: opening and closing it would take its data.
  if (!std::filesystem::is_regular_file(status)) return true;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace scrivane
