// Absolute placement from design positions in twips. The whole window shares one
// scale, chosen so that every caption fits the desktop's font: 15 twips make a
// pixel at scale 1, and the arrangement stays the same at any scale.
#pragma once

#include <QRect>

#include <vector>

class QWidget;

namespace scrivane {

// Twips per pixel at scale 1 (1440 twips to the inch at 96 dots to the inch).
inline constexpr double kTwipsPerPixel = 15.0;

// Records where each control goes, in twips relative to its container.
class TwipLayout {
 public:
  // What a placed widget does when the window is made wider than its design.
  enum class Widening { Stays, Stretches, MovesRight };

  // Notes `widget` at left, top, width, height (twips); placed by Apply.
  void Place(QWidget* widget, int left, int top, int width, int height);
  // Makes an already placed `widget` stretch or move with the window's extra width.
  void Widen(QWidget* widget, Widening widening);
  // The pixels the window is wider than its design; Apply hands them on.
  void SetExtraWidth(int pixels) { extraWidth_ = pixels; }
  // The smallest scale (at least 1) at which every recorded caption fits its box.
  double RequiredScale() const;
  // Sets the scale used by Px and Apply.
  void SetScale(double scale) { scale_ = scale; }
  // The scale in use.
  double Scale() const { return scale_; }
  // Twips to pixels at the current scale.
  int Px(int twips) const;
  // Gives every recorded widget its geometry at the current scale.
  void Apply() const;

 private:
  struct Placement {
    QWidget* widget;
    QRect twips;
    Widening widening = Widening::Stays;
  };
  std::vector<Placement> placements_;
  double scale_ = 1.0;
  int extraWidth_ = 0;
};

}  // namespace scrivane
