// Where a window may open: somewhere its title bar can be reached.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace scrivane {

// The top-left corner for a window whose frame is `frame` (title bar
// `titleBarHeight` pixels high) such that the whole title bar lies on the
// `available` screen areas: `frame`'s own corner when it already does, else the
// corner moved the least onto the screen the title bar is nearest to.
QPoint KeepTitleBarOnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& available);

}  // namespace scrivane
