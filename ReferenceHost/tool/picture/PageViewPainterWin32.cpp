#include "PageViewPainter.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <string>
#include <utility>

#include "ContentPainterWin32.h"
#include "Documents.h"
#include "Geometry.h"
#include "Objects.h"
#include "PageViews.h"
#include "Viewer.h"

namespace refhosttool {
namespace {

const COLORREF kOutsidePage = RGB(128, 128, 128);
const COLORREF kPage = RGB(255, 255, 255);
// Appearance streams larger than this are not painted: content is untrusted.
constexpr size_t kMaxContentBytes = 1 << 20;

// The annotation's normal appearance: AP /N, or the entry of N its AS names.
refhost::CosObj NormalAppearance(refhost::PDAnnot annot) {
  using namespace refhost;
  const CosObj dict = AnnotationDict(annot);
  const CosObj ap = DictValue(dict, "AP");
  if (ObjType(ap) != kCosDict) return NullObject();
  CosObj normal = DictValue(ap, "N");
  if (ObjType(normal) == kCosDict) {
    const CosObj state = DictValue(dict, "AS");
    normal = ObjType(state) == kCosName ? DictValue(normal, NameText(state)) : NullObject();
  }
  return ObjType(normal) == kCosStream ? normal : NullObject();
}

bool NumberArray(refhost::CosObj array, int n, double* values) {
  using namespace refhost;
  if (ObjType(array) != kCosArray || ArrayLength(array) != n) return false;
  for (int i = 0; i < n; ++i) {
    const CosObj item = ArrayItem(array, i);
    if (ObjType(item) != kCosInteger && ObjType(item) != kCosReal) return false;
    values[i] = NumberValue(item);
  }
  return true;
}

// Draws a form into the annotation's rectangle as a viewer does: the form's bounding box,
// carried by its matrix, is fitted into the rectangle and clips what the form draws.
void PaintAppearance(HDC dc, refhost::CosObj form, const refhost::FixedRect& rect,
                     const Matrix& pageToDevice) {
  using namespace refhost;
  const CosObj dict = StreamDictOf(form);
  double box[4], m[6] = {1, 0, 0, 1, 0, 0};
  if (!NumberArray(DictValue(dict, "BBox"), 4, box)) return;
  NumberArray(DictValue(dict, "Matrix"), 6, m);
  const Matrix formMatrix{m[0], m[1], m[2], m[3], m[4], m[5]};
  const Point corners[4] = {{box[0], box[1]}, {box[2], box[1]}, {box[2], box[3]}, {box[0], box[3]}};
  double left = INFINITY, bottom = INFINITY, right = -INFINITY, top = -INFINITY;
  for (const Point& corner : corners) {
    const Point p = Apply(formMatrix, corner);
    left = std::min(left, p.x), right = std::max(right, p.x);
    bottom = std::min(bottom, p.y), top = std::max(top, p.y);
  }
  if (!(right > left) || !(top > bottom)) return;
  const double rl = FromFixed(rect.left), rb = FromFixed(rect.bottom);
  const double sx = (FromFixed(rect.right) - rl) / (right - left);
  const double sy = (FromFixed(rect.top) - rb) / (top - bottom);
  const Matrix fit{sx, 0, 0, sy, rl - left * sx, rb - bottom * sy};
  const Matrix toDevice = Then(Then(formMatrix, fit), pageToDevice);

  const std::string content = StreamData(form);
  if (content.size() > kMaxContentBytes) return;
  const int saved = SaveDC(dc);
  POINT clip[4];
  for (int i = 0; i < 4; ++i) clip[i] = DevicePoint(Apply(toDevice, corners[i]));
  HRGN region = CreatePolygonRgn(clip, 4, WINDING);
  ExtSelectClipRgn(dc, region, RGN_AND);
  DeleteObject(region);
  PaintContent(dc, content, DictValue(dict, "Resources"), toDevice);
  RestoreDC(dc, saved);
}

// Paints the view's aperture: its top left corner is the window's (0, 0).
void PaintView(HDC dc, refhost::Handle view, const RECT& client) {
  using namespace refhost;
  HBRUSH outside = CreateSolidBrush(kOutsidePage);
  FillRect(dc, &client, outside);
  DeleteObject(outside);

  const ViewGeometry geometry = GetViewGeometry(view);
  const Handle page = PageViewPage(view);
  const FixedRect media = PageMediaBox(page);
  // Page space to aperture pixels, as the host converts page rectangles to the device.
  const double zoom = geometry.zoom;
  const double originX =
      static_cast<double>(geometry.pageX) - geometry.scrollX - geometry.aperture.left;
  const double originY =
      static_cast<double>(geometry.pageY) - geometry.scrollY - geometry.aperture.top;
  const Matrix pageToDevice{zoom,
                            0,
                            0,
                            -zoom,
                            originX - FromFixed(media.left) * zoom,
                            originY + FromFixed(media.top) * zoom};
  const POINT topLeft =
      DevicePoint(Apply(pageToDevice, {FromFixed(media.left), FromFixed(media.top)}));
  const POINT bottomRight =
      DevicePoint(Apply(pageToDevice, {FromFixed(media.right), FromFixed(media.bottom)}));
  const RECT pageRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  HBRUSH white = CreateSolidBrush(kPage);
  FillRect(dc, &pageRect, white);
  DeleteObject(white);

  for (const PDAnnot& annot : PageAnnotations(page)) {
    try {
      const CosObj flags = DictValue(AnnotationDict(annot), "F");
      if (ObjType(flags) == kCosInteger && (IntValue(flags) & 2) != 0) continue;  // Hidden
      const CosObj form = NormalAppearance(annot);
      if (!ObjIsNull(form)) PaintAppearance(dc, form, AnnotationRect(annot), pageToDevice);
    } catch (const std::exception&) {
      // A malformed annotation shows nothing, as in a viewer.
    }
  }
}

std::map<HWND, std::pair<WNDPROC, refhost::Handle>>& Painted() {
  static std::map<HWND, std::pair<WNDPROC, refhost::Handle>>* windows =
      new std::map<HWND, std::pair<WNDPROC, refhost::Handle>>;
  return *windows;
}

void Paint(HWND window, HDC dc, refhost::Handle view) {
  RECT client;
  GetClientRect(window, &client);
  try {
    PaintView(dc, view, client);
  } catch (const std::exception&) {
    // The view went while its window was still up: nothing to show.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  }
}

LRESULT CALLBACK PageViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = Painted().find(window);
  if (found == Painted().end()) return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC previous = found->second.first;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(window, dc, found->second.second);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(window, reinterpret_cast<HDC>(wParam), found->second.second);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      Painted().erase(found);
      break;
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace

void AttachPagePainter(refhost::Handle view) {
  const HWND window = static_cast<HWND>(refhost::PageViewWindow(view));
  if (window == nullptr || !IsWindow(window)) return;
  auto found = Painted().find(window);
  if (found != Painted().end()) {
    found->second.second = view;
  } else {
    const WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PageViewWindowProc)));
    Painted()[window] = {previous, view};
  }
  InvalidateRect(window, nullptr, TRUE);
}

}  // namespace refhosttool
