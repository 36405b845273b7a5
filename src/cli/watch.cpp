// --watch: the inputs' folders and files watched through inotify, and a pass
// over the site after each burst of changes.
#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>

#include "cli.h"

namespace scrivane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A pass starts once the inputs have been quiet this long, and at the latest this
// long after the first change of a burst, so that a steady stream of writes
// cannot hold it back.
constexpr auto kQuiet = 150ms;
constexpr auto kLongest = 500ms;

QString Absolute(const std::string& path) {
  std::error_code ignored;
  return QString::fromStdString(fs::absolute(path, ignored).lexically_normal().string());
}

// Keeps the watcher on the wanted paths. A watch follows a file, not its name: a
// name whose file was replaced (saved by writing a new file and renaming it) is
// watched again.
class Watches {
 public:
  explicit Watches(QFileSystemWatcher& watcher) : watcher_(watcher) {}

  // Watches exactly these folders and files; true when a folder was added.
  bool Follow(const std::vector<std::string>& folders, const std::vector<ConvertJob>& jobs,
              const BatchReport& report) {
    std::map<QString, ino_t> wanted;
    const auto want = [&](const QString& path) {
      struct stat info {};
      if (stat(QFile::encodeName(path).constData(), &info) == 0) wanted[path] = info.st_ino;
    };
    for (const std::string& folder : folders) want(Absolute(folder));
    for (const ConvertJob& job : jobs) {
      if (job.problem.empty()) want(Absolute(job.input));
    }

    QSet<QString> watching;
    for (const QString& path : watcher_.files()) watching.insert(path);
    for (const QString& path : watcher_.directories()) watching.insert(path);
    QStringList dropped, added;
    for (const auto& [path, inode] : watched_) {
      const auto found = wanted.find(path);
      if (found == wanted.end() || found->second != inode) dropped << path;
    }
    bool newFolder = false;
    for (const auto& [path, inode] : wanted) {
      const auto found = watched_.find(path);
      if (found != watched_.end() && found->second == inode && watching.contains(path)) continue;
      if (watching.contains(path)) dropped << path;
      added << path;
      newFolder = newFolder || fs::is_directory(path.toStdString());
    }
    if (!dropped.isEmpty()) watcher_.removePaths(dropped);
    const QStringList refused = added.isEmpty() ? QStringList() : watcher_.addPaths(added);
    for (const QString& path : refused) wanted.erase(path);
    watched_ = std::move(wanted);
    if (!refused.isEmpty() && !warned_ && report.failure) {
      warned_ = true;
      report.failure("Could not watch " + std::to_string(refused.size()) +
                     " files or folders (is fs.inotify.max_user_watches too low?); their changes are seen only "
                     "with those of their folders");
    }
    return newFolder;
  }

  std::size_t Folders() const { return static_cast<std::size_t>(watcher_.directories().size()); }

 private:
  QFileSystemWatcher& watcher_;
  std::map<QString, ino_t> watched_;  // path -> the file watched there
  bool warned_ = false;
};

// The folders of a request to watch: those read while planning, and those of the
// files named on their own (where a new file takes an old one's name).
std::vector<std::string> Plan(const ConvertRequest& request, std::vector<ConvertJob>& jobs) {
  std::vector<std::string> folders;
  std::string error;
  jobs = PlanJobs(request, error, &folders);
  for (const std::string& input : request.inputs) {
    std::error_code ignored;
    if (!fs::is_directory(input, ignored)) folders.push_back(fs::absolute(input, ignored).parent_path().string());
  }
  return folders;
}

}  // namespace

int WatchSite(const ConvertRequest& request, int threads, const BatchReport& report, const std::atomic<bool>& stop,
              int wake) {
  QFileSystemWatcher watcher;
  Watches watches(watcher);
  bool failing = false;

  const auto pass = [&](bool first) {
    std::vector<ConvertJob> jobs;
    // A new folder is watched, then read again, so that nothing made in it meanwhile is missed.
    for (int round = 0; round < 8 && watches.Follow(Plan(request, jobs), jobs, report); ++round) {
    }
    std::string fatal;
    const SiteCounts counts = UpdateSite(request, jobs, threads, report, &stop, fatal);
    if (!fatal.empty() && report.failure) report.failure(fatal);
    if ((first || counts.converted + counts.removed + counts.failed > 0) && report.summary) {
      report.summary(SiteSummary(counts));
    }
    failing = counts.failed > 0 || !fatal.empty();
  };

  QTimer quiet;
  quiet.setSingleShot(true);
  std::chrono::steady_clock::time_point burst;
  const auto changed = [&] {
    const auto now = std::chrono::steady_clock::now();
    if (!quiet.isActive()) burst = now;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(burst + kLongest - now);
    quiet.start(std::clamp<std::chrono::milliseconds>(left, 0ms, kQuiet));
  };
  QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &quiet, changed);
  QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &quiet, changed);
  QObject::connect(&quiet, &QTimer::timeout, &quiet, [&] {
    pass(false);
    if (stop.load()) QCoreApplication::quit();
  });
  std::optional<QSocketNotifier> woken;
  if (wake >= 0) {
    woken.emplace(wake, QSocketNotifier::Read);
    QObject::connect(&*woken, &QSocketNotifier::activated, &quiet, [] { QCoreApplication::quit(); });
  }

  pass(true);
  if (!stop.load()) {
    if (report.summary) {
      const std::size_t folders = watches.Folders();
      report.summary("Watching " + std::to_string(folders) + (folders == 1 ? " folder" : " folders") +
                     " for changes; Ctrl-C ends.");
    }
    QCoreApplication::exec();
  }
  return failing ? kExitFailed : kExitConverted;
}

}  // namespace scrivane
