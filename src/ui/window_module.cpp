// The module's entry points, with C names so the program can look them up.
#include "window_module.h"

#include "settings.h"
#include "standalone_message.h"
#include "ui.h"

extern "C" {

__attribute__((visibility("default"))) int ScrivaneRunWindow(int* argc, char** argv) {
  scrivane::SettingsStore store;
  scrivane::AppSettings settings(store);
  settings.MigrateOldStore();
  return scrivane::RunMainWindow(*argc, argv, settings);
}

__attribute__((visibility("default"))) void ScrivaneShowMessage(const scrivane::RunMessage* message) {
  scrivane::ShowStandaloneMessage(*message);
}
}
