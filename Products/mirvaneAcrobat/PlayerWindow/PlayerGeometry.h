// The geometry of a player window: plain integer arithmetic on device rectangles (left,
// top, right, bottom; y grows downwards), kept apart from windows and the viewer.
#pragma once

#include <cstdint>

namespace playergeometry {

// The extent from `from` to `to` (a width or a height), saturated to the 32-bit range.
int32_t Extent(int32_t from, int32_t to);

// The player area is at most this many pixels wide and high.
constexpr int32_t kMaxPlayerExtent = 1280;

struct Rect {
  int32_t left, top, right, bottom;
};

// The window rectangle in the page-view window's client coordinates: the annotation's
// device rectangle `device` relative to the view's aperture `aperture`.
Rect WindowRectInView(const Rect& device, const Rect& aperture);

// The extent from `from` to `to` (a width or a height), saturated to the 32-bit range.
int32_t Extent(int32_t from, int32_t to);

// The player area in the window's client coordinates for a window `width` by `height`:
// the whole window, except that an extent over kMaxPlayerExtent is cut to it by taking
// half the excess (remainder dropped) off each side.
Rect PlayerArea(int32_t width, int32_t height);

}  // namespace playergeometry
