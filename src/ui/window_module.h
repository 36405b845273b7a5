// The window as a loadable module: the program loads it only when it opens the
// window or a message box, so a run from the command line never maps the
// graphical libraries. These are the module's two entry points.
#pragma once

#include "messages.h"

extern "C" {
// Reads the store (rewriting an older one) and runs the main window until the user
// leaves; returns the exit status.
int ScrivaneRunWindow(int* argc, char** argv);
// Shows a run's message in a box, for a program that has no window.
void ScrivaneShowMessage(const scrivane::RunMessage* message);
}
