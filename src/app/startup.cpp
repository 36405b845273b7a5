// Start-up: the command text and the conversion of a file named on the command line.
#include "startup.h"

#include "platform.h"
#include "settings.h"

namespace scrivane {
std::string CommandText(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text.front() == '"') {
    // The last character goes whatever it is, so a lone quote leaves no name at all;
    // it is a whole character, not the last byte of one.
    text.erase(0, 1);
    text.erase(text.size() - TailBytes(text, 1));
  }
  return text;
}

std::string CompletionLine(const std::string& outputPath) {
  return "Finished Conversion. HTML document written to file " + outputPath;
}

int RunCommandLine(const std::string& commandText, const AppSettings& settings, const CommandLineReport& report) {
  const auto tell = [&](const RunMessage& message) {
    if (report.message) report.message(message);
  };
  FormState form;
  settings.LoadForm(form);
  ConversionOptions options = ReadFormOptions(form);
  StampRun(options);
  // The run opens the input once and says when it is missing: a pipe cannot be opened twice.
  const RunResult result = RunConversion(InputFile{commandText}, OutputFile{commandText + ".html"}, options);
  if (!result.delivered) {
    tell(FailureMessage(result));
    return 1;
  }
  if (report.finished) report.finished(CompletionLine(result.outputPath));
  return 0;
}

}  // namespace scrivane
