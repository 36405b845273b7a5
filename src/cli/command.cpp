// The program's run: read the command line, plan, convert, and tell the user
// on standard error (a progress line only when that is a terminal).
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
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

// Ctrl-C and SIGTERM while a site is kept: no further conversion starts, the
// manifest is saved, and the program ends. A second signal ends it at once.
std::atomic<bool> stopRequested{false};
volatile std::sig_atomic_t stopSignal = 0;
int wakePipe[2] = {-1, -1};

extern "C" void OnStopSignal(int number) {
  stopSignal = number;
  stopRequested.store(true);
  if (wakePipe[1] >= 0) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
  }
}

void CatchStopSignals() {
  if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe[0] = wakePipe[1] = -1;
  for (const int number : {SIGINT, SIGTERM}) {
    struct sigaction action {};
    sigaction(number, nullptr, &action);
    if (action.sa_handler == SIG_IGN) continue;  // started in the background: it stays immune
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(number, &action, nullptr);
  }
}

std::string Files(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// "Converted 3 files.", "Converted 2 of 3 files; 1 failed.", with the binary inputs left alone.
std::string BatchSummary(std::size_t converted, std::size_t skipped, std::size_t failed) {
  const std::string skips = skipped == 0 ? "" : std::to_string(skipped) + " skipped as binary";
  if (failed == 0) return "Converted " + Files(converted) + (skips.empty() ? "" : "; " + skips) + ".";
  return "Converted " + std::to_string(converted) + " of " + Files(converted + skipped + failed) + "; " +
         std::to_string(failed) + " failed" + (skips.empty() ? "" : ", " + skips) + ".";
}

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
  report.warning = report.failure;  // the same line above the progress; only the exit status differs
  report.progress = [&](std::size_t done, std::size_t total, const std::string& input) {
    progress.Show(done, total, input);
  };
  report.summary = [&](const std::string& text) {
    progress.Clear();
    std::fprintf(stderr, "%s\n", text.c_str());
  };
  // Every run into an output folder keeps its manifest there, so that a later
  // --update knows the documents as its own.
  if (request.Site() || !request.outputDir.empty()) {
    CatchStopSignals();
    if (request.watch) return WatchSite(request, threads, report, stopRequested, wakePipe[0]);
    std::string fatal;
    const SiteCounts counts = UpdateSite(request, jobs, threads, report, &stopRequested, fatal);
    if (!fatal.empty()) report.failure(fatal);
    report.summary(request.Site() ? SiteSummary(counts) : BatchSummary(counts.converted, counts.skipped, counts.failed));
    if (stopSignal != 0) {
      // The work done is saved: end as the signal would have, so that the caller sees it.
      std::fputs("Interrupted; --update converts the rest.\n", stderr);
      std::fflush(stderr);
      raise(stopSignal);
    }
    return counts.failed == 0 && fatal.empty() ? kExitConverted : kExitFailed;
  }
  const BatchResult result =
      RunJobs(jobs, request.form, threads, request.force, BinaryHandlingFor(request, batch), report);
  progress.Clear();
  if (batch) report.summary(BatchSummary(result.converted, result.skipped, result.failed.size()));
  return result.failed.empty() ? kExitConverted : kExitFailed;
}

}  // namespace scrivane
