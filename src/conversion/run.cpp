// One conversion run: check the input, read it line by line, write the document
// through a sink, deliver it, and tell the caller how it went.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "body.h"
#include "conversion.h"
#include "document.h"
#include "encoding.h"
#include "output_file.h"
#include "page_plan.h"

namespace scrivane {
namespace {

// Inputs from this size on are converted on several threads, at most this many.
constexpr std::uint64_t kParallelFrom = 2 * 1024 * 1024;
constexpr unsigned kMaxThreads = 4;

// The input's bytes, from a file or from memory, readable again from the start.
class InputSource {
 public:
  virtual ~InputSource() = default;
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  virtual void Rewind() = 0;
  virtual std::uint64_t Size() const = 0;
  // The whole input when it is already in memory (then it is scanned in place).
  virtual std::optional<std::string_view> Contents() const { return std::nullopt; }
  // Reads the input at any offset, on any thread, leaving Read's place as it is;
  // none for a stream, which is read once in order.
  virtual ReadAtFunction ReaderAt() const { return {}; }
};

class TextSource : public InputSource {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t n = text_.copy(buffer, size, offset_);
    offset_ += n;
    return n;
  }
  void Rewind() override { offset_ = 0; }
  std::uint64_t Size() const override { return text_.size(); }
  std::optional<std::string_view> Contents() const override { return text_; }
  ReadAtFunction ReaderAt() const override {
    return [text = text_](char* buffer, std::size_t size, std::uint64_t offset) {
      return offset < text.size() ? text.copy(buffer, size, static_cast<std::size_t>(offset)) : 0;
    };
  }

 private:
  std::string_view text_;
  std::size_t offset_ = 0;
};

// A stream read once from its descriptor. Everything read is kept in a spool
// file, so the run can start again from the beginning as with a file.
class StreamSource : public InputSource {
 public:
  // `stream` false: `name` is a file's path, and failures name it as the input file.
  StreamSource(int fd, std::string name, bool stream = true, std::function<std::ptrdiff_t(char*, std::size_t)> read = {})
      : fd_(fd), name_(std::move(name)), read_(std::move(read)), stream_(stream) {}
  explicit StreamSource(const InputStream& stream) : StreamSource(stream.fd, stream.name, true, stream.read) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    std::size_t got = 0;
    if (position_ < spool_.Size()) {
      got = spool_.ReadAt(buffer, size, position_);
    } else {
      for (;;) {
        const std::ptrdiff_t n = read_ ? read_(buffer, size) : ::read(fd_, buffer, size);
        if (n >= 0) {
          got = static_cast<std::size_t>(n);
          break;
        }
        if (errno != EINTR) throw FileError(RunFailure::InputUnreadable, name_, errno, stream_);
      }
      spool_.Append(std::string_view(buffer, got));
    }
    position_ += got;
    return got;
  }
  void Rewind() override { position_ = 0; }
  std::uint64_t Size() const override { return 0; }  // unknown until the end: no progress

 private:
  int fd_;
  std::string name_;
  std::function<std::ptrdiff_t(char*, std::size_t)> read_;
  bool stream_;
  SpoolFile spool_;
  std::uint64_t position_ = 0;
};

// The input file, opened once. What is not a regular file (a named pipe, a
// device) is read as a stream: a second open or a seek would lose its data.
class FileSource : public InputSource {
 public:
  explicit FileSource(const std::string& path) : path_(path) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      // Only a name that leads nowhere is "not found"; anything else has a reason to tell.
      if (errno == ENOENT || errno == ENOTDIR) throw FileError(RunFailure::InputMissing, path_, errno);
      Fail();
    }
    try {
      Inspect();
    } catch (...) {
      close(fd_);
      throw;
    }
  }
  ~FileSource() override { close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::size_t Read(char* buffer, std::size_t size) override {
    if (stream_) return stream_->Read(buffer, size);
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) Fail();
    }
  }
  void Rewind() override {
    if (stream_) return stream_->Rewind();
    if (lseek(fd_, 0, SEEK_SET) != 0) Fail();
  }
  std::uint64_t Size() const override { return size_; }
  ReadAtFunction ReaderAt() const override {
    if (stream_) return {};
    return [this](char* buffer, std::size_t size, std::uint64_t offset) {
      for (;;) {
        const ssize_t got = pread(fd_, buffer, size, static_cast<off_t>(offset));
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) Fail();
      }
    };
  }
  int Descriptor() const { return fd_; }

 private:
  void Inspect() {
    struct stat info {};
    if (fstat(fd_, &info) != 0) Fail();
    if (S_ISDIR(info.st_mode)) throw FileError(RunFailure::InputUnreadable, path_, EISDIR);
    if (!S_ISREG(info.st_mode)) {
      stream_.emplace(fd_, path_, false);
      return;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
#ifdef POSIX_FADV_SEQUENTIAL
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  }
  [[noreturn]] void Fail() const { throw FileError(RunFailure::InputUnreadable, path_, errno); }
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::optional<StreamSource> stream_;  // set for a pipe or device
};

// The caller's cancel check said stop.
struct RunCancelled {};

// Calls the progress callback each time the whole percentage changes, and asks the
// cancel check each time another stretch of input has been read.
class ProgressReporter {
 public:
  ProgressReporter(const RunCallbacks& callbacks, std::uint64_t total) : callbacks_(callbacks), total_(total) {}
  void Update(std::uint64_t consumed) {
    if (callbacks_.cancelled && consumed >= nextCheck_) {
      if (callbacks_.cancelled()) throw RunCancelled{};
      nextCheck_ = consumed + kCancelCheckBytes;
    }
    if (!callbacks_.progress || total_ == 0 || consumed < next_) return;
    const std::uint64_t percent = consumed * 100 / total_;
    callbacks_.progress(static_cast<double>(consumed) / static_cast<double>(total_));
    next_ = percent >= 100 ? UINT64_MAX : ((percent + 1) * total_ + 99) / 100;
  }

 private:
  static constexpr std::uint64_t kCancelCheckBytes = 256 * 1024;
  const RunCallbacks& callbacks_;
  std::uint64_t total_;
  std::uint64_t next_ = 0;
  std::uint64_t nextCheck_ = 0;
};

// True when the input begins with ordinary lines, the kind several threads pay off
// for: blocks of whole lines stay small. It is read a little at a time, only until
// enough line ends have shown. The source is rewound afterwards.
bool HasShortLines(InputSource& source) {
  constexpr std::size_t kSample = 256 * 1024;
  constexpr std::size_t kStep = 16 * 1024;
  constexpr std::size_t kEnoughLineEnds = 64;
  char step[kStep];
  std::size_t got = 0;
  std::size_t ends = 0;
  while (got < kSample && ends < kEnoughLineEnds) {
    const std::size_t n = source.Read(step, std::min(kStep, kSample - got));
    if (n == 0) break;
    got += n;
    ends += static_cast<std::size_t>(std::count_if(step, step + n, [](char c) { return c == '\n' || c == '\r'; }));
  }
  source.Rewind();
  return ends >= kEnoughLineEnds;
}

// True when the input's first block holds a NUL byte, which text files never do
// (an executable, an image, an archive). The source is rewound afterwards.
bool LooksBinary(InputSource& source) {
  constexpr std::size_t kBlock = 8192;
  char block[kBlock];
  std::size_t got = 0;
  while (got < kBlock) {
    const std::size_t n = source.Read(block + got, kBlock - got);
    if (n == 0) break;
    got += n;
  }
  source.Rewind();
  return std::memchr(block, '\0', got) != nullptr;
}

// The widest row of the table in `source`: counted on `threads` threads when the
// source is large and can be read anywhere, else read through once from where it stands.
std::size_t CountColumns(InputSource& source, TextEncoding encoding, const std::string& separator, unsigned threads) {
  if (const ReadAtFunction readAt = source.ReaderAt(); readAt && threads > 1 && source.Size() >= kParallelFrom) {
    return CountTableColumnsAt(readAt, encoding, separator, threads);
  }
  return CountTableColumns([&](char* buffer, std::size_t size) { return source.Read(buffer, size); }, encoding,
                           separator);
}

// Writes the whole document into the sink, reading the source as UTF-8 when it is
// valid UTF-8 and as Windows-1252 otherwise. Returns the encoding used.
template <class Restart>
TextEncoding WriteDocument(InputSource& source, const PagePlan& plan, const RunCallbacks& callbacks,
                           bool keepInputEncoding, const DocumentSink::PiecesWriter& write, Restart restart) {
  const unsigned threads = std::min(std::thread::hardware_concurrency(), kMaxThreads);
  for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
    // A modern table's rows are first taken to be as wide as its first; when one
    // is not, the widest is measured and the table written again, every row
    // filling it. Most tables never need the second go.
    std::size_t tableColumns = 0;
    for (bool again = true; again;) {
      again = false;
      DocumentSink sink(write, keepInputEncoding && plan.keepsInputEncoding ? encoding : TextEncoding::Utf8);
      DocumentWriter writer(plan, sink, tableColumns);
      ProgressReporter progress(callbacks, source.Size());
      const auto read = [&](char* buffer, std::size_t size) { return source.Read(buffer, size); };
      const auto consumed = [&](std::uint64_t bytes) { progress.Update(bytes); };
      try {
        writer.Begin();
        if (threads > 1 && source.Size() >= kParallelFrom && HasShortLines(source)) {
          if (plan.format == OutputFormat::Structured) {
            // Each line is read in the light of those around it, so only examining lines runs ahead.
            ConvertStructuredInParallel(read, encoding, plan.links, writer, consumed, threads);
          } else {
            writer.Resume(ConvertInParallel(read, encoding, plan, sink, consumed, threads, tableColumns));
          }
        } else {
          const std::optional<std::string_view> contents = source.Contents();
          LineScanner scanner = contents ? LineScanner(*contents, plan.links) : LineScanner(read, plan.links);
          ConvertLines(scanner, encoding, true, writer, consumed);
        }
      } catch (const NotUtf8&) {
        source.Rewind();
        restart();
        break;
      } catch (const UnevenTable&) {
        source.Rewind();
        restart();
        tableColumns = std::max<std::size_t>(CountColumns(source, encoding, plan.separator, threads), 1);
        source.Rewind();
        again = true;
        continue;
      }
      writer.End();
      sink.Flush();
      return encoding;
    }
  }
  return TextEncoding::Windows1252;  // not reached: every byte sequence is Windows-1252
}

// True when writing `outputPath` would replace the input itself: the same file
// however it is spelt, through links, "..", or a second hard link. `file` is the
// input file opened, or null; a stream counts only when it is a regular file.
bool IsTheInput(const ConversionInput& input, const FileSource* file, const std::string& outputPath) {
  struct stat output {};
  if (stat(outputPath.c_str(), &output) != 0) return false;
  struct stat source {};
  if (file != nullptr) {
    if (fstat(file->Descriptor(), &source) != 0) return false;
  } else if (const auto* stream = std::get_if<InputStream>(&input)) {
    if (fstat(stream->fd, &source) != 0 || !S_ISREG(source.st_mode)) return false;
  } else {
    return false;
  }
  return source.st_dev == output.st_dev && source.st_ino == output.st_ino;
}

RunResult Failed(RunFailure failure) { return RunResult{.failure = failure}; }

RunResult Failed(const FileError& error) {
  return RunResult{.failure = error.failure, .path = error.path, .stream = error.stream, .error = error.error};
}

// The failure of a run that refuses binary input, naming the input it read.
RunResult RefusedAsBinary(const ConversionInput& input) {
  RunResult refused{.failure = RunFailure::BinaryInput, .binary = true};
  if (const auto* inputFile = std::get_if<InputFile>(&input)) {
    refused.path = inputFile->path;
  } else if (const auto* inputStream = std::get_if<InputStream>(&input)) {
    refused.path = inputStream->name;
    refused.stream = true;
  }
  return refused;
}

// The file the document goes to: as named, or the input's name + ".html";
// "" when there is neither (text in memory and streams have no name to derive one from).
std::string OutputPathFor(const OutputFile& output, const InputFile* inputFile) {
  if (!output.path.empty() || inputFile == nullptr) return output.path;
  return inputFile->path + ".html";
}

RunResult OutOfMemory() { return RunResult{.failure = RunFailure::OutOfMemory, .error = ENOMEM}; }

// Opens the input file into `file`; the failure when it cannot be opened.
std::optional<RunResult> OpenInputFile(const InputFile& inputFile, std::optional<FileSource>& file) {
  if (inputFile.path.empty()) return Failed(RunFailure::NoInputName);
  try {
    file.emplace(inputFile.path);
  } catch (const FileError& error) {
    return Failed(error);
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  }
  return std::nullopt;
}

// Why the run may not start, if it may not: a file output without a name, one
// that is the input itself, a list without a list type. Sets `outputPath` to
// where a file output goes.
std::optional<RunResult> RefusedBeforeStart(const ConversionInput& input, const FileSource* file,
                                            const ConversionOutput& output, const PagePlan& plan,
                                            std::string& outputPath) {
  if (const OutputFile* outputFile = std::get_if<OutputFile>(&output)) {
    outputPath = OutputPathFor(*outputFile, std::get_if<InputFile>(&input));
    if (outputPath.empty()) return Failed(RunFailure::NoOutputName);
    // Checked here, so that no front end can replace the user's text with its HTML.
    if (IsTheInput(input, file, outputPath)) return RunResult{.failure = RunFailure::OutputIsInput, .path = outputPath};
  }
  if (plan.format == OutputFormat::HtmlList && plan.list == ListKind::None) return Failed(RunFailure::InvalidListType);
  return std::nullopt;
}

// Writes the document made from `source` to the output, counting its bytes in
// `result`; a document begun again starts its count again.
void WriteToOutput(InputSource& source, const ConversionOutput& output, const std::string& outputPath,
                   const PagePlan& plan, const RunCallbacks& callbacks, RunResult& result) {
  // The document reaches each output in pieces, whose bytes are counted on the way.
  using Pieces = std::span<const std::string_view>;
  const auto counted = [&result](auto&& write) {
    return DocumentSink::PiecesWriter([&result, write](Pieces pieces) {
      for (const std::string_view piece : pieces) result.bytesWritten += piece.size();
      write(pieces);
    });
  };
  const auto eachPiece = [](auto&& append) {
    return [append](Pieces pieces) {
      for (const std::string_view piece : pieces) append(piece);
    };
  };
  const auto restart = [&result](auto&& clear) {
    return [&result, clear] {
      result.bytesWritten = 0;
      clear();
    };
  };
  if (const auto* outputFile = std::get_if<OutputFile>(&output)) {
    SafeOutputFile destination(outputPath, outputFile->overwrite);
    WriteDocument(source, plan, callbacks, true, counted([&](Pieces pieces) { destination.Write(pieces); }),
                  restart([&] { destination.Restart(); }));
    destination.Commit();
    result.outputPath = outputPath;
  } else if (const auto* outputStream = std::get_if<OutputStream>(&output)) {
    // Held back until complete: a stream cannot take back a document begun again.
    SpoolFile document;
    WriteDocument(source, plan, callbacks, true, counted(eachPiece([&](std::string_view bytes) { document.Append(bytes); })),
                  restart([&] { document.Clear(); }));
    document.CopyTo(*outputStream);
  } else {
    const auto& outputText = std::get<OutputText>(output);
    std::string document;
    WriteDocument(source, plan, callbacks, outputText.inputEncoding,
                  counted(eachPiece([&](std::string_view bytes) { document.append(bytes); })),
                  restart([&] { document.clear(); }));
    outputText.deliver(std::move(document));
  }
}

}  // namespace

RunResult RunConversion(const ConversionInput& input, const ConversionOutput& output,
                        const ConversionOptions& options, const RunCallbacks& callbacks) {
  // Opened once, first: a second open of a pipe would find its data gone.
  std::optional<FileSource> file;
  if (const InputFile* inputFile = std::get_if<InputFile>(&input)) {
    if (auto failed = OpenInputFile(*inputFile, file)) return *failed;
  }
  // What the page needs is read from the options here, once; nothing below reads them.
  const PagePlan plan = PlanPage(options);
  std::string outputPath;
  if (auto refused = RefusedBeforeStart(input, file ? &*file : nullptr, output, plan, outputPath)) return *refused;

  RunResult result;
  try {
    std::optional<TextSource> text;
    std::optional<StreamSource> stream;
    InputSource* source = nullptr;
    if (file) {
      source = &*file;
    } else if (const auto* inputText = std::get_if<InputText>(&input)) {
      source = &text.emplace(inputText->text);
    } else {
      source = &stream.emplace(std::get<InputStream>(input));
    }
    result.binary = LooksBinary(*source);
    if (result.binary && options.refuseBinary) return RefusedAsBinary(input);
    WriteToOutput(*source, output, outputPath, plan, callbacks, result);
    result.delivered = true;
  } catch (const FileError& error) {
    return Failed(error);
  } catch (const RunCancelled&) {
    return Failed(RunFailure::Cancelled);  // an unfinished output file is discarded as it goes
  } catch (const std::bad_alloc&) {
    return OutOfMemory();
  } catch (const std::exception& error) {
    return RunResult{.failure = RunFailure::Internal, .reason = error.what()};
  }
  return result;
}

}  // namespace scrivane
