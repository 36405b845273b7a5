// A site kept by the real program: 10,000 small texts in 100 folders converted
// with --update, then runs with nothing changed, with one file edited and with
// files only touched, and the time --watch takes from a save to the written
// document.
//   site_bench PROGRAM [FILES] [BYTES-PER-FILE]      defaults 10000, 2048
// The files live in a fresh folder under $TMPDIR (or /tmp), removed at the end.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "corpus.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path MakeFolder() {
  const char* configured = std::getenv("TMPDIR");
  std::string pattern =
      (fs::path(configured != nullptr && *configured != '\0' ? configured : "/tmp") / "scrivane-site-bench-XXXXXX")
          .string();
  return mkdtemp(pattern.data());
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// Starts the program in `root` with a private settings folder; standard error goes to `err`.
pid_t Start(const char* program, const fs::path& root, const std::vector<std::string>& arguments, int err) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(root.c_str()) != 0) _exit(127);
    setenv("HOME", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    dup2(err, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program, argv.data());
    _exit(127);
  }
  return pid;
}

// The processor time (user and system) of the last run, in seconds.
double cpuSeconds = 0;

// Runs the program to its end; returns the seconds it took and its summary line, or -1.
double Run(const char* program, const fs::path& root, const std::vector<std::string>& arguments, std::string& said) {
  const fs::path log = root / "stderr.txt";
  const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const auto start = Clock::now();
  const pid_t pid = Start(program, root, arguments, err);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  close(err);
  said = Read(log);
  if (!said.empty() && said.back() == '\n') said.pop_back();
  said = said.substr(said.rfind('\n') + 1);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

fs::path Input(const fs::path& root, int i) {
  return root / "notes" / std::to_string(i / 100) / ("f" + std::to_string(i) + ".txt");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: site_bench PROGRAM [FILES] [BYTES-PER-FILE]\n");
    return 2;
  }
  const std::string absolute = fs::absolute(argv[1]).string();  // it runs in the site's folder
  const char* program = absolute.c_str();
  const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
  const std::size_t bytes = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 2048;
  const fs::path root = MakeFolder();
  fs::create_directories(root / "config");
  for (int i = 0; i < files; ++i) {
    std::string text;
    scrivane::bench::AppendCorpus(text, bytes, static_cast<std::uint64_t>(i) + 1);
    fs::create_directories(Input(root, i).parent_path());
    std::ofstream(Input(root, i), std::ios::binary) << text;
  }
  std::printf("%d files of about %zu bytes in %d folders; median of 5 runs where repeated\n", files, bytes,
              (files + 99) / 100);
  const std::vector<std::string> site{"--update", "--index", "-r", "notes", "--output-dir", "site"};
  std::printf("%-44s %9s %9s   %s\n", "", "wall", "cpu", "summary");
  std::string said;
  std::vector<double> cpu;
  const auto show = [&](const char* what, double seconds) {
    if (cpu.empty()) cpu.push_back(cpuSeconds);
    std::printf("%-44s %7.3f s %7.3f s   %s\n", what, seconds, Median(cpu), said.c_str());
    cpu.clear();
  };
  const double first = Run(program, root, site, said);
  show("first --update --index (everything)", first);
  if (first < 0) {
    fs::remove_all(root);
    return 1;
  }
  std::vector<double> times;
  for (int i = 0; i < 5; ++i) {
    times.push_back(Run(program, root, site, said));
    cpu.push_back(cpuSeconds);
  }
  show("--update --index, nothing changed", Median(times));
  times.clear();
  for (int i = 0; i < 5; ++i) {
    std::ofstream(Input(root, 4242 % files), std::ios::app) << "edit " << i << "\n";
    times.push_back(Run(program, root, site, said));
    cpu.push_back(cpuSeconds);
  }
  show("--update --index, one file edited", Median(times));
  times.clear();
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 100; ++j) {
      const fs::path path = Input(root, (j * 97 + i) % files);
      fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(1));
    }
    times.push_back(Run(program, root, site, said));
    cpu.push_back(cpuSeconds);
  }
  show("--update --index, 100 files only touched", Median(times));

  // --watch: from the end of a save to the document holding the new text.
  const fs::path log = root / "watch.txt";
  const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t watcher = Start(program, root, {"--watch", "--index", "-r", "notes", "--output-dir", "site"}, err);
  close(err);
  const auto ready = Clock::now() + std::chrono::minutes(2);
  while (Read(log).find("Watching") == std::string::npos && Clock::now() < ready) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::vector<double> latencies;
  for (int i = 0; i < 20; ++i) {
    const int which = (i * 613) % files;
    const std::string token = "saved-" + std::to_string(i);
    const fs::path document = root / "site" / fs::relative(Input(root, which), root / "notes").concat(".html");
    std::ofstream(Input(root, which), std::ios::app) << token << "\n";
    const auto saved = Clock::now();
    while (Read(document).find(token) == std::string::npos && Clock::now() - saved < std::chrono::seconds(10)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    latencies.push_back(std::chrono::duration<double>(Clock::now() - saved).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  kill(watcher, SIGTERM);
  int status = 0;
  waitpid(watcher, &status, 0);
  std::printf("%-44s %7.3f s %9s   (max %.3f s, 20 saves; exit status %d)\n", "--watch, save to written document",
              Median(latencies), "", *std::max_element(latencies.begin(), latencies.end()),
              WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  fs::remove_all(root);
  return 0;
}
