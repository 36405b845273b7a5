// Start-up: the command text and the conversion of a file named on the command line.
#include "startup.h"

#include "platform.h"
#include "settings.h"

namespace scrivane {
namespace {

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

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
    std::size_t last = text.size();
    while (last > 0 && IsUtf8Continuation(text[last - 1])) --last;
    text.erase(last > 0 ? last - 1 : 0);
  }
  return text;
}

std::string OneLine(const std::string& text) {
  // The strip starts each line with one space; that indent goes, the rest of each line stays.
  std::string line;
  std::size_t i = text.starts_with(' ') ? 1 : 0;
  while (i < text.size()) {
    const char ch = text[i++];
    if (ch != '\r' && ch != '\n') {
      line += ch;
      continue;
    }
    if (ch == '\r' && i < text.size() && text[i] == '\n') ++i;
    if (i < text.size() && text[i] == ' ') ++i;
    line += ' ';
  }
  return line;
}

int RunCommandLine(const std::string& commandText, const AppSettings& settings, const CommandLineReport& report) {
  const auto tell = [&](const RunMessage& message) {
    if (report.message) report.message(message);
  };
  FormState form;
  settings.LoadForm(form);
  if (!FileExists(commandText)) {
    tell({"Error", "Input File " + commandText + " not found"});
    return 1;
  }
  ConversionOptions options = ReadFormOptions(form);
  StampRun(options);
  std::string completion;
  RunCallbacks callbacks;
  callbacks.status = [&](const std::string& text) { completion = text; };
  callbacks.message = tell;
  const RunResult result =
      RunConversion(InputFile{commandText}, OutputFile{commandText + ".html"}, options, callbacks);
  if (!result.delivered) return 1;
  if (report.finished) report.finished(OneLine(completion));
  return 0;
}

}  // namespace scrivane
