// Converts one file in every format (or the named one) and prints MB/s and peak
// memory: convert_bench [--modern] FILE [FORMAT-INDEX] [REPEATS]
// --modern writes modern pages (with the modern link rules) instead of classic documents.
// Output goes to /dev/null so that only the engine is measured.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "form.h"

namespace {

double PeakRssMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int count, char** arguments) {
  using namespace scrivane;
  std::vector<char*> positional;
  bool modern = false;
  for (int i = 0; i < count; ++i) {
    if (std::string_view(arguments[i]) == "--modern") {
      modern = true;
    } else {
      positional.push_back(arguments[i]);
    }
  }
  const int argc = static_cast<int>(positional.size());
  char** argv = positional.data();
  std::error_code error;
  const std::uintmax_t bytes = argc < 2 ? 0 : std::filesystem::file_size(argv[1], error);
  if (argc < 2 || error) {
    if (argc >= 2 && std::string_view(argv[1]) != "--help") std::fprintf(stderr, "%s: %s\n", argv[1], error.message().c_str());
    std::fprintf(stderr, "usage: convert_bench [--modern] FILE [FORMAT-INDEX] [REPEATS]\n");
    return 2;
  }
  const std::string input = argv[1];
  const double megabytes = static_cast<double>(bytes) / 1e6;
  const int only = argc > 2 ? std::atoi(argv[2]) : -1;
  const int repeats = argc > 3 ? std::atoi(argv[3]) : 3;
  std::printf("%-28s %10s %12s\n", "format", "MB/s", "peak RSS MiB");
  for (int format = 0; format < kFormatCount; ++format) {
    if (only >= 0 && format != only) continue;
    FormState form;  // every link option on, a web page
    form.outFormat = format;
    form.goButton = kChecked;
    ConversionOptions options = ReadFormOptions(form);
    options.links.modern = modern;
    options.dateText = "today";
    options.modern = modern;
    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const RunResult result = RunConversion(InputFile{input}, OutputFile{"/dev/null"}, options, {});
      seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      if (!result.delivered) return 1;
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%-28s %10.0f %12.1f\n", kFormatNames[format], megabytes / seconds[seconds.size() / 2],
                PeakRssMiB());
  }
  return 0;
}
