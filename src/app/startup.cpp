// Start-up: the command text and the conversion of a file named on the command line.
#include "startup.h"

#include <sys/stat.h>

#include "core_module.h"
#include "ini_values.h"
#include "platform.h"

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

std::string InformationText(const std::string& commandText) {
  const bool help = commandText == "--help" || commandText == "-h";
  if (!help && commandText != "--version") return {};
  struct stat info {};
  if (lstat(commandText.c_str(), &info) == 0) return {};
  if (!help) return std::string("scrivane ") + kVersionText + "\n";
  return "Usage: scrivane [FILE]\n"
         "Without FILE, opens the Scrivane window. With FILE, converts it to FILE.html with\n"
         "the options last used in the window, and opens no window. The words after\n"
         "'scrivane' make one file name, spaces and all.\n"
         "\n"
         "The line saying where the document went is written to standard output; errors\n"
         "and warnings (such as input that looks like a binary file) to standard error.\n"
         "Exit status: 0 after a conversion, 1 after a failure.\n"
         "\n"
         "  -h, --help     Show this help and end.\n"
         "      --version  Show the version and end.\n"
         "\n"
         "For several files, folders, pipelines and every option, use scrivane-convert\n"
         "(see scrivane-convert --help).\n";
}

std::string CompletionLine(const std::string& outputPath) {
  return "Finished Conversion. HTML document written to file " + outputPath;
}

FormState CommandLineForm() {
  const StoredValues values(UserStorePath());
  const StoredTextOf general = [&values](std::string_view key) { return values.Find("General", key); };
  FormState form;
  if (IsOldStore(general)) {
    MigrateStoreThroughModule();
    LoadStoredForm([](std::string_view) { return std::optional<std::string>(); }, form);
  } else {
    LoadStoredForm(general, form);
  }
  return form;
}

int RunCommandLine(const std::string& commandText, const FormState& form, const CommandLineReport& report) {
  const auto tell = [&](const RunMessage& message) {
    if (report.message) report.message(message);
  };
  ConversionOptions options = ReadFormOptions(form);
  StampRun(options);
  // The run opens the input once and says when it is missing: a pipe cannot be opened twice.
  const RunResult result = RunConversion(InputFile{commandText}, OutputFile{commandText + ".html"}, options);
  if (!result.delivered) {
    tell(FailureMessage(result));
    return 1;
  }
  if (result.binary) tell(BinaryInputWarning(commandText));
  if (report.finished) report.finished(CompletionLine(result.outputPath));
  return 0;
}

}  // namespace scrivane
