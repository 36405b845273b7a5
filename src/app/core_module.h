// The Qt Core module: what a run from the command line may need from Qt without a
// display. The program loads it only then, so most runs never map Qt at all.
#pragma once

#include <ctime>

extern "C" {
// The date line's text for the moment `seconds` in the user's locale, as a string
// the caller releases with free().
char* ScrivaneForeignDateText(long long seconds);
// Rewrites an older settings store for this program; returns 1 when it did.
int ScrivaneMigrateStore();
}

namespace scrivane {

// Rewrites an older settings store through the module; false when there was nothing
// to do or the module cannot be loaded.
bool MigrateStoreThroughModule();

}  // namespace scrivane
