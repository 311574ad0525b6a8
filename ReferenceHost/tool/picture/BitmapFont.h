// A tiny built-in 5x7 bitmap font for labels in snapshots: printable ASCII, anything else
// drawn as '?'.
#pragma once

#include <string>

#include "Png.h"

namespace refhosttool {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = kGlyphWidth + 1;  // one blank column between characters

// Whether the glyph of byte `c` has its pixel at column x (0..4), row y (0..6, from the top).
bool GlyphPixel(unsigned char c, int x, int y);

// Draws `text` with its first glyph's top left corner at (x, y), one pixel per font dot,
// setting only pixels inside [clipLeft, clipRight) x [clipTop, clipBottom).
void DrawText(RgbImage* image, int x, int y, const std::string& text, Rgb color, int clipLeft,
              int clipTop, int clipRight, int clipBottom);

}  // namespace refhosttool
