// Messages of a run without a window (the command line): a message box shown
// only when there is a desktop to show it on.
#pragma once

#include "messages.h"

namespace scrivane {

// Shows `message` in a modal box (a warning with the exclamation icon, an empty title
// becomes the program's name), creating the application object a box needs when
// there is none. Shows nothing when no real display can be reached.
void ShowStandaloneMessage(const RunMessage& message);

}  // namespace scrivane
