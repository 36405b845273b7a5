// Keeping a window's title bar on the screens.
#include "placement.h"

#include <QRegion>

#include <algorithm>
#include <limits>

namespace scrivane {
namespace {

// Squared distance between two rectangles, 0 when they touch or overlap.
long long Distance(const QRect& a, const QRect& b) {
  const long long dx = std::max({0, a.left() - b.right(), b.left() - a.right()});
  const long long dy = std::max({0, a.top() - b.bottom(), b.top() - a.bottom()});
  return dx * dx + dy * dy;
}

long long Area(const QRect& rect) { return rect.isEmpty() ? 0 : static_cast<long long>(rect.width()) * rect.height(); }

}  // namespace

QPoint KeepTitleBarOnScreen(const QRect& frame, int titleBarHeight, const QList<QRect>& available) {
  if (available.isEmpty()) return frame.topLeft();
  const QRect titleBar(frame.topLeft(), QSize(frame.width(), std::max(titleBarHeight, 1)));
  // Screens side by side may share the title bar between them.
  QRegion uncovered(titleBar);
  for (const QRect& area : available) uncovered -= area;
  if (uncovered.isEmpty()) return frame.topLeft();

  // The screen with most of the title bar, or else the nearest one.
  const QRect* best = &available.first();
  long long bestOverlap = -1;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (const QRect& area : available) {
    const long long overlap = Area(area.intersected(titleBar));
    const long long distance = Distance(area, titleBar);
    if (overlap > bestOverlap || (overlap == bestOverlap && distance < bestDistance)) {
      best = &area;
      bestOverlap = overlap;
      bestDistance = distance;
    }
  }
  // A window wider than the screen keeps its left end, with the window's menu, on it.
  const int left = std::clamp(frame.left(), best->left(), std::max(best->left(), best->right() + 1 - frame.width()));
  const int top =
      std::clamp(frame.top(), best->top(), std::max(best->top(), best->bottom() + 1 - titleBar.height()));
  return {left, top};
}

}  // namespace scrivane
