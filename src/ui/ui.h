// The main window, as the start-up procedure opens it.
#pragma once

namespace scrivane {

class AppSettings;

// Creates the application and the main window from the stored settings, runs the
// window until the user leaves, and returns the program's exit status.
int RunMainWindow(int& argc, char** argv, AppSettings& settings);

}  // namespace scrivane
