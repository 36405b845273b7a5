// A private folder for one test, and the real program run in it as a child
// process the way a user's shell runs it: private home and settings, no display,
// standard input from a pipe, optionally under a limit or a wrapper command.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace scrivane::testing_support {

namespace fs = std::filesystem;

// A file's bytes, "" when it cannot be read.
inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Writes a file whole; throws (failing the test) when it cannot.
inline void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The document with what differs from run to run masked: the text of the date
// line (up to its closing tag) and the number naming the selection box's form.
inline std::string Masked(std::string document) {
  for (std::size_t at = document.find("Date: "); at != std::string::npos; at = document.find("Date: ", at + 1)) {
    if (at > 0 && document[at - 1] != '\n') continue;
    const std::size_t end = std::min(document.find("</", at), document.find_first_of("\r\n", at));
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

// Command-line arguments put together from parts.
inline std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// How one run ended.
struct Outcome {
  int status = -1;       // exit status, or -1 when a signal ended it
  int signal = 0;        // the signal that ended it, or 0
  std::string out, err;  // what it wrote to standard output and error
  long peakRssKiB = 0;   // its peak resident memory
  bool hung = false;     // still running at the time limit, so killed
};

// Changes to how the program is started.
struct Launch {
  std::vector<std::string> wrapper{};          // a command to run the program under (argv prefix)
  std::optional<std::size_t> fileSizeLimit{};  // in bytes, a multiple of 512
  bool ignoreFileSizeSignal = false;           // writes past the limit then fail with EFBIG
  std::string input{};                         // fed to its standard input, which then ends
};

// Long enough for the largest runs of an unoptimised sanitizer build, and within a test's own limit.
constexpr std::chrono::seconds kRunLimit = std::chrono::minutes(9);

// A private folder (readable by everyone, so that another user can run the program
// on its files): the program's home, its settings under config/, and the test's files
// in files/, which is the program's working folder. Without a program, a plain
// private folder for engine tests.
class Sandbox {
 public:
  explicit Sandbox(std::string program = {}) : program_(std::move(program)) {
    std::string pattern = (fs::temp_directory_path() / "scrivane-test-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    using fs::perms;
    fs::permissions(root_, perms::owner_all | perms::group_read | perms::group_exec | perms::others_read |
                               perms::others_exec);
    fs::create_directories(Ini().parent_path());
    fs::create_directories(Folder());
  }
  ~Sandbox() {
    while (!running_.empty()) {  // a test that stopped early leaves no program running
      kill(running_.front().pid, SIGKILL);
      Wait(running_.front().pid);
    }
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // The folder of the test's files, where the program runs.
  fs::path Folder() const { return root_ / "files"; }
  // `name` in that folder.
  fs::path operator/(const std::string& name) const { return Folder() / name; }
  // The program's settings store.
  fs::path Ini() const { return root_ / "config" / "Scrivan" / "Scrivan.ini"; }

  // Writes the file `name` (folders made as needed).
  void Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories((*this / name).parent_path());
    WriteFile(*this / name, bytes);
  }
  std::string Read(const std::string& name) const { return ReadFile(*this / name); }
  bool Exists(const std::string& name) const { return fs::exists(*this / name); }
  // Writes the settings store the window would have left.
  void StoreSettings(const std::string& ini) const { WriteFile(Ini(), ini); }

  // Names in the folder, sorted (hidden ones too: a stray temporary file shows).
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // This process's environment without a display, with the sandbox as home and settings home.
  std::vector<std::string> Environment() const {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry, name = text.substr(0, text.find('='));
      if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM" && name != "HOME" &&
          name != "XDG_CONFIG_HOME") {
        environment.push_back(text);
      }
    }
    environment.push_back("HOME=" + root_.string());
    environment.push_back("XDG_CONFIG_HOME=" + (root_ / "config").string());
    return environment;
  }

  // Starts the program with `arguments` and leaves it running; returns its process id.
  pid_t Start(const std::vector<std::string>& arguments, const Launch& launch = {}) const {
    const std::string tag = std::to_string(counter_++), folder = Folder();
    Started started{0, 0, root_ / ("stdout." + tag), root_ / ("stderr." + tag)};
    std::vector<std::string> argv, environment = Environment();
    if (launch.fileSizeLimit || launch.ignoreFileSizeSignal) {  // the shell's settings hold on through exec
      argv = {"sh", "-c", "exec \"$0\" \"$@\""};
      if (launch.ignoreFileSizeSignal) argv[2].insert(0, "trap '' XFSZ; ");
      if (launch.fileSizeLimit) argv[2].insert(0, "ulimit -f " + std::to_string(*launch.fileSizeLimit / 512) + "; ");
    }
    argv.insert(argv.end(), launch.wrapper.begin(), launch.wrapper.end());
    argv.push_back(program_);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args, env;
    for (auto& a : argv) args.push_back(a.data());
    for (auto& e : environment) env.push_back(e.data());
    args.push_back(nullptr);
    env.push_back(nullptr);
    int input[2];
    if (pipe2(input, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, started.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, started.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const int failed = posix_spawnp(&started.pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
      close(input[0]);
      close(input[1]);
      throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(failed));
    }
    // Input the pipe holds is written at once (its reading end still open here, so no
    // SIGPIPE if the program is already gone); more is fed by a process of its own, so
    // that a program that never reads it blocks no test.
    fcntl(input[1], F_SETPIPE_SZ, static_cast<int>(std::clamp<std::size_t>(launch.input.size(), 1 << 16, 1 << 20)));
    if (launch.input.size() <= static_cast<std::size_t>(fcntl(input[1], F_GETPIPE_SZ))) {
      WriteAll(input[1], launch.input);
    } else if ((started.feeder = fork()) == 0) {
      close(input[0]);
      _exit(WriteAll(input[1], launch.input) ? 0 : 1);
    }
    close(input[0]);
    close(input[1]);
    running_.push_back(started);
    return started.pid;
  }

  // What a started program has written to standard error so far.
  std::string ErrSoFar(pid_t pid) const {
    for (const Started& started : running_) {
      if (started.pid == pid) return ReadFile(started.err);
    }
    return {};
  }

  // Waits for a started program to end (after `limit` it is killed) and collects it.
  Outcome Wait(pid_t pid, std::chrono::seconds limit = kRunLimit) const {
    Outcome outcome;
    int status = 0;
    rusage usage{};
    auto waited = std::async(std::launch::async, [&] { return wait4(pid, &status, 0, &usage); });
    if (waited.wait_for(limit) == std::future_status::timeout) outcome.hung = kill(pid, SIGKILL) == 0;
    const pid_t ended = waited.get();
    if (ended == pid && WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
    if (ended == pid && WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    outcome.peakRssKiB = usage.ru_maxrss;
    const auto started = std::find_if(running_.begin(), running_.end(), [&](const Started& s) { return s.pid == pid; });
    if (started != running_.end()) {
      if (started->feeder > 0) waitpid(started->feeder, nullptr, 0);
      outcome.out = ReadFile(started->out);
      outcome.err = ReadFile(started->err);
      running_.erase(started);
    }
    if (outcome.hung) outcome.err += "\n(killed: still running after " + std::to_string(limit.count()) + " s)\n";
    return outcome;
  }

  // Runs the program to its end.
  Outcome Run(const std::vector<std::string>& arguments, const Launch& launch = {},
              std::chrono::seconds limit = kRunLimit) const {
    return Wait(Start(arguments, launch), limit);
  }

 private:
  static bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
      const ssize_t written = write(fd, bytes.data() + at, bytes.size() - at);
      if (written <= 0) return false;
      at += static_cast<std::size_t>(written);
    }
    return true;
  }
  struct Started {
    pid_t pid, feeder;  // the program and the process feeding its input (0: none)
    fs::path out, err;
  };
  std::string program_;
  fs::path root_;
  mutable int counter_ = 0;
  mutable std::vector<Started> running_;  // started and not yet waited for
};

}  // namespace scrivane::testing_support
