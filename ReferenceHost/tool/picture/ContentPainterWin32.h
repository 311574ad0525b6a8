// Painting PDF content with GDI, for the refhost tool's page-view window on Windows: a
// small interpreter of the operators for paths, colours and text.
#pragma once

#include <windows.h>

#include <string>

#include "HostAbi.h"

namespace refhosttool {

// An affine transform as PDF writes it: a point (x, y) goes to (a x + c y + e, b x + d y + f).
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// `first` applied, then `second`.
inline Matrix Then(const Matrix& first, const Matrix& second) {
  return {first.a * second.a + first.b * second.c,
          first.a * second.b + first.b * second.d,
          first.c * second.a + first.d * second.c,
          first.c * second.b + first.d * second.d,
          first.e * second.a + first.f * second.c + second.e,
          first.e * second.b + first.f * second.d + second.f};
}

struct Point {
  double x, y;
};

inline Point Apply(const Matrix& m, Point p) {
  return {m.a * p.x + m.c * p.y + m.e, m.b * p.x + m.d * p.y + m.f};
}

// A device point, rounded, and held within reach of GDI's coordinates.
POINT DevicePoint(Point p);

// Paints `content` into `dc` with `ctm` from the content's space to the device. Paths are
// filled and stroked (a stroke's width follows the transform, also unevenly), colours are
// gray, RGB or CMYK, text is drawn in the font resource's kind of face (Helvetica,
// Times, Courier) through the text's own rendering matrix. Images, shadings, patterns,
// clipping paths and nested forms are left out; every bound of the work is fixed, as
// content is untrusted.
void PaintContent(HDC dc, const std::string& content, refhost::CosObj resources, const Matrix& ctm);

}  // namespace refhosttool
