// The program's way to the Qt Core module: loaded the first time a run needs it.
#include <dlfcn.h>

#include <cstdlib>

#include "core_module.h"
#include "page_date.h"
#include "window_loader.h"

namespace scrivane {
namespace {

// The module's entry point `name`, or null when the module or the name is missing.
void* CoreModuleEntry(const char* name) {
  static void* const handle = dlopen(ModulePath(SCRIVANE_CORE_MODULE).c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle == nullptr ? nullptr : dlsym(handle, name);
}

}  // namespace

std::string ForeignDateText(std::time_t seconds) {
  const auto entry = reinterpret_cast<char* (*)(long long)>(CoreModuleEntry("ScrivaneForeignDateText"));
  if (entry != nullptr) {
    char* text = entry(static_cast<long long>(seconds));
    std::string result = text != nullptr ? text : "";
    std::free(text);
    return result;
  }
  // Without the module the date is still written, in the layout of the C locale.
  std::tm local{};
  localtime_r(&seconds, &local);
  return KnownDateText(local, "C").value_or("");
}

bool MigrateStoreThroughModule() {
  const auto entry = reinterpret_cast<int (*)()>(CoreModuleEntry("ScrivaneMigrateStore"));
  return entry != nullptr && entry() == 1;
}

}  // namespace scrivane
