// Peak memory of the real program against the shape of its input: the same
// amount of text as many short lines and as one long line, in UTF-8 and in bytes
// that are not UTF-8 (read as Windows-1252). Memory should follow the longest
// line, not the size of the file.
//   line_memory_bench PROGRAM [MIB]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Shape {
  const char* name;
  std::string (*make)(std::size_t size);
};

std::string ShortLines(std::size_t size) {
  const std::string line = "Plain words and a link http://example.org/a?b=1&c=2 for someone@example.org.\n";
  std::string text;
  text.reserve(size);
  while (text.size() + line.size() <= size) text += line;
  return text;
}

std::string OneLine(std::size_t size) {
  std::string text = ShortLines(size);
  for (char& c : text) c = c == '\n' ? ' ' : c;
  return text;
}

std::string RandomBytes(std::size_t size, bool lineEnds) {
  std::mt19937_64 random(7);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    char byte = static_cast<char>(random() & 0xFF);
    if (byte == '\r' || byte == '\n') byte = 'x';
    bytes[i] = lineEnds && i % 80 == 79 ? '\n' : byte;
  }
  return bytes;
}

std::string LegacyShortLines(std::size_t size) { return RandomBytes(size, true); }
std::string LegacyOneLine(std::size_t size) { return RandomBytes(size, false); }

// Runs the program on `input` with a private, empty settings folder; returns its
// peak resident memory in KiB and the seconds it took, or -1 when it failed.
long RunProgram(const char* program, const fs::path& input, const fs::path& home, double& seconds) {
  std::fflush(stdout);  // the child must not print our buffered lines again
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    std::freopen("/dev/null", "w", stdout);
    execl(program, program, input.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: line_memory_bench PROGRAM [MIB]\n");
    return 2;
  }
  const std::size_t mebibytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
  const std::size_t size = mebibytes << 20;
  std::string pattern = (fs::temp_directory_path() / "scrivane-memory-XXXXXX").string();
  const fs::path folder = mkdtemp(pattern.data());
  const Shape shapes[] = {{"UTF-8, short lines", ShortLines},
                          {"UTF-8, one line", OneLine},
                          {"Windows-1252, short lines", LegacyShortLines},
                          {"Windows-1252, one line", LegacyOneLine}};
  std::printf("%-28s %8s %14s %10s\n", "input", "MiB", "peak RSS MiB", "MB/s");
  int failures = 0;
  for (const Shape& shape : shapes) {
    const fs::path input = folder / "input.txt";
    {
      const std::string text = shape.make(size);
      std::ofstream(input, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    double seconds = 0;
    const long peak = RunProgram(argv[1], input, folder, seconds);
    if (peak < 0) {
      std::printf("%-28s %8zu %14s\n", shape.name, mebibytes, "failed");
      ++failures;
    } else {
      std::printf("%-28s %8zu %14.1f %10.0f\n", shape.name, mebibytes, static_cast<double>(peak) / 1024.0,
                  static_cast<double>(size) / 1e6 / seconds);
    }
    fs::remove(input);
    fs::remove(folder / "input.txt.html");
  }
  fs::remove_all(folder);
  return failures == 0 ? 0 : 1;
}
