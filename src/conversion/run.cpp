// One conversion run: check the input, read it line by line, write the document
// through a sink, deliver it, and tell the caller how it went.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>

#include "conversion.h"
#include "document.h"
#include "encoding.h"
#include "line_scanner.h"
#include "output.h"

namespace scrivane {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Thrown from the line loop when text read as UTF-8 turns out not to be.
struct NotUtf8 {};

// The input's bytes, from a file or from memory, readable again from the start.
class InputSource {
 public:
  virtual ~InputSource() = default;
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  virtual void Rewind() = 0;
  virtual std::uint64_t Size() const = 0;
};

class FileSource : public InputSource {
 public:
  explicit FileSource(const std::string& path) : path_(path) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) Fail();
    struct stat info {};
    if (fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) size_ = static_cast<std::uint64_t>(info.st_size);
#ifdef POSIX_FADV_SEQUENTIAL
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  }
  ~FileSource() override { close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::size_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) Fail();
    }
  }
  void Rewind() override {
    if (lseek(fd_, 0, SEEK_SET) != 0) Fail();
  }
  std::uint64_t Size() const override { return size_; }

 private:
  [[noreturn]] void Fail() const {
    throw FileError("Could not read the input file " + path_ + ": " + std::strerror(errno));
  }
  std::string path_;
  int fd_ = -1;
  std::uint64_t size_ = 0;
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

 private:
  std::string_view text_;
  std::size_t offset_ = 0;
};

// Calls the progress callback each time the whole percentage changes.
class ProgressReporter {
 public:
  ProgressReporter(const std::function<void(double)>& report, std::uint64_t total)
      : report_(report), total_(total) {}
  void Update(std::uint64_t consumed) {
    if (!report_ || total_ == 0 || consumed < next_) return;
    const std::uint64_t percent = consumed * 100 / total_;
    report_(static_cast<double>(consumed) / static_cast<double>(total_));
    next_ = percent >= 100 ? UINT64_MAX : ((percent + 1) * total_ + 99) / 100;
  }

 private:
  const std::function<void(double)>& report_;
  std::uint64_t total_;
  std::uint64_t next_ = 0;
};

// Reads the whole source into the writer; throws NotUtf8 when reading as UTF-8 fails.
void ConvertLines(InputSource& source, TextEncoding encoding, const LinkOptions& links, DocumentWriter& writer,
                  ProgressReporter& progress) {
  LineScanner scanner([&](char* buffer, std::size_t size) { return source.Read(buffer, size); }, links);
  ScannedLine line;
  std::string decoded;
  for (bool first = true; scanner.Next(line); first = false) {
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
    writer.AddLine(text, plain);
    progress.Update(line.consumed);
  }
}

// Writes the whole document into the sink, reading the source as UTF-8 when it is
// valid UTF-8 and as Windows-1252 otherwise. Returns the encoding used.
template <class Restart>
TextEncoding WriteDocument(InputSource& source, const ConversionOptions& options, const RunCallbacks& callbacks,
                           bool keepInputEncoding, const DocumentSink::Writer& write, Restart restart) {
  for (TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
    DocumentSink sink(write, keepInputEncoding ? encoding : TextEncoding::Utf8);
    DocumentWriter writer(options, sink);
    ProgressReporter progress(callbacks.progress, source.Size());
    try {
      writer.Begin();
      ConvertLines(source, encoding, options.links, writer, progress);
    } catch (const NotUtf8&) {
      source.Rewind();
      restart();
      continue;
    }
    writer.End();
    sink.Flush();
    return encoding;
  }
  return TextEncoding::Windows1252;  // not reached: every byte sequence is Windows-1252
}

void Tell(const RunCallbacks& callbacks, std::string title, std::string text) {
  if (callbacks.message) callbacks.message(RunMessage{std::move(title), std::move(text)});
}

}  // namespace

std::string ProgressText(double fraction) {
  const long percent = std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0);
  return " Progress ... " + (percent == 0 ? std::string() : std::to_string(percent)) + "%";
}

RunResult RunConversion(const ConversionInput& input, const ConversionOutput& output,
                        const ConversionOptions& options, const RunCallbacks& callbacks) {
  const InputFile* inputFile = std::get_if<InputFile>(&input);
  if (inputFile != nullptr && !FileExists(inputFile->path)) {
    Tell(callbacks, "Error", "Input File " + inputFile->path + " not found");
    return {};
  }
  const OutputFile* outputFile = std::get_if<OutputFile>(&output);
  std::string outputPath;
  if (outputFile != nullptr) {
    outputPath = outputFile->path;
    if (outputPath.empty() && inputFile != nullptr) outputPath = inputFile->path + ".html";
    if (outputPath.empty()) {  // clipboard text has no name to derive one from
      Tell(callbacks, "Error", "No output file named");
      return {};
    }
  }
  if (options.format == OutputFormat::HtmlList && ListTagFor(options.listType).empty()) {
    Tell(callbacks, "", "Invalid HTML List type");
    return {};
  }

  RunResult result;
  try {
    std::optional<FileSource> file;
    std::optional<TextSource> text;
    InputSource& source = inputFile != nullptr ? static_cast<InputSource&>(file.emplace(inputFile->path))
                                               : text.emplace(std::get<InputText>(input).text);
    if (outputFile != nullptr) {
      SafeOutputFile destination(outputPath);
      WriteDocument(
          source, options, callbacks, true, [&](std::string_view bytes) { destination.Write(bytes); },
          [&] { destination.Restart(); });
      destination.Commit();
      result.outputPath = outputPath;
      if (callbacks.status) {
        callbacks.status(" Finished Conversion. HTML document written to file\r\n " + outputPath);
      }
    } else {
      std::string document;
      WriteDocument(
          source, options, callbacks, false, [&](std::string_view bytes) { document.append(bytes); },
          [&] { document.clear(); });
      std::get<OutputText>(output).deliver(std::move(document));
      if (callbacks.status) callbacks.status(" Finished Conversion.\r\n HTML document now in clipboard.");
    }
    result.delivered = true;
  } catch (const FileError& error) {
    Tell(callbacks, "Error", error.what());
    return {};
  } catch (const std::bad_alloc&) {
    Tell(callbacks, "Error", "Not enough memory to convert this text.");
    return {};
  }
  if (callbacks.beep) callbacks.beep();
  return result;
}

}  // namespace scrivane
