// Inputs built to hurt must convert in time linear in their size: 4 MiB may take
// at most six times as long as 1 MiB of the same input. The document is dropped
// as it is written, in blocks, and every run starts from cold caches, so that
// the ratio measures the conversion, not memory traffic.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <vector>

#include "body.h"
#include "conversion.h"
#include "output_file.h"

namespace scrivane {
namespace {

struct HostileCase {
  const char* name;
  std::string unit;         // repeated to the wanted size
  bool modern = false;      // the modern link rules
  std::string prefix = "";  // written once before the repeated unit
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Writes over more memory than the processor caches hold, so the next run
// starts with its input in main memory, as a file read from disk would be.
// Otherwise a small input stays cached from the run before and a larger one
// does not, which measures the caches instead of the conversion.
void EvictCaches() {
  static std::vector<char> wipe(96 << 20);
  static char value = 0;
  std::memset(wipe.data(), ++value, wipe.size());
}

// Processor time of one conversion started from cold caches.
double SecondsToConvert(const std::string& text, OutputFormat format, bool modern) {
  ConversionOptions options;
  options.format = format;
  options.links.modern = modern;
  options.webPage = false;
  options.inlineMarks = options.contents = format == OutputFormat::Structured;
  EvictCaches();
  std::size_t size = 0;
  const double start = CpuSeconds();
  DocumentSink sink([&](std::string_view bytes) { size += bytes.size(); }, TextEncoding::Utf8);
  const PagePlan plan = PlanPage(options);
  DocumentWriter writer(plan, sink);
  LineScanner scanner(text, options.links);
  writer.Begin();
  ConvertLines(scanner, TextEncoding::Utf8, true, writer, {});
  writer.End();
  sink.Flush();
  const double seconds = CpuSeconds() - start;
  // Structured text writes nothing for blanks alone; every other case writes something.
  const bool blank = text.find_first_not_of(" \t\n") == std::string::npos;
  if (format != OutputFormat::Structured || !blank) {
    EXPECT_GT(size, 0u);
  }
  return seconds;
}

std::string Repeat(const std::string& unit, std::size_t bytes, const std::string& prefix) {
  std::string text = prefix;
  text.reserve(bytes + unit.size());
  while (text.size() < bytes) text += unit;
  return text;
}

const std::size_t kSmall = std::size_t{1} << 20;

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
  for (OutputFormat format :
       {OutputFormat::Smart, OutputFormat::HtmlTable, OutputFormat::SelectionBox, OutputFormat::Structured}) {
    // Small and large alternate, and each pair gives one ratio: a change in the
    // machine's load then touches both sides of a ratio alike, and the median
    // ratio counts. Short runs are repeated more often, until the small ones
    // add up to 20 ms, as their times scatter more.
    const HostileCase& hostile = GetParam();
    const std::string smallText = Repeat(hostile.unit, kSmall, hostile.prefix);
    const std::string largeText = Repeat(hostile.unit, 4 * kSmall, hostile.prefix);
    std::vector<double> ratios;
    double smallTotal = 0, largeTotal = 0;
    for (int sample = 0; sample < 15 || (sample < 61 && smallTotal < 0.02); ++sample) {
      const double small = SecondsToConvert(smallText, format, hostile.modern);
      const double large = SecondsToConvert(largeText, format, hostile.modern);
      ratios.push_back(large / std::max(small, 1e-6));
      smallTotal += small;
      largeTotal += large;
    }
    std::sort(ratios.begin(), ratios.end());
    const double ratio = ratios[ratios.size() / 2];
    EXPECT_LE(ratio, 6.0) << GetParam().name << " format " << static_cast<int>(format) << ": on average "
                          << smallTotal / ratios.size() << " s for " << (kSmall >> 20) << " MiB, "
                          << largeTotal / ratios.size() << " s for " << (4 * kSmall >> 20) << " MiB";
  }
}

INSTANTIATE_TEST_SUITE_P(Hostile, ScalingTest,
                         testing::Values(HostileCase{"Spaces", " "}, HostileCase{"Tabs", "\t"},
                                         HostileCase{"Ampersands", "&"}, HostileCase{"Brackets", "("},
                                         HostileCase{"Schemes", "://"}, HostileCase{"AtAndDot", "@."},
                                         HostileCase{"Quotes", "\"&quot;"}, HostileCase{"Hosts", "www.\t"},
                                         HostileCase{"Commas", ",\""}, HostileCase{"Pounds", "\xC2\xA3"}, HostileCase{"OrdinaryText", "Some words, and www.example.com here.\n"},
                                         // Modern rules: a link may start after any opening punctuation
                                         // and ends after trimming, so runs of these are tried everywhere.
                                         HostileCase{"ModernBrackets", "((|\xEF\xBC\x88", true},
                                         HostileCase{"ModernSchemes", "http://(mailto:", true},
                                         HostileCase{"ModernAddresses", "a@b.", true},
                                         HostileCase{"ModernIpv6", "http://[1:", true},
                                         HostileCase{"ModernTrailing", ".)'&", true, "http://x.org/a"},
                                         HostileCase{"ModernWideHost", "\xC3\xA9", true, "http://"},
                                         // Structure: deep nesting, one giant underline, markers everywhere.
                                         HostileCase{"NestedBullets", "- a\n  - b\n    - c\n      - d\n        - e\n          - f\n            - g\n"},
                                         HostileCase{"DeeperBullets", " -", false, "- x\n"},
                                         HostileCase{"QuoteLevels", ">", false},
                                         HostileCase{"QuoteLines", "> > > > x\n", false},
                                         HostileCase{"Underline", "=", false, "Title\n"},
                                         HostileCase{"InlineMarks", "*a _b `c ", false},
                                         HostileCase{"Headings", "\nTITLE\n\n1. Part\n\n", false}),
                         [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scrivane
