// Window objects on real Windows: thin wrappers over the system's window calls.
#include <windows.h>

#include "../Platform.h"

namespace platform {

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
  if (m_hWnd != nullptr) ::DestroyWindow(static_cast<HWND>(m_hWnd));
}

WindowHandle CWnd::Detach() {
  WindowHandle window = m_hWnd;
  m_hWnd = nullptr;
  return window;
}

bool CWnd::ShowWindow(int command) {
  if (m_hWnd == nullptr) return false;
  return ::ShowWindow(static_cast<HWND>(m_hWnd), command) != FALSE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
  if (m_hWnd == nullptr) return;
  ::MoveWindow(static_cast<HWND>(m_hWnd), x, y, width, height, repaint ? TRUE : FALSE);
}

bool CWnd::DestroyWindow() {
  WindowHandle window = Detach();
  return window != nullptr && ::DestroyWindow(static_cast<HWND>(window)) != FALSE;
}

bool CStatic::Create(const char* text, unsigned long style, const WindowRect& rect, CWnd* parent,
                     unsigned id) {
  // A window object holds one window at a time.
  if (m_hWnd != nullptr || parent == nullptr || parent->GetSafeHwnd() == nullptr) return false;
  HWND window = CreateWindowExA(
      0, "STATIC", text, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
      static_cast<HWND>(parent->GetSafeHwnd()), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
      static_cast<HINSTANCE>(CurrentInstanceHandle()), nullptr);
  m_hWnd = window;
  return window != nullptr;
}

}  // namespace platform
