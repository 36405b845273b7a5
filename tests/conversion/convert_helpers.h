// Shared helpers of the conversion tests: run a conversion in memory or on files.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversion.h"
#include "messages.h"

namespace scrivane::testing_support {

// Options for a bare fragment: no page, no font, no centring.
inline ConversionOptions Fragment(OutputFormat format) {
  ConversionOptions options;
  options.format = format;
  options.webPage = false;
  options.dateText = "DATE";
  options.formId = "7";
  return options;
}

// Everything a run reported, and what the window would say of it: its message
// box, its strip's completion text and its beep.
struct Recorded {
  std::string document;
  std::vector<RunMessage> messages;
  std::vector<std::string> statuses;
  std::vector<double> progress;
  int beeps = 0;
  RunResult result;

  // Runs one conversion and records it.
  void Run(const ConversionInput& input, const ConversionOutput& output, const ConversionOptions& options) {
    RunCallbacks callbacks;
    callbacks.progress = [this](double f) { progress.push_back(f); };
    result = RunConversion(input, output, options, callbacks);
    if (!result.delivered) {
      messages.push_back(FailureMessage(result));
      return;
    }
    if (!std::holds_alternative<OutputStream>(output)) statuses.push_back(FinishedText(result));
    ++beeps;
  }
};

// Converts clipboard-like text to a document held in memory.
inline Recorded ConvertText(const std::string& text, const ConversionOptions& options) {
  Recorded recorded;
  recorded.Run(InputText{text}, OutputText{[&](std::string&& document) { recorded.document = document; }}, options);
  return recorded;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// A private folder for one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "scrivane-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace scrivane::testing_support
