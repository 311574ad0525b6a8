// Simulated window system: one table of windows for the whole process, shared by the
// reference host's page-view windows and the plug-in's child windows, with a journal of
// every operation that reached a live window. An operation on a destroyed or unknown
// handle does nothing and leaves no journal entry, as the system call would fail.
#include <algorithm>
#include <cstdint>
#include <map>

#include "SimInternal.h"
#include "../PlatformControl.h"

namespace platform {
namespace {

constexpr uintptr_t kFirstHandle = 0x1000;

struct WindowSystem {
  std::vector<control::WindowInfo> windows;  // index = handle - kFirstHandle
  std::vector<control::WindowEvent> journal;
  std::map<WindowHandle, CWnd*> objects;  // windows created by a window object, by handle
  int callsOnGoneWindows = 0;
};

WindowSystem& Windows() {
  static WindowSystem* system = new WindowSystem;  // never destroyed: modules may outlive statics
  return *system;
}

// The record of the live window a window object holds; null, and counted, when the object
// holds a handle whose window is gone.
control::WindowInfo* HeldWindow(WindowHandle handle);

// The record of a live window, or null for a destroyed or unknown handle.
control::WindowInfo* LiveWindow(WindowHandle handle) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  std::vector<control::WindowInfo>& windows = Windows().windows;
  if (value < kFirstHandle || value - kFirstHandle >= windows.size()) return nullptr;
  control::WindowInfo& info = windows[value - kFirstHandle];
  return info.alive ? &info : nullptr;
}

control::WindowInfo* HeldWindow(WindowHandle handle) {
  control::WindowInfo* info = LiveWindow(handle);
  if (info == nullptr && handle != nullptr) ++Windows().callsOnGoneWindows;
  return info;
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

}  // namespace

// Tells a window object that its window is being destroyed, then lets go of the window.
struct WindowObjects {
  static void Destroying(WindowHandle handle) {
    auto found = Windows().objects.find(handle);
    if (found == Windows().objects.end()) return;
    CWnd* const object = found->second;
    object->OnDestroy();
    object->m_hWnd = nullptr;
    Windows().objects.erase(handle);
  }
};

namespace {

// Destroys the live descendants of `handle` (children before their parents, siblings in
// creation order), then the window itself. False when it was not a live window. A window
// object hears of its window's destruction before the window goes.
bool DestroyTree(WindowHandle handle) {
  if (LiveWindow(handle) == nullptr) return false;
  for (size_t i = 0; i < Windows().windows.size(); ++i) {
    const control::WindowInfo& child = Windows().windows[i];
    if (child.alive && child.parent == handle) DestroyTree(child.handle);
  }
  WindowObjects::Destroying(handle);
  control::WindowInfo* info = LiveWindow(handle);
  if (info == nullptr) return true;  // destroyed while its object heard of it
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
  // The object is going: its window goes without telling it.
  WindowHandle window = Detach();
  if (window != nullptr) DestroyTree(window);
}

WindowHandle CWnd::Detach() {
  WindowHandle window = m_hWnd;
  m_hWnd = nullptr;
  auto found = Windows().objects.find(window);
  if (found != Windows().objects.end() && found->second == this) Windows().objects.erase(found);
  return window;
}

bool CWnd::ShowWindow(int command) {
  control::WindowInfo* info = HeldWindow(m_hWnd);
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
  control::WindowInfo* info = HeldWindow(m_hWnd);
  if (info == nullptr) return;
  info->rect = {x, y, FarEdge(x, width), FarEdge(y, height)};
  Journal(control::WindowOp::Move, *info, repaint);
}

bool CWnd::DestroyWindow() {
  WindowHandle window = m_hWnd;
  if (window == nullptr) return false;
  HeldWindow(window);
  const bool destroyed = DestroyTree(window);
  Detach();  // also when the window was gone already
  return destroyed;
}

bool CStatic::Create(const char* text, unsigned long style, const WindowRect& rect, CWnd* parent,
                     unsigned id) {
  // A window object holds one window at a time.
  if (m_hWnd != nullptr || parent == nullptr) return false;
  if (LiveWindow(parent->GetSafeHwnd()) == nullptr) return false;
  m_hWnd = NewWindow(parent->GetSafeHwnd(), text, style, rect, id);
  Windows().objects[m_hWnd] = this;
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

int CallsOnGoneWindows() {
  return Windows().callsOnGoneWindows;
}

namespace internal {

void ResetWindows() {
  Windows() = WindowSystem();
}

}  // namespace internal
}  // namespace control
}  // namespace platform
