// The program's run: read the command line, plan, convert, and tell the user
// on standard error (a progress line only when that is a terminal).
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "cli.h"
#include "markup.h"

namespace scrivane {
namespace {

constexpr const char* kPrefix = "scrivane-convert: ";

// One line at the bottom of the terminal, redrawn at most ten times a second;
// failures are printed above it.
class ProgressLine {
 public:
  explicit ProgressLine(bool enabled) : enabled_(enabled) {}

  void Show(std::size_t done, std::size_t total, const std::string& input) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - lastDrawn_ < std::chrono::milliseconds(100)) return;
    lastDrawn_ = now;
    std::string text = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " + input;
    // Never wrap onto a second line; cut between characters, not inside one.
    const std::size_t width = TerminalWidth();
    const std::size_t characters = CharCount(text);
    if (characters >= width) text.erase(text.size() - TailBytes(text, characters - (width - 1)));
    std::fprintf(stderr, "\r\033[K%s", text.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }
  void Clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stderr);
    drawn_ = false;
  }

 private:
  static std::size_t TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
    return 80;
  }

  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point lastDrawn_{};
};

std::string Files(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

int UsageError(const std::string& text) {
  std::fprintf(stderr, "%s%s\nTry 'scrivane-convert --help' for more information.\n", kPrefix, text.c_str());
  return kExitUsage;
}

}  // namespace

int RunConvertCommand(const QStringList& arguments) {
  const ParsedCommand command = ParseConvertArguments(arguments, StoredForm);
  if (!command.request) {
    std::fputs(command.text.c_str(), command.status == kExitConverted ? stdout : stderr);
    return command.status;
  }
  const ConvertRequest& request = *command.request;
  if (request.inputs.empty() && isatty(STDIN_FILENO)) {
    return UsageError("no input files (name - to read standard input from the terminal)");
  }
  std::string error;
  const std::vector<ConvertJob> jobs = PlanJobs(request, error);
  if (!error.empty()) return UsageError(error);

  const bool batch = request.output.empty() && !(jobs.size() == 1 && jobs.front().output == kStandardStream);
  const int threads = request.jobs > 0 ? request.jobs : static_cast<int>(std::thread::hardware_concurrency());
  ProgressLine progress(batch && isatty(STDERR_FILENO));
  BatchReport report;
  report.failure = [&](const std::string& text) {
    progress.Clear();
    std::fprintf(stderr, "%s%s\n", kPrefix, text.c_str());
  };
  report.progress = [&](std::size_t done, std::size_t total, const std::string& input) {
    progress.Show(done, total, input);
  };
  const BatchResult result = RunJobs(jobs, request.form, threads, request.force, report);
  progress.Clear();

  if (batch) {
    if (result.failed.empty()) {
      std::fprintf(stderr, "Converted %s.\n", Files(result.converted).c_str());
    } else {
      std::fprintf(stderr, "Converted %zu of %s; %zu failed.\n", result.converted, Files(jobs.size()).c_str(),
                   result.failed.size());
    }
  }
  return result.failed.empty() ? kExitConverted : kExitFailed;
}

}  // namespace scrivane
