#pragma once

namespace ui {

// Lengths in twips, the unit the window layouts and column widths are given in: 1440 twips to the
// inch at the screen's logical resolution (15 twips to the pixel at 96 dots per inch).
constexpr int TwipsPerInch = 1440;

// The primary screen's logical dots per inch (96 when there is no screen).
double logicalDpi();

int twipsToPixels(double twips);
int pixelsToTwips(int pixels);

} // namespace ui
