// Running the jobs of a batch on several threads, each through the one
// conversion path.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "cli.h"
#include "messages.h"
#include "platform.h"

namespace scrivane {
namespace {

std::string DisplayName(const std::string& path) {
  return path == kStandardStream ? std::string("standard input") : path;
}

// True when `path` names something a run would replace: a file, or a link (even to nowhere).
bool WouldReplace(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  if (S_ISLNK(info.st_mode) && stat(path.c_str(), &info) != 0) return true;
  return S_ISREG(info.st_mode);
}

// True when `a` and `b` are one file, however spelt (links, "..", hard links).
bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// The date text goes through the shared system locale: one run stamps at a time.
std::mutex stampMutex;

}  // namespace

void MakeOutputFolders(std::vector<ConvertJob>& jobs) {
  std::map<std::string, std::string> folderProblems;
  for (ConvertJob& job : jobs) {
    if (!job.problem.empty() || job.output == kStandardStream) continue;
    const std::size_t slash = job.output.rfind('/');
    if (slash == std::string::npos || slash == 0) continue;
    const std::string folder = job.output.substr(0, slash);
    auto [known, fresh] = folderProblems.try_emplace(folder);
    if (fresh) {
      std::error_code error;
      std::filesystem::create_directories(folder, error);
      if (error) known->second = "Could not make the folder " + folder + ": " + error.message();
    }
    job.problem = known->second;
  }
}

void RunInParallel(std::size_t count, int threads, const std::atomic<bool>* stop,
                   const std::function<void(std::size_t)>& work) {
  std::atomic<std::size_t> next{0};
  const auto worker = [&] {
    for (std::size_t i; (stop == nullptr || !stop->load()) && (i = next.fetch_add(1)) < count;) work(i);
  };
  const std::size_t workers =
      std::clamp<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), 1, std::max<std::size_t>(count, 1));
  std::vector<std::thread> pool;
  for (std::size_t i = 1; i < workers; ++i) pool.emplace_back(worker);
  worker();  // this thread is one of the workers
  for (std::thread& thread : pool) thread.join();
}

BinaryHandling BinaryHandlingFor(const ConvertRequest& request, bool batch) {
  if (request.binary.empty()) return batch ? BinaryHandling::Skip : BinaryHandling::Convert;
  // The parser took one of the choices, in its own spelling.
  return request.binary == "skip" ? BinaryHandling::Skip
         : request.binary == "fail" ? BinaryHandling::Fail
                                    : BinaryHandling::Convert;
}

JobOutcome ConvertOneJob(const ConvertJob& job, const ConversionOptions& runOptions, bool replace,
                         BinaryHandling binary) {
  if (!job.problem.empty()) return {.failure = job.problem};
  const bool toStream = job.output == kStandardStream;
  if (!toStream && !replace && WouldReplace(job.output)) {
    // Replacing the input with its own document is never on offer, not even with --force.
    if (job.input != kStandardStream && SameFile(job.input, job.output)) {
      RunResult same;
      same.failure = RunFailure::OutputIsInput;
      same.path = job.output;
      return {.failure = FailureMessage(same).text};
    }
    return {.failure = job.output + " already exists (use --force to replace it)"};
  }
  ConversionOptions options = runOptions;
  options.refuseBinary = binary != BinaryHandling::Convert;
  {
    std::lock_guard lock(stampMutex);
    StampRun(options);
  }
  const ConversionInput input = job.input == kStandardStream ? ConversionInput(InputStream{STDIN_FILENO})
                                                             : ConversionInput(InputFile{job.input});
  const ConversionOutput output = toStream ? ConversionOutput(OutputStream{STDOUT_FILENO})
                                           : ConversionOutput(OutputFile{job.output, replace});
  const RunResult result = RunConversion(input, output, options);
  JobOutcome outcome;
  outcome.bytes = result.bytesWritten;
  const std::string binaryText = BinaryInputText(DisplayName(job.input));
  if (result.delivered) {
    if (result.binary) outcome.warning = binaryText + "; converted anyway";
  } else if (result.failure == RunFailure::BinaryInput && binary == BinaryHandling::Skip) {
    outcome.skipped = true;
    outcome.warning = binaryText + "; skipped (--binary=convert converts it)";
  } else if (result.failure == RunFailure::BinaryInput) {
    outcome.failure = binaryText + " (--binary=convert converts it)";
  } else {
    // Name the input whenever the run's own message does not name a file.
    const std::string message = FailureMessage(result).text;
    outcome.failure = NamesNoFile(result) ? DisplayName(job.input) + ": " + message : message;
  }
  return outcome;
}

BatchResult RunJobs(const std::vector<ConvertJob>& planned, const FormState& form, int threads, bool force,
                    BinaryHandling binary, const BatchReport& report) {
  std::vector<ConvertJob> jobs = planned;
  MakeOutputFolders(jobs);
  const ConversionOptions options = ReadFormOptions(form);
  std::mutex reportMutex;
  std::vector<JobOutcome> outcomes(jobs.size());
  std::size_t done = 0;
  RunInParallel(jobs.size(), threads, nullptr, [&](std::size_t i) {
    JobOutcome outcome = ConvertOneJob(jobs[i], options, force, binary);
    std::lock_guard lock(reportMutex);
    ++done;
    if (!outcome.failure.empty() && report.failure) report.failure(outcome.failure);
    if (!outcome.warning.empty() && report.warning) report.warning(outcome.warning);
    outcomes[i] = std::move(outcome);
    if (report.progress) report.progress(done, jobs.size(), jobs[i].input);
  });

  BatchResult result;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (!outcomes[i].failure.empty()) {
      result.failed.push_back(i);
    } else if (outcomes[i].skipped) {
      ++result.skipped;
    } else {
      ++result.converted;
    }
  }
  return result;
}

}  // namespace scrivane
