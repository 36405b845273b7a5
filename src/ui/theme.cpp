// Contrast and the palettes the window can be tried with.
#include "theme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

namespace scrivane {
namespace {

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDark(const QPalette& palette) {
  return Luminance(palette.color(QPalette::Window)) < Luminance(palette.color(QPalette::WindowText));
}

QColor ReadableOn(const QColor& wanted, const QColor& background, const QColor& fallback) {
  constexpr double kReadable = 4.5;
  return ContrastRatio(wanted, background) >= kReadable ? wanted : fallback;
}

namespace {

QPalette Palette(const QColor& window, const QColor& base, const QColor& text, const QColor& muted,
                 const QColor& link, const QColor& highlighted) {
  QPalette palette;
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::ToolTipBase, base);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, muted);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, Qt::red);
  palette.setColor(QPalette::Link, link);
  palette.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
  palette.setColor(QPalette::HighlightedText, highlighted);
  palette.setColor(QPalette::Light, window.lighter(150));
  palette.setColor(QPalette::Midlight, window.lighter(125));
  palette.setColor(QPalette::Mid, window.darker(125));
  palette.setColor(QPalette::Dark, window.darker(200));
  palette.setColor(QPalette::Shadow, Qt::black);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, muted);
  }
  return palette;
}

}  // namespace

QPalette DarkPalette() {
  return Palette(QColor(0x35, 0x35, 0x35), QColor(0x25, 0x25, 0x25), QColor(0xF0, 0xF0, 0xF0),
                 QColor(0x80, 0x80, 0x80), QColor(0x5E, 0xA8, 0xFF), Qt::black);
}

QPalette LightPalette() {
  return Palette(QColor(0xEF, 0xEF, 0xEF), Qt::white, Qt::black, QColor(0x90, 0x90, 0x90), QColor(0, 0, 0xFF),
                 Qt::white);
}

void ApplyPaletteFromEnvironment() {
  const QByteArray wanted = qgetenv("SCRIVANE_PALETTE");
  if (wanted != "dark" && wanted != "light") return;
  QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
  if (fusion == nullptr) return;
  QApplication::setStyle(fusion);
  QApplication::setPalette(wanted == "dark" ? DarkPalette() : LightPalette());
}

}  // namespace scrivane
