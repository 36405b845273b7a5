// The module's entry points, with C names so the program can look them up.
#include "core_module.h"

#include <cstdlib>
#include <cstring>

#include "page_date.h"
#include "settings.h"

extern "C" {

__attribute__((visibility("default"))) char* ScrivaneForeignDateText(long long seconds) {
  return strdup(scrivane::ForeignDateText(static_cast<std::time_t>(seconds)).c_str());
}

__attribute__((visibility("default"))) int ScrivaneMigrateStore() {
  scrivane::SettingsStore store;
  return scrivane::AppSettings(store).MigrateOldStore() ? 1 : 0;
}
}
