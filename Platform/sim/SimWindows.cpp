// Simulated window system: one table of windows for the whole process, shared by the
// reference host's page-view windows and the plug-in's child windows, with a journal of
// every operation that reached a live window. An operation on a destroyed or unknown
// handle does nothing and leaves no journal entry, as the system call would fail.
#include <algorithm>
#include <cstdint>

#include "SimInternal.h"
#include "../PlatformControl.h"

namespace platform {
namespace {

constexpr uintptr_t kFirstHandle = 0x1000;

struct WindowSystem {
  std::vector<control::WindowInfo> windows;  // index = handle - kFirstHandle
  std::vector<control::WindowEvent> journal;
};

WindowSystem& Windows() {
  static WindowSystem* system = new WindowSystem;  // never destroyed: modules may outlive statics
  return *system;
}

// The record of a live window, or null for a destroyed or unknown handle.
control::WindowInfo* LiveWindow(WindowHandle handle) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  std::vector<control::WindowInfo>& windows = Windows().windows;
  if (value < kFirstHandle || value - kFirstHandle >= windows.size()) return nullptr;
  control::WindowInfo& info = windows[value - kFirstHandle];
  return info.alive ? &info : nullptr;
}

void Journal(control::WindowOp op, const control::WindowInfo& info, bool repaint = false) {
  Windows().journal.push_back(
      {op, info.handle, info.rect, repaint, control::NextJournalSequence()});
}

WindowHandle NewWindow(WindowHandle parent, const char* text, unsigned long style,
                       const WindowRect& rect, unsigned id) {
  std::vector<control::WindowInfo>& windows = Windows().windows;
  control::WindowInfo info;
  info.handle = reinterpret_cast<WindowHandle>(kFirstHandle + windows.size());
  info.parent = parent;
  info.text = text ? text : "";
  info.style = style;
  info.id = id;
  info.rect = rect;
  info.visible = (style & kWindowStyleVisible) != 0;
  info.alive = true;
  info.instance = CurrentInstanceHandle();
  windows.push_back(info);
  Journal(control::WindowOp::Create, info);
  return info.handle;
}

// Destroys the live descendants of `handle` (children before their parents, siblings in
// creation order), then the window itself. False when it was not a live window.
bool DestroyTree(WindowHandle handle) {
  if (LiveWindow(handle) == nullptr) return false;
  for (const control::WindowInfo& child : Windows().windows)
    if (child.alive && child.parent == handle) DestroyTree(child.handle);
  control::WindowInfo* info = LiveWindow(handle);
  info->alive = false;
  info->visible = false;
  Journal(control::WindowOp::Destroy, *info);
  return true;
}

// The far edge of a window at `origin` with `extent`, saturated to the 32-bit range as a
// window system keeps its coordinates bounded, whatever the caller asks for.
int32_t FarEdge(int origin, int extent) {
  const int64_t edge = static_cast<int64_t>(origin) + extent;
  return static_cast<int32_t>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, edge)));
}

}  // namespace

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
  if (m_hWnd != nullptr) DestroyTree(m_hWnd);
}

WindowHandle CWnd::Detach() {
  WindowHandle window = m_hWnd;
  m_hWnd = nullptr;
  return window;
}

bool CWnd::ShowWindow(int command) {
  control::WindowInfo* info = LiveWindow(m_hWnd);
  if (info == nullptr) return false;
  const bool wasVisible = info->visible;
  info->visible = command != kShowWindowHide;
  if (info->visible) {
    info->style |= kWindowStyleVisible;
  } else {
    info->style &= ~kWindowStyleVisible;
  }
  Journal(info->visible ? control::WindowOp::Show : control::WindowOp::Hide, *info);
  return wasVisible;
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
  control::WindowInfo* info = LiveWindow(m_hWnd);
  if (info == nullptr) return;
  info->rect = {x, y, FarEdge(x, width), FarEdge(y, height)};
  Journal(control::WindowOp::Move, *info, repaint);
}

bool CWnd::DestroyWindow() {
  WindowHandle window = Detach();
  return window != nullptr && DestroyTree(window);
}

bool CStatic::Create(const char* text, unsigned long style, const WindowRect& rect, CWnd* parent,
                     unsigned id) {
  // A window object holds one window at a time.
  if (m_hWnd != nullptr || parent == nullptr) return false;
  if (LiveWindow(parent->GetSafeHwnd()) == nullptr) return false;
  m_hWnd = NewWindow(parent->GetSafeHwnd(), text, style, rect, id);
  return true;
}

namespace control {

WindowHandle CreateHostWindow(WindowHandle parent, const std::string& text,
                              const WindowRect& rect) {
  if (parent != nullptr && LiveWindow(parent) == nullptr) return nullptr;
  const unsigned long style = kWindowStyleVisible | (parent ? kWindowStyleChild : 0);
  return NewWindow(parent, text.c_str(), style, rect, 0);
}

void DestroyHostWindow(WindowHandle window) {
  DestroyTree(window);
}

bool LookUpWindow(WindowHandle window, WindowInfo* info) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(window);
  const std::vector<WindowInfo>& windows = Windows().windows;
  if (value < kFirstHandle || value - kFirstHandle >= windows.size()) return false;
  if (info != nullptr) *info = windows[value - kFirstHandle];
  return true;
}

std::vector<WindowInfo> AllWindows() {
  return Windows().windows;
}

std::vector<WindowInfo> LiveChildWindows(WindowHandle parent) {
  std::vector<WindowInfo> children;
  for (const WindowInfo& info : Windows().windows)
    if (info.alive && info.parent == parent) children.push_back(info);
  return children;
}

long long NextJournalSequence() {
  static long long sequence = 0;
  return ++sequence;
}

const std::vector<WindowEvent>& WindowJournal() {
  return Windows().journal;
}

void ClearWindowJournal() {
  Windows().journal.clear();
}

namespace internal {

void ResetWindows() {
  Windows() = WindowSystem();
}

}  // namespace internal
}  // namespace control
}  // namespace platform
