// Shared helpers of the conversion tests: run a conversion in memory or on files.
#pragma once

#include <string>
#include <vector>

#include "conversion.h"
#include "messages.h"
#include "program_sandbox.h"  // ReadFile, WriteFile, and Sandbox as a private folder

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

}  // namespace scrivane::testing_support
