// Runs the real program as a child process with a private settings folder and no
// display, the way a user's shell would, optionally under a limit or a wrapper
// command (another user, a private mount namespace), and reports how it ended.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace scrivane::faults {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// How one run ended.
struct Outcome {
  int status = -1;       // exit status, or -1 when a signal ended it
  int signal = 0;        // the signal that ended it, or 0
  std::string out, err;  // what it wrote to standard output and error
  long peakRssKiB = 0;   // its peak resident memory
};

// Changes to how the child is started.
struct Launch {
  std::vector<std::string> wrapper;  // a command to run the program under (argv prefix)
  std::optional<rlim_t> fileSizeLimit;
  bool ignoreFileSizeSignal = false;  // writes past the limit then fail with EFBIG
};

// A private folder for one test (readable by everyone, so that another user can
// run the program on its files) holding the program's settings under config/.
class Sandbox {
 public:
  Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "scrivane-faults-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(root_ / "config" / "Scrivan");
    fs::create_directories(root_ / "files");
  }
  ~Sandbox() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // The folder the tests put their inputs in.
  fs::path Files() const { return root_ / "files"; }
  fs::path operator/(const std::string& name) const { return Files() / name; }
  fs::path Ini() const { return root_ / "config" / "Scrivan" / "Scrivan.ini"; }

  // Names in the files folder, sorted (hidden ones too: a stray temporary file shows).
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Files())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Starts the program with `arguments`; returns its process id.
  pid_t Start(const std::vector<std::string>& arguments, const Launch& launch = {}) const {
    const std::string tag = std::to_string(counter_++);
    const fs::path out = root_ / ("stdout." + tag), err = root_ / ("stderr." + tag);
    std::vector<std::string> argv = launch.wrapper;
    argv.push_back(SCRIVANE_PROGRAM);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const std::string name = text.substr(0, text.find('='));
      if (name == "DISPLAY" || name == "WAYLAND_DISPLAY" || name == "QT_QPA_PLATFORM" || name == "HOME" ||
          name == "XDG_CONFIG_HOME") {
        continue;
      }
      environment.push_back(text);
    }
    environment.push_back("HOME=" + root_.string());
    environment.push_back("XDG_CONFIG_HOME=" + (root_ / "config").string());

    const pid_t pid = fork();
    if (pid == 0) {
      const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(outFd, STDOUT_FILENO);
      dup2(errFd, STDERR_FILENO);
      if (launch.fileSizeLimit) {
        const rlimit limit{*launch.fileSizeLimit, *launch.fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      if (launch.ignoreFileSizeSignal) signal(SIGXFSZ, SIG_IGN);
      std::vector<char*> args, env;
      for (auto& a : argv) args.push_back(a.data());
      for (auto& e : environment) env.push_back(e.data());
      args.push_back(nullptr);
      env.push_back(nullptr);
      execvpe(args[0], args.data(), env.data());
      _exit(127);
    }
    outputs_.push_back({pid, out, err});
    return pid;
  }

  // Waits for a started program (by default at most nine minutes, within the test's
  // own time limit even in an unoptimised sanitizer build; then it is killed).
  Outcome Wait(pid_t pid, std::chrono::seconds limit = std::chrono::minutes(9)) const {
    Outcome outcome;
    int status = 0;
    rusage usage{};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
      if (std::chrono::steady_clock::now() > deadline) kill(pid, SIGKILL);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    outcome.peakRssKiB = usage.ru_maxrss;
    for (const auto& started : outputs_) {
      if (started.pid != pid) continue;
      outcome.out = ReadFile(started.out);
      outcome.err = ReadFile(started.err);
    }
    return outcome;
  }

  // Runs the program to its end.
  Outcome Run(const std::vector<std::string>& arguments, const Launch& launch = {}) const {
    return Wait(Start(arguments, launch));
  }

 private:
  struct Started {
    pid_t pid;
    fs::path out, err;
  };
  fs::path root_;
  mutable int counter_ = 0;
  mutable std::vector<Started> outputs_;
};

// True when `command` (run through the shell, output discarded) succeeds here.
inline bool Works(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// The wrapper that runs a command as the unprivileged user "nobody" (root only).
inline std::vector<std::string> AsNobody() {
  return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
}

// True when this process may run commands as another user through AsNobody().
inline bool CanDropPrivileges() { return geteuid() == 0 && Works("setpriv --reuid=65534 --regid=65534 --clear-groups true"); }

// True when private mount namespaces are available (unshare as root or through a user namespace).
inline bool CanMountPrivately() {
  return Works("unshare -r -m sh -c 'mount -t tmpfs -o size=16k none /mnt'");
}

// A wrapper that runs the program in a private mount namespace after `mountCommands`
// (shell text; the program and its arguments follow as "$0" "$@").
inline std::vector<std::string> InMountNamespace(const std::string& mountCommands) {
  return {"unshare", "-r", "-m", "sh", "-c", mountCommands + " && exec \"$0\" \"$@\""};
}

// The offset of the program's open file `path` (from /proc), or nullopt while not open.
inline std::optional<long long> OpenFileOffset(pid_t pid, const fs::path& path) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    if (fs::read_symlink(entry.path(), error) != path) continue;
    std::ifstream info("/proc/" + std::to_string(pid) + "/fdinfo/" + entry.path().filename().string());
    std::string key;
    long long offset = 0;
    if (info >> key >> offset && key == "pos:") return offset;
  }
  return std::nullopt;
}

// True when the child has ended and waits to be collected (its /proc state is Z).
inline bool HasEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t paren = line.rfind(')');
  return paren == std::string::npos || (paren + 2 < line.size() && line[paren + 2] == 'Z');
}

// Waits until the program has read past `offset` of its input (true), or has ended (false).
inline bool WaitUntilRead(pid_t pid, const fs::path& input, long long offset) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (std::chrono::steady_clock::now() < deadline) {
    const auto position = OpenFileOffset(pid, input);
    if (position && *position > offset) return true;
    if (HasEnded(pid)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// The document with what differs from run to run masked: the date line's text and
// the number naming the selection box's form.
inline std::string Masked(std::string document) {
  for (std::size_t at = document.find("Date: "); at != std::string::npos; at = document.find("Date: ", at + 1)) {
    const std::size_t end = document.find_first_of("<\r\n", at);
    document.replace(at + 6, end == std::string::npos ? std::string::npos : end - at - 6, "(masked)");
  }
  for (const char* name : {"\"FN", "\"SN", ".FN", ".SN"}) {
    for (std::size_t at = document.find(name); at != std::string::npos; at = document.find(name, at + 1)) {
      std::size_t end = at + 3;
      while (end < document.size() && document[end] >= '0' && document[end] <= '9') ++end;
      document.replace(at + 3, end - at - 3, "(id)");
    }
  }
  return document;
}

// `lines` lines of numbered prose with links and special characters.
inline std::string LargeText(std::size_t lines, const std::string& tag = "line") {
  std::string text;
  text.reserve(lines * 90);
  for (std::size_t i = 0; i < lines; ++i) {
    text += tag + " " + std::to_string(i) + ": see http://example.org/" + std::to_string(i) +
            " & mail someone@example.org <now>\n";
  }
  return text;
}

}  // namespace scrivane::faults
