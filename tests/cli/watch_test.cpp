// scrivane-convert --watch: every kind of change reaches the output within a
// second, a burst of changes is converted once, and SIGTERM ends it cleanly.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

#include "program_sandbox.h"

namespace scrivane {
namespace {

using testing_support::Joined;
using testing_support::Outcome;
using testing_support::Sandbox;

#if defined(__SANITIZE_ADDRESS__)
constexpr auto kPickUp = std::chrono::seconds(3);  // everything runs several times slower
#else
constexpr auto kPickUp = std::chrono::seconds(1);
#endif

const std::vector<std::string> kSite{"--delete", "-r", "notes", "--output-dir", "site"};

struct WatchStep {
  const char* name;
  std::function<void(const Sandbox&)> change;
  std::function<bool(const Sandbox&)> shown;  // true once the output follows the change
};

bool Holds(const Sandbox& sandbox, const char* document, const char* text) {
  return sandbox.Read(document).find(text) != std::string::npos;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(Watch, KeepsTheSiteInStep) {
  Sandbox sandbox(SCRIVANE_CONVERT);
  sandbox.Write("notes/a.txt", "first a\n");
  sandbox.Write("notes/b.txt", "first b\n");
  const pid_t process = sandbox.Start(Joined({{"--watch"}, kSite}));
  std::string err;
  const auto drain = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    err = sandbox.ErrSoFar(process);
  };
  const auto waitUntil = [&](const std::function<bool()>& ready, std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    while (!ready() && std::chrono::steady_clock::now() - start < limit) drain();
    return ready();
  };
  ASSERT_TRUE(waitUntil([&] { return err.find("Watching 1 folder") != std::string::npos; }, std::chrono::seconds(30)))
      << err;
  EXPECT_TRUE(err.starts_with("Converted 2 files, 0 unchanged, 0 removed, 0 failed.\n")) << err;

  const std::vector<WatchStep> steps{
      {"Edited", [](const Sandbox& s) { s.Write("notes/a.txt", "edited a\n"); },
       [](const Sandbox& s) { return Holds(s, "site/a.txt.html", "edited a"); }},
      {"NewFile", [](const Sandbox& s) { s.Write("notes/new.txt", "fresh\n"); },
       [](const Sandbox& s) { return Holds(s, "site/new.txt.html", "fresh"); }},
      {"SavedByRename",
       [](const Sandbox& s) {
         s.Write("notes/b.txt.swp", "saved whole\n");
         ASSERT_EQ(std::rename((s / "notes/b.txt.swp").c_str(), (s / "notes/b.txt").c_str()), 0);
       },
       [](const Sandbox& s) { return Holds(s, "site/b.txt.html", "saved whole"); }},
      {"Deleted", [](const Sandbox& s) { std::filesystem::remove(s / "notes/new.txt"); },
       [](const Sandbox& s) { return !s.Exists("site/new.txt.html"); }},
      {"Renamed",
       [](const Sandbox& s) { std::filesystem::rename(s / "notes/a.txt", s / "notes/c.txt"); },
       [](const Sandbox& s) { return Holds(s, "site/c.txt.html", "edited a") && !s.Exists("site/a.txt.html"); }},
      {"NewFolder", [](const Sandbox& s) { s.Write("notes/sub/d.txt", "in a new folder\n"); },
       [](const Sandbox& s) { return Holds(s, "site/sub/d.txt.html", "in a new folder"); }},
      {"EditedInNewFolder", [](const Sandbox& s) { s.Write("notes/sub/d.txt", "again\n"); },
       [](const Sandbox& s) { return Holds(s, "site/sub/d.txt.html", "again"); }},
  };
  for (const WatchStep& step : steps) {
    SCOPED_TRACE(step.name);
    step.change(sandbox);
    const auto start = std::chrono::steady_clock::now();
    const bool shown = waitUntil([&] { return step.shown(sandbox); }, std::chrono::seconds(10));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_TRUE(shown) << err;
    EXPECT_LE(took, kPickUp) << err;
  }

  // Twenty quick saves: one conversion.
  waitUntil([] { return false; }, std::chrono::milliseconds(700));  // any late pass is over
  const std::size_t passes = Count(err, "Converted ");
  for (int i = 0; i < 20; ++i) sandbox.Write("notes/b.txt", "burst " + std::to_string(i) + "\n");
  EXPECT_TRUE(waitUntil([&] { return Holds(sandbox, "site/b.txt.html", "burst 19"); }, std::chrono::seconds(10)));
  waitUntil([] { return false; }, std::chrono::milliseconds(700));
  EXPECT_EQ(Count(err, "Converted "), passes + 1) << err;

  kill(process, SIGTERM);
  const Outcome stopped = sandbox.Wait(process, std::chrono::seconds(10));
  ASSERT_FALSE(stopped.hung);
  EXPECT_EQ(stopped.signal, 0);
  EXPECT_EQ(stopped.status, 0);
  const Outcome after = sandbox.Run(Joined({{"--update"}, kSite}));
  EXPECT_EQ(after.err, "Converted 0 files, 3 unchanged, 0 removed, 0 failed.\n");
}

}  // namespace
}  // namespace scrivane
