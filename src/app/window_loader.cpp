// The window module lives at a fixed place relative to the program, in the build
// tree as after installation, so the program finds it wherever it was put.
#include "window_loader.h"

#include <dlfcn.h>

#include <filesystem>

namespace scrivane {

std::string ModulePath(const char* fromProgram) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return (program.parent_path() / fromProgram).lexically_normal().string();
}

std::string WindowModulePath() { return ModulePath(SCRIVANE_WINDOW_MODULE); }

std::unique_ptr<WindowModule> WindowModule::Load(std::string& error) {
  const std::string path = WindowModulePath();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    error = std::string("Could not load the window: ") + dlerror();
    return nullptr;
  }
  std::unique_ptr<WindowModule> module(new WindowModule);
  module->handle_ = handle;
  module->runWindow_ = reinterpret_cast<int (*)(int*, char**)>(dlsym(handle, "ScrivaneRunWindow"));
  module->showMessage_ = reinterpret_cast<void (*)(const RunMessage*)>(dlsym(handle, "ScrivaneShowMessage"));
  if (module->runWindow_ == nullptr || module->showMessage_ == nullptr) {
    error = "Could not load the window: " + path + " is not the window module";
    return nullptr;
  }
  return module;
}

WindowModule::~WindowModule() {
  // The module stays loaded: Qt keeps hooks in it until the process ends.
}

int WindowModule::RunWindow(int& argc, char** argv) const { return runWindow_(&argc, argv); }

void WindowModule::ShowMessage(const RunMessage& message) const { showMessage_(&message); }

}  // namespace scrivane
