// The start-up of the program: the command text, and the conversion of a file
// named on the command line without a window.
#pragma once

#include <functional>
#include <string>

#include "form.h"
#include "messages.h"

namespace scrivane {

// The arguments joined with single spaces and trimmed of outer spaces; a text that
// starts with a double quote loses its first and last characters. "" means none.
std::string CommandText(int argc, const char* const* argv);

// The text to print for --help, -h or --version when that is the whole command
// and no file of that name exists (a file so named is converted like any other); "" otherwise.
std::string InformationText(const std::string& commandText);

// Where a command-line run reports to.
struct CommandLineReport {
  std::function<void(const RunMessage& message)> message;  // a failure, or a warning about the input
  std::function<void(const std::string& line)> finished;   // the completion line
};

// The options stored by the window, read without Qt. An older store is rewritten
// first (through the Qt Core module), and its options are the defaults.
FormState CommandLineForm();

// Converts the file `commandText` to `commandText` + ".html" with the options of
// `form` and returns the exit status: 0 after a conversion, 1 after a failure.
int RunCommandLine(const std::string& commandText, const FormState& form, const CommandLineReport& report);

// The line that says where the document of a command-line run went.
std::string CompletionLine(const std::string& outputPath);

}  // namespace scrivane
