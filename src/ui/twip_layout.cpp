// Scale finding and placement for twip positions.
#include "twip_layout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace scrivane {
namespace {

// Captions must fit across and down; boxes that scroll their text need only fit down.
QSize NeededSize(const QWidget* widget) {
  if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
    // The style's minimum button width is a habit, not a need: the caption is what must fit.
    constexpr int kCaptionPadding = 12;
    // The mnemonic's "&" is not shown.
    return QSize(button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() + kCaptionPadding,
                 button->sizeHint().height());
  }
  if (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QComboBox*>(widget)) {
    return widget->sizeHint();
  }
  if (const auto* label = qobject_cast<const QLabel*>(widget)) {
    if (label->text().isEmpty() || label->wordWrap()) return {};
    return label->sizeHint();
  }
  if (qobject_cast<const QLineEdit*>(widget)) {
    return QSize(0, widget->fontMetrics().height() + 4);
  }
  return {};
}

}  // namespace

void TwipLayout::Place(QWidget* widget, int left, int top, int width, int height) {
  placements_.push_back({widget, QRect(left, top, width, height)});
}

void TwipLayout::Widen(QWidget* widget, Widening widening) {
  for (Placement& placement : placements_) {
    if (placement.widget == widget) placement.widening = widening;
  }
}

double TwipLayout::RequiredScale() const {
  double scale = 1.0;
  for (const Placement& placement : placements_) {
    const QSize needed = NeededSize(placement.widget);
    if (needed.width() > 0) {
      scale = std::max(scale, needed.width() * kTwipsPerPixel / placement.twips.width());
    }
    if (needed.height() > 0) {
      scale = std::max(scale, needed.height() * kTwipsPerPixel / placement.twips.height());
    }
  }
  // Round up to a hundredth so that rounding to whole pixels never loses a pixel.
  return std::ceil(scale * 100.0) / 100.0 + 0.01;
}

int TwipLayout::Px(int twips) const { return static_cast<int>(std::lround(twips * scale_ / kTwipsPerPixel)); }

void TwipLayout::Apply() const {
  for (const Placement& placement : placements_) {
    const QRect& t = placement.twips;
    // Edges are rounded, not sizes, so that neighbours keep their gaps.
    const int left = Px(t.left());
    const int top = Px(t.top());
    const int width = Px(t.left() + t.width()) - left;
    const int moved = placement.widening == Widening::MovesRight ? extraWidth_ : 0;
    const int grown = placement.widening == Widening::Stretches ? extraWidth_ : 0;
    placement.widget->setGeometry(left + moved, top, width + grown, Px(t.top() + t.height()) - top);
  }
}

}  // namespace scrivane
