// Page-view windows: each page view has a window of the platform's window system whose
// client area is the view's aperture, so the plug-in's child windows have a parent that
// goes away with the view. On Windows the page views are real child windows of one
// top-level window of the host's, as in a viewer; the simulation keeps them top-level.
#include "ViewStore.h"

#include "PlatformControl.h"

namespace refhost {
namespace {

platform::WindowRect ClientRect(const DevRect& aperture) {
  return platform::WindowRect{0, 0, aperture.right - aperture.left, aperture.bottom - aperture.top};
}

void MoveTo(void* window, const platform::WindowRect& rect) {
  platform::CWnd wrapper;
  wrapper.Attach(window);
  wrapper.MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  wrapper.Detach();
}

#if defined(_WIN32)
// The host's top-level window, made with the first page view at its size; it stays for the
// rest of the process, as a viewer's main window does.
void* FrameWindow(const platform::WindowRect& view) {
  static void* const frame = platform::control::CreateHostWindow(nullptr, "Reference host", view);
  return frame;
}
#endif

}  // namespace

void* CreatePageViewWindow(const DevRect& aperture) {
  const platform::WindowRect rect = ClientRect(aperture);
#if defined(_WIN32)
  return platform::control::CreateHostWindow(FrameWindow(rect), "page view", rect);
#else
  return platform::control::CreateHostWindow(nullptr, "page view", rect);
#endif
}

void ResizePageViewWindow(void* window, const DevRect& aperture) {
  MoveTo(window, ClientRect(aperture));
}

void DestroyPageViewWindow(void* window) {
  if (window != nullptr) platform::control::DestroyHostWindow(window);
}

}  // namespace refhost
