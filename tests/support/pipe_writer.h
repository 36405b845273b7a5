// A writer process for a named pipe, the way a shell's `producer > pipe` feeds
// a program: it waits for the reader, writes the text, and ends.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace scrivane::testing_support {

// Starts a process that writes `text` into the pipe at `path` in pieces of
// `piece` bytes, pausing `pause` between them. It gives up after 30 seconds
// without a reader, so a reader that never comes hangs no test.
inline pid_t StartPipeWriter(const std::string& path, const std::string& text, std::size_t piece,
                             std::chrono::microseconds pause = {}) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  alarm(30);
  const int fd = open(path.c_str(), O_WRONLY);
  if (fd < 0) _exit(2);
  for (std::size_t at = 0; at < text.size();) {
    const ssize_t written = write(fd, text.data() + at, std::min(piece, text.size() - at));
    if (written < 0) _exit(3);
    at += static_cast<std::size_t>(written);
    if (pause.count() > 0) usleep(static_cast<useconds_t>(pause.count()));
  }
  _exit(close(fd) == 0 ? 0 : 4);
}

// How the writer ended: "" when it wrote everything, else what went wrong.
inline std::string WriterEnd(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return std::string("killed by ") + strsignal(WTERMSIG(status));
  if (WEXITSTATUS(status) != 0) return "failed with status " + std::to_string(WEXITSTATUS(status));
  return {};
}

}  // namespace scrivane::testing_support
