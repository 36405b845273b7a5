// Loading the window module from beside the program.
#pragma once

#include <memory>
#include <string>

#include "messages.h"

namespace scrivane {

// The loaded window module and its entry points.
class WindowModule {
 public:
  // Loads the module installed with the program; null, with `error` set, when it cannot.
  static std::unique_ptr<WindowModule> Load(std::string& error);
  ~WindowModule();
  WindowModule(const WindowModule&) = delete;
  WindowModule& operator=(const WindowModule&) = delete;

  // Runs the main window on the stored settings until the user leaves; returns the exit status.
  int RunWindow(int& argc, char** argv) const;
  // Shows a run's message in a box.
  void ShowMessage(const RunMessage& message) const;

 private:
  WindowModule() = default;
  void* handle_ = nullptr;
  int (*runWindow_)(int*, char**) = nullptr;
  void (*showMessage_)(const RunMessage*) = nullptr;
};

// The path of a module at `fromProgram`, relative to the program's own folder.
std::string ModulePath(const char* fromProgram);

// Where the program looks for the window module.
std::string WindowModulePath();

}  // namespace scrivane
