// One pass over a site: what changed is converted, what is gone is removed, the
// index pages follow, and the manifest records it all as it goes.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <set>

#include "cli.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;

// How often the manifest is saved while documents are being written.
constexpr auto kCheckpoint = std::chrono::milliseconds(500);

// What stat says of a path (links followed).
struct FileFacts {
  bool regular = false;
  std::uint64_t size = 0;
  std::int64_t mtime = 0;  // nanoseconds since the epoch
};

FileFacts Facts(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  return {.regular = S_ISREG(info.st_mode),
          .size = static_cast<std::uint64_t>(info.st_size),
          .mtime = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// A path made absolute and tidied without touching the disk (links are not followed).
fs::path Absolute(const std::string& path, const fs::path& workingFolder) {
  const fs::path given(path);
  fs::path absolute = (given.is_absolute() ? given : workingFolder / given).lexically_normal();
  if (absolute.has_parent_path() && absolute.filename().empty()) absolute = absolute.parent_path();  // "site/"
  return absolute;
}

// Paths relative to the site, worked out once per folder (a folder's jobs share it),
// as fs::path takes its time over every file.
class SitePaths {
 public:
  SitePaths(fs::path site, fs::path workingFolder) : site_(std::move(site)), working_(std::move(workingFolder)) {}

  std::string Relative(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    auto [known, fresh] = folders_.try_emplace(folder);
    if (fresh) {
      const std::string relative = Absolute(folder, working_).lexically_relative(site_).generic_string();
      known->second = relative == "." ? std::string() : relative + "/";
    }
    return known->second + path.substr(slash + 1);
  }

 private:
  fs::path site_, working_;
  std::map<std::string, std::string> folders_;
};

// The folder part of a relative path, "" for none.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string Files(std::size_t count) { return std::to_string(count) + (count == 1 ? " file" : " files"); }

// What a pass does with one job.
struct Work {
  std::size_t job;
  bool check;          // the document may still be current: compare the input's hash first
  bool replace;        // the output may be replaced
  std::string key;     // the document, relative to the output folder
  std::string input;   // the input, relative to the output folder
  FileFacts facts;     // the input, as stat saw it before it was read
  std::string hash{};  // check: the input's hash when the document was written
};

// The pass's shared state: manifest, counts and reports, one thread at a time;
// every change to them goes through the mutex.
class Pass {
 public:
  Pass(const ConvertRequest& request, const BatchReport& report, Manifest& manifest)
      : request_(request), report_(report), manifest_(manifest) {}

  SiteCounts Counts() {
    std::lock_guard lock(mutex_);
    return counts_;
  }
  // The first manifest write that failed, or "".
  std::string Error() {
    std::lock_guard lock(mutex_);
    return error_;
  }

  void Fail(const std::string& text) {
    std::lock_guard lock(mutex_);
    FailLocked(text);
  }
  // A document found current from stat and the manifest alone.
  void CountUnchanged() {
    std::lock_guard lock(mutex_);
    ++counts_.unchanged;
  }
  // A document removed with its input.
  void CountRemoved() {
    std::lock_guard lock(mutex_);
    ++counts_.removed;
  }
  // The input was read and found as it was: only its size and time are new.
  void Unchanged(const Work& work, const std::string& input) {
    std::lock_guard lock(mutex_);
    ManifestEntry& entry = manifest_.documents[work.key];
    entry.size = work.facts.size;
    entry.mtime = work.facts.mtime;
    ++counts_.unchanged;
    ChangedLocked();
    Progress(input);
  }
  // A conversion ended: records the document, or the failure or the input skipped.
  void Converted(const Work& work, const JobOutcome& outcome, const InputDigest* digest, const std::string& options,
                 const std::string& input) {
    std::lock_guard lock(mutex_);
    if (!outcome.warning.empty() && report_.warning) report_.warning(outcome.warning);
    if (!outcome.failure.empty()) {
      FailLocked(outcome.failure);
    } else if (outcome.skipped) {
      ++counts_.skipped;
      // A claim on a document never written lapses: the name stays free for the user.
      const auto claim = manifest_.documents.find(work.key);
      if (claim != manifest_.documents.end() && claim->second.hash.empty()) {
        manifest_.documents.erase(claim);
        ChangedLocked();
      }
    } else {
      ++counts_.converted;
      // Without a digest the document is kept only claimed, and the next pass converts it again.
      manifest_.documents[work.key] = {.input = work.input,
                                       .size = work.facts.size,
                                       .mtime = work.facts.mtime,
                                       .hash = digest ? digest->hash : "",
                                       .options = options,
                                       .bytes = outcome.bytes,
                                       .title = digest ? digest->title : ""};
      ChangedLocked();
    }
    Progress(input);
  }
  void SetTotal(std::size_t total) {
    std::lock_guard lock(mutex_);
    total_ = total;
  }
  // The manifest changed: saved now if the last save is long enough ago.
  void Changed() {
    std::lock_guard lock(mutex_);
    ChangedLocked();
  }
  // Saves the manifest when it changed since the last save.
  void Save() {
    std::lock_guard lock(mutex_);
    SaveLocked();
  }

 private:
  void ChangedLocked() {
    dirty_ = true;
    if (std::chrono::steady_clock::now() - saved_ >= kCheckpoint) SaveLocked();
  }
  void SaveLocked() {
    if (!dirty_) return;
    std::string failure;
    if (!manifest_.Save(request_.outputDir, failure) && error_.empty()) error_ = failure;
    dirty_ = false;
    saved_ = std::chrono::steady_clock::now();
  }
  void FailLocked(const std::string& text) {
    ++counts_.failed;
    if (report_.failure) report_.failure(text);
  }
  void Progress(const std::string& input) {
    ++done_;
    if (report_.progress) report_.progress(done_, total_, input);
  }

  const ConvertRequest& request_;
  const BatchReport& report_;
  Manifest& manifest_;
  std::mutex mutex_;
  SiteCounts counts_;
  std::string error_;
  std::size_t done_ = 0, total_ = 0;
  bool dirty_ = false;
  std::chrono::steady_clock::time_point saved_ = std::chrono::steady_clock::now();
};

// Removes the documents whose inputs are gone, and their manifest entries.
void RemoveGone(Manifest& manifest, const fs::path& site, const std::string& shown, Pass& pass,
                std::set<fs::path>& emptied) {
  for (auto it = manifest.documents.begin(); it != manifest.documents.end();) {
    if (Exists(site.string() + "/" + it->second.input)) {
      ++it;
      continue;
    }
    const fs::path output = site / it->first;
    std::error_code error;
    const bool removed = fs::remove(output, error);
    if (error) {
      pass.Fail("Could not remove " + (fs::path(shown) / it->first).string() + ": " + error.message());
      ++it;
      continue;
    }
    if (removed) pass.CountRemoved();
    emptied.insert(output.parent_path());
    it = manifest.documents.erase(it);
    pass.Changed();
  }
}

// Writes the index page of every folder that holds documents (and of the folders
// above them), replacing only pages this program wrote, and removes the pages of
// folders left without documents.
void WriteIndexes(Manifest& manifest, const fs::path& site, const std::string& shown, const ConversionOptions& options,
                  bool force, Pass& pass, std::set<fs::path>& emptied) {
  std::map<std::string, IndexFolder> folders;
  folders[""];
  for (const auto& [key, entry] : manifest.documents) {
    if (entry.hash.empty()) continue;  // claimed, never written
    std::string folder = FolderOf(key);
    const std::string title = entry.title.empty() ? NameOf(entry.input) : entry.title;
    folders[folder].documents.push_back({NameOf(key), title, entry.bytes, entry.mtime});
    while (!folder.empty()) {
      const std::string parent = FolderOf(folder);
      std::vector<std::string>& names = folders[parent].folders;
      if (names.empty() || names.back() != NameOf(folder)) names.push_back(NameOf(folder));
      folder = parent;
    }
  }
  std::set<std::string> pages;
  for (auto& [path, folder] : folders) {
    std::sort(folder.folders.begin(), folder.folders.end());
    folder.folders.erase(std::unique(folder.folders.begin(), folder.folders.end()), folder.folders.end());
    folder.path = path;
    folder.site = site.filename().string();
    const std::string key = path.empty() ? std::string(kIndexName) : path + "/" + kIndexName;
    pages.insert(key);
    const std::string page = IndexPage(folder, options);
    const std::string hash = HashText(page);
    const auto known = manifest.indexes.find(key);
    const fs::path file = site / key;
    if (known != manifest.indexes.end() && known->second == hash && Facts(file.string()).regular) continue;
    if (known == manifest.indexes.end() && !force && Exists(file.string())) {
      pass.Fail((fs::path(shown) / key).string() + " already exists (use --force to replace it)");
      continue;
    }
    std::string failure;
    if (!WriteWhole((fs::path(shown) / key).string(), page, failure)) {
      pass.Fail(failure);
      continue;
    }
    manifest.indexes[key] = hash;
    pass.Changed();
  }
  for (auto it = manifest.indexes.begin(); it != manifest.indexes.end();) {
    if (pages.contains(it->first)) {
      ++it;
      continue;
    }
    std::error_code error;
    fs::remove(site / it->first, error);
    emptied.insert((site / it->first).parent_path());
    it = manifest.indexes.erase(it);
    pass.Changed();
  }
}

// Removes the folders below the site that removals left empty, deepest first.
void RemoveEmptyFolders(const std::set<fs::path>& emptied, const fs::path& site) {
  for (auto it = emptied.rbegin(); it != emptied.rend(); ++it) {
    for (fs::path folder = *it; folder != site && folder.string().starts_with(site.string() + "/");
         folder = folder.parent_path()) {
      std::error_code error;
      if (!fs::remove(folder, error)) break;  // not empty (or not there): the folders above are not either
    }
  }
}

// The work of a pass, decided from stat and the manifest alone: the documents that
// are current are counted, the others listed; a document it did not write yet is
// claimed in the manifest (under `options`) when it may be replaced. A site run
// skips what is current and replaces its own documents; a plain run converts every
// input and replaces files only with --force.
std::vector<Work> PlanWork(const ConvertRequest& request, const std::vector<ConvertJob>& jobs, SitePaths& paths,
                           const std::string& options, Manifest& manifest, Pass& pass, bool& claimed) {
  std::vector<Work> work;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const ConvertJob& job = jobs[i];
    if (job.problem.empty() && request.index && NameOf(job.output) == kIndexName) {
      pass.Fail(job.output + " is the folder's index page: " + job.input + " cannot be converted with --index");
      continue;
    }
    if (!job.problem.empty()) {
      pass.Fail(job.problem);
      continue;
    }
    const std::string key = paths.Relative(job.output);
    const std::string input = paths.Relative(job.input);
    const FileFacts facts = Facts(job.input);
    const auto found = manifest.documents.find(key);
    if (found != manifest.documents.end() && !request.Site()) {
      work.push_back({.job = i, .check = false, .replace = request.force, .key = key, .input = input, .facts = facts});
      continue;
    }
    if (found != manifest.documents.end()) {
      const ManifestEntry& entry = found->second;
      const bool current = !entry.hash.empty() && entry.options == options && entry.input == input &&
                           facts.regular && Facts(job.output).regular;
      if (current && entry.size == facts.size && entry.mtime == facts.mtime) {
        pass.CountUnchanged();
        continue;
      }
      work.push_back({.job = i, .check = current, .replace = true, .key = key, .input = input, .facts = facts,
                      .hash = entry.hash});
      continue;
    }
    // A document it did not write is the user's: claimed only when it may be replaced.
    if (request.force || !Exists(job.output)) {
      manifest.documents[key] = {.input = input, .options = options};
      claimed = true;
    }
    work.push_back({.job = i, .check = false, .replace = request.force, .key = key, .input = input, .facts = facts});
  }
  return work;
}

// Converts the listed documents on `threads` threads; one whose input is as it
// was (by its hash) is only recorded as unchanged.
void ConvertWork(const std::vector<Work>& work, const std::vector<ConvertJob>& jobs, int threads,
                 const std::atomic<bool>* stop, const ConversionOptions& runOptions, BinaryHandling binary,
                 const std::string& options, Pass& pass) {
  pass.SetTotal(work.size());
  RunInParallel(work.size(), threads, stop, [&](std::size_t w) {
    const Work& item = work[w];
    const ConvertJob& job = jobs[item.job];
    InputDigest digest;
    std::string unread;
    const bool read = DigestInput(job.input, digest, unread);
    if (item.check && read && digest.hash == item.hash) {
      pass.Unchanged(item, job.input);
      return;
    }
    const JobOutcome outcome = ConvertOneJob(job, runOptions, item.replace, binary);
    pass.Converted(item, outcome, read ? &digest : nullptr, options, job.input);
  });
}

}  // namespace

SiteCounts UpdateSite(const ConvertRequest& request, const std::vector<ConvertJob>& planned, int threads,
                      const BatchReport& report, const std::atomic<bool>* stop, std::string& fatal) {
  fatal.clear();
  std::error_code error;
  std::filesystem::create_directories(request.outputDir, error);
  if (error) {
    fatal = "Could not make the folder " + request.outputDir + ": " + error.message();
    return {};
  }
  std::vector<ConvertJob> jobs = planned;
  MakeOutputFolders(jobs);
  Manifest manifest;
  if (!manifest.Load(request.outputDir, fatal)) return {};
  Pass pass(request, report, manifest);
  std::error_code ignored;
  const fs::path workingFolder = fs::current_path(ignored);
  const fs::path site = Absolute(request.outputDir, workingFolder);
  const std::string options = OptionsHash(request.form);
  const ConversionOptions runOptions = ReadFormOptions(request.form);
  const BinaryHandling binary = BinaryHandlingFor(request, true);

  SitePaths paths(site, workingFolder);
  bool claimed = false;
  const std::vector<Work> work = PlanWork(request, jobs, paths, options, manifest, pass, claimed);
  // The claims are saved before any document is written: a run cut short leaves
  // documents the next pass knows as its own.
  if (claimed) {
    pass.Changed();
    pass.Save();
  }
  ConvertWork(work, jobs, threads, stop, runOptions, binary, options, pass);

  std::set<fs::path> emptied;
  if (stop == nullptr || !stop->load()) {
    if (request.prune) RemoveGone(manifest, site, request.outputDir, pass, emptied);
    if (request.index) WriteIndexes(manifest, site, request.outputDir, runOptions, request.force, pass, emptied);
    RemoveEmptyFolders(emptied, site);
  }
  pass.Save();
  fatal = pass.Error();
  return pass.Counts();
}

std::string SiteSummary(const SiteCounts& counts) {
  return "Converted " + Files(counts.converted) + ", " + std::to_string(counts.unchanged) + " unchanged, " +
         std::to_string(counts.removed) + " removed, " + std::to_string(counts.failed) + " failed" +
         (counts.skipped == 0 ? "" : ", " + std::to_string(counts.skipped) + " skipped") + ".";
}

}  // namespace scrivane
