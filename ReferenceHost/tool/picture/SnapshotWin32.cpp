// Snapshots on Windows: the real page-view window, painted by the tool (PageViewPainter)
// with the player windows as the player library painted them, read back with GDI.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "PageViewPainter.h"
#include "Png.h"
#include "ReplacementFile.h"
#include "Snapshot.h"
#include "Viewer.h"

namespace refhosttool {
namespace {

// Large enough for any real screen, small enough that a wild window cannot eat the memory.
constexpr long long kMaxPixels = 1LL << 26;

// Lets every window of the thread handle what is queued for it (paints included).
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// The window's client area as it stands on the screen, its children included: copied from
// the window's own device context into a top-down 32-bit DIB section.
RgbImage Capture(HWND window, int width, int height) {
  BITMAPINFO info;
  ZeroMemory(&info, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(window);
  if (screen == nullptr) throw std::runtime_error("cannot get the window's device context");
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (memory != nullptr && bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  RgbImage image(width, height, Rgb{0, 0, 0});
  if (copied) {
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint8_t* bgr = pixels + (static_cast<size_t>(y) * width + x) * 4;
        image.Set(x, y, Rgb{bgr[2], bgr[1], bgr[0]});
      }
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(window, screen);
  if (!copied) throw std::runtime_error("cannot copy the window's picture");
  return image;
}

}  // namespace

bool WriteSnapshot(refhost::Handle view, const std::string& pngPath, std::string* error) {
  try {
    const HWND window = static_cast<HWND>(refhost::PageViewWindow(view));
    if (window == nullptr || !IsWindow(window))
      throw std::runtime_error("the page view has no window");
    AttachPagePainter(view);
    RECT client;
    GetClientRect(window, &client);
    const long long width = client.right - client.left, height = client.bottom - client.top;
    if (width < 1 || height < 1) throw std::runtime_error("the page view's window is empty");
    if (width * height > kMaxPixels)
      throw std::runtime_error("the page view's window (" + std::to_string(width) + " x " +
                               std::to_string(height) + ") is too large for a snapshot");
    // The whole host window painted afresh, the page view first, then its player windows.
    RedrawWindow(GetAncestor(window, GA_ROOT), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    const RgbImage image = Capture(window, static_cast<int>(width), static_cast<int>(height));

    std::string png, why;
    if (!EncodePng(image, &png, &why)) throw std::runtime_error(why);
    refhost::ReplacementFile file(pngPath);
    if (std::fwrite(png.data(), 1, png.size(), file.stream()) != png.size())
      throw std::runtime_error("cannot write '" + file.path() + "'");
    file.Commit();
    return true;
  } catch (const std::exception& failure) {
    *error = failure.what();
    return false;
  }
}

}  // namespace refhosttool
