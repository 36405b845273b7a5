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

std::string ConvertOneJob(const ConvertJob& job, const ConversionOptions& runOptions, bool replace,
                          std::uint64_t* bytes) {
  if (!job.problem.empty()) return job.problem;
  const bool toStream = job.output == kStandardStream;
  if (!toStream && !replace && WouldReplace(job.output)) {
    return job.output + " already exists (use --force to replace it)";
  }
  ConversionOptions options = runOptions;
  {
    std::lock_guard lock(stampMutex);
    StampRun(options);
  }
  const ConversionInput input = job.input == kStandardStream ? ConversionInput(InputStream{STDIN_FILENO})
                                                             : ConversionInput(InputFile{job.input});
  const ConversionOutput output = toStream ? ConversionOutput(OutputStream{STDOUT_FILENO})
                                           : ConversionOutput(OutputFile{job.output, replace});
  const RunResult result = RunConversion(input, output, options);
  if (bytes != nullptr) *bytes = result.bytesWritten;
  if (result.delivered) return {};
  // Name the input whenever the run's own message does not name a file.
  const std::string message = FailureMessage(result).text;
  return NamesNoFile(result) ? DisplayName(job.input) + ": " + message : message;
}

BatchResult RunJobs(const std::vector<ConvertJob>& planned, const FormState& form, int threads, bool force,
                    const BatchReport& report) {
  std::vector<ConvertJob> jobs = planned;
  MakeOutputFolders(jobs);
  const ConversionOptions options = ReadFormOptions(form);
  std::mutex reportMutex;
  std::vector<char> converted(jobs.size(), 0);
  std::size_t done = 0;
  RunInParallel(jobs.size(), threads, nullptr, [&](std::size_t i) {
    const std::string failure = ConvertOneJob(jobs[i], options, force);
    std::lock_guard lock(reportMutex);
    converted[i] = failure.empty();
    ++done;
    if (!failure.empty() && report.failure) report.failure(failure);
    if (report.progress) report.progress(done, jobs.size(), jobs[i].input);
  });

  BatchResult result;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    if (converted[i]) {
      ++result.converted;
    } else {
      result.failed.push_back(i);
    }
  }
  return result;
}

}  // namespace scrivane
