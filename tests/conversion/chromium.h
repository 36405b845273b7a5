// Opens a page in headless Chromium and returns the DOM it ends with.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace scrivane::testing_support {

inline constexpr const char* kChromium = "/usr/bin/chromium";

// The page's final DOM as Chromium serialises it. With `virtualTimeMs`, pending
// tasks and timers (a clicked link's navigation, say) run before the DOM is read.
inline std::string DumpDom(const std::filesystem::path& page, const std::filesystem::path& profile,
                           int virtualTimeMs = 0) {
  std::string command = std::string(kChromium) +
                        " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                        " --disable-background-networking --disable-component-update --disable-sync"
                        " --user-data-dir=" + profile.string();
  if (virtualTimeMs > 0) command += " --virtual-time-budget=" + std::to_string(virtualTimeMs);
  command += " --dump-dom file://" + page.string() + " 2>/dev/null";
  std::string dom;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) dom.append(buffer, n);
    pclose(pipe);
  }
  return dom;
}

}  // namespace scrivane::testing_support
