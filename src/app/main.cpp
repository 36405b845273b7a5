// The program: with a file name, one conversion without a window; without, the window.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform.h"
#include "startup.h"
#include "window_loader.h"

int main(int argc, char** argv) {
  using namespace scrivane;
  const std::string command = CommandText(argc, argv);
  if (const std::string information = InformationText(command); !information.empty()) {
    std::fputs(information.c_str(), stdout);
    return 0;
  }
  if (command.empty()) {
    // Without a display (and no platform asked for) the window has nowhere to go.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!GraphicalSessionPresent() && (platform == nullptr || *platform == '\0')) {
      std::fputs(NoDisplayText().c_str(), stderr);
      return 1;
    }
    std::string error;
    const std::unique_ptr<WindowModule> window = WindowModule::Load(error);
    if (!window) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    return window->RunWindow(argc, argv);
  }

  CommandLineReport report;
  report.message = [](const RunMessage& message) {
    std::fprintf(stderr, "%s\n", message.text.c_str());
    // Started from a file manager: nobody reads standard error, so show a box too.
    if (GraphicalSessionPresent() && isatty(STDERR_FILENO) == 0) {
      std::string error;
      if (const std::unique_ptr<WindowModule> window = WindowModule::Load(error)) window->ShowMessage(message);
    }
  };
  report.finished = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
  return RunCommandLine(command, CommandLineForm(), report);
}
