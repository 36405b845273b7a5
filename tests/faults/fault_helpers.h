// Helpers of the fault tests: running the program as another user or in a
// private mount namespace, following how far it has read, and large inputs.
#pragma once

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

#include "program_sandbox.h"

namespace scrivane::faults {

namespace fs = std::filesystem;
using testing_support::Launch, testing_support::Masked, testing_support::Outcome, testing_support::ReadFile,
    testing_support::Sandbox, testing_support::WriteFile;

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
