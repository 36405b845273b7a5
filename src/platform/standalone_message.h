// Messages of a run without a window (the command line): a message box shown
// only when there is a desktop to show it on.
#pragma once

#include <QString>

#include "messages.h"

namespace scrivane {

// Unless the user named a platform, has Qt try the desktop's platforms and then
// the offscreen one, so that a display that cannot be reached is not fatal.
void PreferVisiblePlatforms();

// True for platforms that draw nowhere a person can see.
bool IsInvisiblePlatform(const QString& name);

// Shows `message` in a modal box (a warning with the exclamation icon, an empty title
// becomes the program's name), creating the application object a box needs when
// there is none. Shows nothing when no real display can be reached.
void ShowStandaloneMessage(const RunMessage& message);

}  // namespace scrivane
