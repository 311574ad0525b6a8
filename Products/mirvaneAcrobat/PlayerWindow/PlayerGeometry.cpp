#include "PlayerWindow/PlayerGeometry.h"

#include <limits>

namespace playergeometry {
namespace {

// Differences of two device coordinates can leave the 32-bit range for hostile
// rectangles; they saturate instead of wrapping.
int32_t Difference(int32_t a, int32_t b) {
  const int64_t d = static_cast<int64_t>(a) - b;
  if (d > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (d < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(d);
}

}  // namespace

Rect WindowRectInView(const Rect& device, const Rect& aperture) {
  return Rect{Difference(device.left, aperture.left), Difference(device.top, aperture.top),
              Difference(device.right, aperture.left), Difference(device.bottom, aperture.top)};
}

int32_t Extent(int32_t from, int32_t to) {
  return Difference(to, from);
}

Rect PlayerArea(int32_t width, int32_t height) {
  Rect area{0, 0, width, height};
  if (width > kMaxPlayerExtent) {
    const int32_t inset = (width - kMaxPlayerExtent) / 2;
    area.left = inset;
    area.right = width - inset;
  }
  if (height > kMaxPlayerExtent) {
    const int32_t inset = (height - kMaxPlayerExtent) / 2;
    area.top = inset;
    area.bottom = height - inset;
  }
  return area;
}

}  // namespace playergeometry
