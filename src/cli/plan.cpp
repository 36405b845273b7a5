// From the inputs of a command line to the jobs of a batch: which files, and
// where each document goes.
#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "cli.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

bool IsStandardStream(const std::string& name) { return name == kStandardStream; }

bool IsFolder(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

bool MatchesAny(const std::string& name, const std::vector<std::string>& patterns) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [&](const std::string& pattern) { return fnmatch(pattern.c_str(), name.c_str(), 0) == 0; });
}

// Adds a job for every matching file in `folder` (and, recursively, its folders),
// in name order. Hidden entries are skipped, and linked folders are not entered,
// which keeps a link loop from running away.
void CollectFolder(const fs::path& root, const fs::path& folder, const ConvertRequest& request,
                   std::vector<ConvertJob>& jobs, std::vector<std::string>* folders) {
  if (folders != nullptr) folders->push_back(folder.string());
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    entries.push_back(*it);
  }
  if (error) {
    jobs.push_back({folder.string(), "", "Could not read the folder " + folder.string() + ": " + error.message()});
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with('.')) continue;
    std::error_code ignored;
    if (entry.is_directory(ignored)) {
      // An output folder below an input folder holds no inputs: its documents would
      // be taken again on every run (and by --watch, again and again).
      const bool isOutput = !request.outputDir.empty() && fs::equivalent(entry.path(), request.outputDir, ignored);
      if (request.recursive && !entry.is_symlink(ignored) && !isOutput) {
        CollectFolder(root, entry.path(), request, jobs, folders);
      }
      continue;
    }
    if (!entry.is_regular_file(ignored) || !MatchesAny(name, request.include)) continue;
    const fs::path output = request.outputDir.empty()
                                ? fs::path(entry.path().string() + ".html")
                                : fs::path(request.outputDir) / (entry.path().lexically_relative(root).string() + ".html");
    jobs.push_back({entry.path().string(), output.string(), ""});
  }
}

// A path made absolute and tidied without touching the disk, so that "a/../b"
// and "./b" are one name (links are not followed: that would cost a lookup per file).
std::string Normal(const std::string& path, const fs::path& workingFolder) {
  const fs::path given(path);
  return (given.is_absolute() ? given : workingFolder / given).lexically_normal().string();
}

}  // namespace

std::vector<ConvertJob> PlanJobs(const ConvertRequest& request, std::string& error, std::vector<std::string>* folders) {
  error.clear();
  std::vector<std::string> inputs = request.inputs;
  if (inputs.empty()) inputs.push_back(kStandardStream);
  const auto streams = std::count_if(inputs.begin(), inputs.end(), IsStandardStream);
  const bool anyFolder = std::any_of(inputs.begin(), inputs.end(), IsFolder);

  if (!request.output.empty()) {
    if (!request.outputDir.empty()) {
      error = "--output and --output-dir cannot be used together";
    } else if (inputs.size() != 1 || anyFolder) {
      error = "--output takes exactly one input file, not several or a folder";
    }
    if (!error.empty()) return {};
    return {{inputs.front(), request.output, ""}};
  }
  const bool batch = inputs.size() > 1 || anyFolder || !request.outputDir.empty();
  if (!batch) return {{inputs.front(), kStandardStream, ""}};
  if (streams > 0) {
    error = "standard input (-) can only be converted on its own, to standard output or to -o FILE";
    return {};
  }

  std::vector<ConvertJob> jobs;
  for (const std::string& input : inputs) {
    if (IsFolder(input)) {
      const std::size_t before = jobs.size();
      CollectFolder(input, input, request, jobs, folders);
      if (jobs.size() == before) {
        std::string patterns;
        for (const std::string& pattern : request.include) patterns += (patterns.empty() ? "" : " or ") + pattern;
        jobs.push_back({input, "", "No files named " + patterns + " in the folder " + input});
      }
      continue;
    }
    const std::string output = request.outputDir.empty()
                                   ? input + ".html"
                                   : (fs::path(request.outputDir) / (fs::path(input).filename().string() + ".html")).string();
    jobs.push_back({input, output, ""});
  }

  // Two inputs must never write one file: the later one fails instead.
  std::error_code ignored;
  const fs::path workingFolder = fs::current_path(ignored);
  std::map<std::string, std::string> claimed;
  for (ConvertJob& job : jobs) {
    if (!job.problem.empty()) continue;
    const auto [owner, fresh] = claimed.emplace(Normal(job.output, workingFolder), job.input);
    if (!fresh) job.problem = job.output + " would also be the output of " + owner->second;
  }
  return jobs;
}

}  // namespace scrivane
