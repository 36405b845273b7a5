// The colours the window chooses itself, kept readable on light and dark desktops:
// contrast as the web's accessibility guidelines measure it, and a dark palette
// for trying the window (SCRIVANE_PALETTE=dark) and for the tests.
#pragma once

#include <QColor>
#include <QPalette>

namespace scrivane {

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// True when the palette's windows are darker than their text.
bool IsDark(const QPalette& palette);

// `wanted` when it reads on `background` (4.5:1 or more), else `fallback`.
QColor ReadableOn(const QColor& wanted, const QColor& background, const QColor& fallback);

// A dark palette for the Fusion style.
QPalette DarkPalette();
// A light palette for the Fusion style, every role set.
QPalette LightPalette();

// Sets the Fusion style with a dark or light palette when SCRIVANE_PALETTE says
// "dark" or "light"; otherwise leaves the desktop's choice alone.
void ApplyPaletteFromEnvironment();

}  // namespace scrivane
