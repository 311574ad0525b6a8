// Window objects on real Windows: thin wrappers over the system's window calls. A window
// an object creates is subclassed, as the class library does, so that the object hears of
// its destruction by anyone (its parent's destruction takes it along) and lets go of the
// handle, which the system may hand to another window afterwards.
#include <windows.h>

#include <map>

#include "../Platform.h"
#include "Win32Internal.h"

namespace platform {
namespace {

struct Subclass {
  CWnd* object;  // null once the object let go of the window
  WNDPROC previous;
};

std::map<HWND, Subclass>& Subclasses() {
  static std::map<HWND, Subclass>* subclasses = new std::map<HWND, Subclass>;
  return *subclasses;
}

LRESULT CALLBACK WindowObjectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

int gCallsOnGoneWindows = 0;

// The window a window object holds, or null, counted, when its handle names no window.
HWND Held(WindowHandle handle) {
  if (handle == nullptr) return nullptr;
  if (!IsWindow(static_cast<HWND>(handle))) {
    ++gCallsOnGoneWindows;
    return nullptr;
  }
  return static_cast<HWND>(handle);
}

}  // namespace

namespace win32 {
int& CallsOnGoneWindows() {
  return gCallsOnGoneWindows;
}
}  // namespace win32

struct WindowObjects {
  static void Destroying(HWND window) {
    auto found = Subclasses().find(window);
    if (found != Subclasses().end() && found->second.object != nullptr)
      found->second.object->OnDestroy();
  }
  static void Destroyed(HWND window) {
    auto found = Subclasses().find(window);
    if (found == Subclasses().end()) return;
    if (found->second.object != nullptr) found->second.object->m_hWnd = nullptr;
    Subclasses().erase(found);
  }
};

namespace {

LRESULT CALLBACK WindowObjectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = Subclasses().find(window);
  if (found == Subclasses().end()) return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC previous = found->second.previous;
  if (message == WM_DESTROY) {
    WindowObjects::Destroying(window);
  } else if (message == WM_NCDESTROY) {
    // The last message: the system's own procedure goes back, unless someone subclassed
    // the window after us and is still in the chain.
    if (GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowObjectProc))
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    WindowObjects::Destroyed(window);
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

}  // namespace

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
  // The object is going: its window goes without telling it.
  WindowHandle window = Detach();
  if (window != nullptr) ::DestroyWindow(static_cast<HWND>(window));
}

WindowHandle CWnd::Detach() {
  WindowHandle window = m_hWnd;
  m_hWnd = nullptr;
  auto found = Subclasses().find(static_cast<HWND>(window));
  if (found != Subclasses().end() && found->second.object == this) found->second.object = nullptr;
  return window;
}

bool CWnd::ShowWindow(int command) {
  const HWND window = Held(m_hWnd);
  return window != nullptr && ::ShowWindow(window, command) != FALSE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
  const HWND window = Held(m_hWnd);
  if (window != nullptr) ::MoveWindow(window, x, y, width, height, repaint ? TRUE : FALSE);
}

bool CWnd::DestroyWindow() {
  const HWND window = Held(m_hWnd);
  const bool destroyed = window != nullptr && ::DestroyWindow(window) != FALSE;
  Detach();
  return destroyed;
}

bool CStatic::Create(const char* text, unsigned long style, const WindowRect& rect, CWnd* parent,
                     unsigned id) {
  // A window object holds one window at a time.
  if (m_hWnd != nullptr || parent == nullptr || parent->GetSafeHwnd() == nullptr) return false;
  HWND window = CreateWindowExA(
      0, "STATIC", text, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
      static_cast<HWND>(parent->GetSafeHwnd()), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
      static_cast<HINSTANCE>(CurrentInstanceHandle()), nullptr);
  if (window == nullptr) return false;
  // Known before the procedure is ours, so that no message finds it without its record.
  Subclasses()[window] =
      Subclass{this, reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC))};
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowObjectProc));
  m_hWnd = window;
  return true;
}

}  // namespace platform
