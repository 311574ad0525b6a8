// A plain RGB raster and its PNG form, for the refhost tool's snapshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace refhosttool {

struct Rgb {
  uint8_t r, g, b;
};
inline bool operator==(Rgb x, Rgb y) {
  return x.r == y.r && x.g == y.g && x.b == y.b;
}
inline bool operator!=(Rgb x, Rgb y) {
  return !(x == y);
}

// Pixels row by row from the top, three bytes each.
class RgbImage {
 public:
  RgbImage() = default;
  RgbImage(int width, int height, Rgb fill);

  int width() const { return width_; }
  int height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  Rgb At(int x, int y) const;         // (x, y) must be inside
  void Set(int x, int y, Rgb color);  // ignores points outside
  // Fills [left, right) x [top, bottom), cut to the image.
  void FillRect(int left, int top, int right, int bottom, Rgb color);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> bytes_;
};

// An 8-bit RGB, non-interlaced PNG of `image` (at least 1 x 1): every scanline with filter
// type 0, deflated by zlib. False with `error` set when zlib fails.
bool EncodePng(const RgbImage& image, std::string* png, std::string* error);

// Reads back what EncodePng writes: 8-bit RGB, non-interlaced, filter type 0 on every line,
// checksums checked. False with `error` set for anything else.
bool DecodePng(const std::string& png, RgbImage* image, std::string* error);

}  // namespace refhosttool
