// Converts a batch of small files as scrivane-convert does (its planner and job
// runner) on one thread and on every core, and prints files per second:
//   batch_bench [FILES] [BYTES-PER-FILE] [REPEATS]      defaults 10000, 2048, 3
// The files live in a fresh folder under $TMPDIR (or /tmp), removed at the end.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "cli.h"
#include "corpus.h"

namespace {

namespace fs = std::filesystem;

fs::path MakeFolder() {
  const char* configured = std::getenv("TMPDIR");
  std::string pattern = (fs::path(configured != nullptr && *configured != '\0' ? configured : "/tmp") /
                         "scrivane-batch-bench-XXXXXX")
                            .string();
  return mkdtemp(pattern.data());
}

}  // namespace

int main(int argc, char** argv) {
  using namespace scrivane;
  const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
  const std::size_t bytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2048;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
  const fs::path root = MakeFolder();

  // 100 files to a folder, each a different stretch of prose with links.
  std::uint64_t total = 0;
  for (int i = 0; i < files; ++i) {
    std::string text;
    bench::AppendCorpus(text, bytes, static_cast<std::uint64_t>(i) + 1);
    const fs::path folder = root / "in" / std::to_string(i / 100);
    fs::create_directories(folder);
    std::ofstream(folder / ("f" + std::to_string(i) + ".txt"), std::ios::binary) << text;
    total += text.size();
  }

  const int cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("%d files of about %zu bytes (%.1f MB), %d repeats, median\n", files, bytes,
              static_cast<double>(total) / 1e6, repeats);
  std::printf("%-8s %12s %10s\n", "threads", "files/s", "MB/s");
  for (const int threads : {1, cores}) {
    std::vector<double> seconds;
    for (int repeat = 0; repeat < repeats; ++repeat) {
      fs::remove_all(root / "out");
      ConvertRequest request;
      request.inputs = {(root / "in").string()};
      request.recursive = true;
      request.outputDir = (root / "out").string();
      const auto start = std::chrono::steady_clock::now();
      std::string error;
      const std::vector<ConvertJob> jobs = PlanJobs(request, error);
      const BatchResult result = RunJobs(jobs, request.form, threads, false, BinaryHandling::Convert, {});
      seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      if (!error.empty() || result.converted != static_cast<std::size_t>(files)) {
        std::fprintf(stderr, "batch failed: %s (%zu converted)\n", error.c_str(), result.converted);
        fs::remove_all(root);
        return 1;
      }
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("%-8d %12.0f %10.1f\n", threads, files / median, static_cast<double>(total) / 1e6 / median);
  }
  fs::remove_all(root);
  return 0;
}
