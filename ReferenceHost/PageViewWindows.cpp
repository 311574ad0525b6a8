// Page-view windows. On Linux each page view has a window of the simulated window system,
// so the plug-in's child windows have a parent that goes away with the view; the win32
// build's page views have no window yet.
#include "ViewStore.h"

#if !defined(_WIN32)
#include "PlatformControl.h"
#endif

namespace refhost {

#if defined(_WIN32)

void* CreatePageViewWindow(const DevRect&) {
  return nullptr;
}
void ResizePageViewWindow(void*, const DevRect&) {}
void DestroyPageViewWindow(void*) {}

#else

namespace {

platform::WindowRect ClientRect(const DevRect& aperture) {
  return platform::WindowRect{0, 0, aperture.right - aperture.left, aperture.bottom - aperture.top};
}

}  // namespace

void* CreatePageViewWindow(const DevRect& aperture) {
  return platform::control::CreateHostWindow(nullptr, "page view", ClientRect(aperture));
}

void ResizePageViewWindow(void* window, const DevRect& aperture) {
  const platform::WindowRect rect = ClientRect(aperture);
  platform::CWnd wrapper;
  wrapper.Attach(window);
  wrapper.MoveWindow(0, 0, rect.right, rect.bottom);
  wrapper.Detach();
}

void DestroyPageViewWindow(void* window) {
  if (window != nullptr) platform::control::DestroyHostWindow(window);
}

#endif

}  // namespace refhost
