// Inputs built to hurt must convert in time linear in their size: four times the
// input may take at most six times as long. The sizes are 2 and 8 MiB because at
// 1 MiB the whole working set of a giant word still fits in the processor's
// cache, which makes the small run unfairly fast.
#include <gtest/gtest.h>

#include <malloc.h>

#include <ctime>

#include "conversion.h"

namespace scrivane {
namespace {

struct HostileCase {
  const char* name;
  std::string unit;  // repeated to the wanted size
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Processor time of one conversion, repeated for at least 30 ms.
double SecondsToConvert(const std::string& text, OutputFormat format) {
  ConversionOptions options;
  options.format = format;
  options.webPage = false;
  const double start = CpuSeconds();
  int runs = 0;
  do {
    std::size_t size = 0;
    RunConversion(InputText{text}, OutputText{[&](std::string&& document) { size = document.size(); }}, options, {});
    EXPECT_GT(size, 0u);
    ++runs;
  } while (CpuSeconds() - start < 0.03);
  return (CpuSeconds() - start) / runs;
}

std::string Repeat(const std::string& unit, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + unit.size());
  while (text.size() < bytes) text += unit;
  return text;
}

class ScalingTest : public testing::TestWithParam<HostileCase> {
 protected:
  // Keep freed memory in the process, so that both sizes run on memory already
  // mapped: the ratio then measures the conversion, not the kernel's page faults.
  static void SetUpTestSuite() {
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  }
};

TEST_P(ScalingTest, FourTimesTheInputTakesAtMostSixTimesAsLong) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "timings under the address sanitizer say nothing about the conversion";
#endif
  for (OutputFormat format : {OutputFormat::Smart, OutputFormat::HtmlTable, OutputFormat::SelectionBox}) {
    // Small and large alternate, so a change in the machine's load touches both;
    // the best of five of each counts.
    const std::string smallText = Repeat(GetParam().unit, 2 << 20);
    const std::string largeText = Repeat(GetParam().unit, 8 << 20);
    double small = 1e9, large = 1e9;
    for (int round = 0; round < 5; ++round) {
      small = std::min(small, SecondsToConvert(smallText, format));
      large = std::min(large, SecondsToConvert(largeText, format));
    }
    const double ratio = large / std::max(small, 1e-3);
    EXPECT_LE(ratio, 6.0) << GetParam().name << " format " << static_cast<int>(format) << ": " << small << " s for 2 MiB, "
                          << large << " s for 8 MiB";
  }
}

INSTANTIATE_TEST_SUITE_P(Hostile, ScalingTest,
                         testing::Values(HostileCase{"Spaces", " "}, HostileCase{"Tabs", "\t"},
                                         HostileCase{"Ampersands", "&"}, HostileCase{"Brackets", "("},
                                         HostileCase{"Schemes", "://"}, HostileCase{"AtAndDot", "@."},
                                         HostileCase{"Quotes", "\"&quot;"}, HostileCase{"Hosts", "www.\t"},
                                         HostileCase{"Commas", ",\""}, HostileCase{"Pounds", "\xC2\xA3"}),
                         [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
