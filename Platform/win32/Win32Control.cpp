// Control and observation of the real Windows platform, for the reference host and the
// tests. Windows are the system's own: a live window's record is read back from the
// system; creation, moves, showing, hiding and destruction are journaled by window hooks of
// the calling thread, so the journal holds what the system did, whoever asked for it (the
// plug-in module has a platform copy of its own). The same hooks answer the open-file
// dialog as a person would: the queued path typed into its file-name box and OK pressed,
// or Cancel pressed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>

#include "Win32Internal.h"

namespace platform {
namespace control {
namespace {

// Control identifiers of the common open-file dialog.
constexpr int kFileTypeBox = 0x470;    // cmb1
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr UINT_PTR kAnswerTimer = 0x4D56;
constexpr int kAnswerDelayMs = 30;
constexpr int kGiveUpTicks = 200;  // a dialog still open after about 6 s is cancelled

struct DialogAnswer {
  bool ok;
  std::string path;
};

struct PendingDialog {
  HWND dialog;
  DialogAnswer answer;
  int ticks;
};

struct ControlState {
  HHOOK cbtHook = nullptr;
  HHOOK messageHook = nullptr;
  std::vector<WindowInfo> windows;  // every window seen created, in creation order
  std::map<HWND, size_t> index;     // live handle -> entry in `windows`
  std::vector<WindowEvent> journal;
  std::deque<DialogAnswer> dialogAnswers;
  std::vector<DialogCall> dialogCalls;
  std::vector<PendingDialog> openDialogs;
  bool savedTmp = false;
  bool hadTmp = false;
  std::string originalTmp;
};

ControlState& State() {
  static ControlState* state = new ControlState;  // never destroyed: hooks may outlive statics
  return *state;
}

std::string WindowText(HWND window) {
  char text[512];
  const int length = GetWindowTextA(window, text, sizeof text);
  return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

// The record of a live window as the system keeps it.
WindowInfo ReadWindow(HWND window) {
  WindowInfo info;
  info.handle = window;
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  info.style = static_cast<unsigned long>(style);
  info.parent = (style & WS_CHILD) ? GetParent(window) : nullptr;
  info.text = WindowText(window);
  info.id = (style & WS_CHILD) ? static_cast<unsigned>(GetDlgCtrlID(window)) : 0;
  RECT rect{0, 0, 0, 0};
  GetWindowRect(window, &rect);
  if (info.parent != nullptr)
    MapWindowPoints(HWND_DESKTOP, static_cast<HWND>(info.parent), reinterpret_cast<POINT*>(&rect),
                    2);
  info.rect = {rect.left, rect.top, rect.right, rect.bottom};
  info.visible = (style & WS_VISIBLE) != 0;
  info.alive = IsWindow(window) != FALSE;
  info.instance = reinterpret_cast<ModuleHandle>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  return info;
}

void Journal(WindowOp op, const WindowInfo& info, bool repaint = false) {
  State().journal.push_back({op, info.handle, info.rect, repaint, NextJournalSequence()});
}

void WindowCreated(HWND window, const CREATESTRUCTA& create) {
  // The system's own helper windows (a thread's input-method window, COM's message window
  // once a file dialog has run) are neither the viewer's nor the plug-in's.
  static const char* const kSystemClasses[] = {"IME", "OleMainThreadWndClass", "MSCTFIME UI",
                                               "CicMarshalWndClass"};
  char className[64] = "";
  if (GetClassNameA(window, className, sizeof className) > 0)
    for (const char* system : kSystemClasses)
      if (lstrcmpiA(className, system) == 0) return;
  ControlState& s = State();
  // The system shows a window made visible only after its creation: record it as asked for.
  WindowInfo info = ReadWindow(window);
  info.style = static_cast<unsigned long>(create.style);
  info.visible = (create.style & WS_VISIBLE) != 0;
  s.index[window] = s.windows.size();
  s.windows.push_back(info);
  Journal(WindowOp::Create, info);
}

void WindowChanged(HWND window, const WINDOWPOS& pos) {
  ControlState& s = State();
  auto found = s.index.find(window);
  if (found == s.index.end()) return;
  WindowInfo& info = s.windows[found->second];
  const bool wasVisible = info.visible;
  info = ReadWindow(window);
  if ((pos.flags & SWP_SHOWWINDOW) && !wasVisible) Journal(WindowOp::Show, info);
  if ((pos.flags & SWP_HIDEWINDOW) && wasVisible) Journal(WindowOp::Hide, info);
  if ((pos.flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE))
    Journal(WindowOp::Move, info, (pos.flags & SWP_NOREDRAW) == 0);
}

void WindowDestroyed(HWND window) {
  ControlState& s = State();
  auto found = s.index.find(window);
  if (found == s.index.end()) return;
  WindowInfo& info = s.windows[found->second];
  info = ReadWindow(window);
  info.alive = false;
  info.visible = false;
  s.index.erase(found);
  Journal(WindowOp::Destroy, info);
}

bool IsFileDialog(HWND window) {
  char name[16];
  return GetClassNameA(window, name, sizeof name) > 0 && std::strcmp(name, "#32770") == 0 &&
         GetDlgItem(window, kFileTypeBox) != nullptr;
}

// Closes the message boxes a dialog put up over itself (a name it could not take): while
// one is open the dialog's own buttons do nothing.
BOOL CALLBACK CloseOwnedPopup(HWND window, LPARAM owner) {
  if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner) && IsWindowVisible(window))
    PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs on the dialog's own message loop once it is up: types the path and presses OK, or
// presses Cancel. A dialog that stays open (it did not take the name) is cancelled after
// a while, so that no run waits for a person who is not there.
void CALLBACK AnswerTimer(HWND dialog, UINT, UINT_PTR, DWORD) {
  ControlState& s = State();
  for (size_t i = 0; i < s.openDialogs.size(); ++i) {
    PendingDialog& pending = s.openDialogs[i];
    if (pending.dialog != dialog) continue;
    if (!IsWindow(dialog)) {
      s.openDialogs.erase(s.openDialogs.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
    if (pending.ticks++ == 0) {
      if (pending.answer.ok) {
        HWND box = GetDlgItem(dialog, kFileNameCombo);
        if (box == nullptr) box = GetDlgItem(dialog, kFileNameEdit);
        SetWindowTextA(box, pending.answer.path.c_str());
        PressButton(dialog, IDOK);
      } else {
        PressButton(dialog, IDCANCEL);
      }
    } else if (pending.ticks > kGiveUpTicks && (pending.ticks - kGiveUpTicks) % 10 == 1) {
      if (pending.ticks == kGiveUpTicks + 1)
        std::fprintf(stderr, "platform: the file dialog did not take the answer '%s'; cancelled\n",
                     pending.answer.path.c_str());
      EnumThreadWindows(GetCurrentThreadId(), &CloseOwnedPopup, reinterpret_cast<LPARAM>(dialog));
      PressButton(dialog, IDCANCEL);
    }
    return;
  }
  KillTimer(dialog, kAnswerTimer);
}

void FileDialogActivated(HWND dialog) {
  ControlState& s = State();
  for (const PendingDialog& pending : s.openDialogs)
    if (pending.dialog == dialog) return;  // activated again: already answered
  DialogCall call{std::string(), 0, nullptr};
  if (const win32::DialogRequest* request = win32::CurrentDialogRequest())
    call = {request->filter ? request->filter : "", request->flags, request->resourceHandle};
  s.dialogCalls.push_back(call);
  DialogAnswer answer{false, std::string()};
  if (!s.dialogAnswers.empty()) {
    answer = s.dialogAnswers.front();
    s.dialogAnswers.pop_front();
  }
  s.openDialogs.push_back({dialog, answer, 0});
  SetTimer(dialog, kAnswerTimer, kAnswerDelayMs, &AnswerTimer);
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && IsFileDialog(reinterpret_cast<HWND>(wParam)))
    FileDialogActivated(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MessageHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const CWPRETSTRUCT& message = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    switch (message.message) {
      case WM_CREATE:
        if (message.lResult != -1)
          WindowCreated(message.hwnd, *reinterpret_cast<const CREATESTRUCTA*>(message.lParam));
        break;
      case WM_WINDOWPOSCHANGED:
        WindowChanged(message.hwnd, *reinterpret_cast<const WINDOWPOS*>(message.lParam));
        break;
      case WM_DESTROY:
        WindowDestroyed(message.hwnd);
        break;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void WatchThisThread() {
  ControlState& s = State();
  if (s.cbtHook != nullptr) return;
  const DWORD thread = GetCurrentThreadId();
  s.cbtHook = SetWindowsHookExA(WH_CBT, &CbtHook, nullptr, thread);
  s.messageHook = SetWindowsHookExA(WH_CALLWNDPROCRET, &MessageHook, nullptr, thread);
}

// The host's windows: a plain white client area. Closing one is the host's own business,
// never the window manager's (it would take the plug-in's windows with it).
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

const char* HostWindowClass() {
  static const char* const kName = "MirvaneReferenceHostWindow";
  static bool registered = false;
  if (!registered) {
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = &HostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kName;
    registered = RegisterClassA(&windowClass) != 0;
  }
  return kName;
}

}  // namespace

void Reset() {
  ControlState& s = State();
  WatchThisThread();
  s.windows.clear();
  s.index.clear();
  s.journal.clear();
  s.dialogAnswers.clear();
  s.dialogCalls.clear();
  win32::AssertionLog().clear();
  win32::CallsOnGoneWindows() = 0;
  SetTempFolder(std::string());
}

int CallsOnGoneWindows() {
  return win32::CallsOnGoneWindows();
}

const std::vector<AssertionReport>& AssertionReports() {
  return win32::AssertionLog();
}
void ClearAssertionReports() {
  win32::AssertionLog().clear();
}

bool SetStringResource(unsigned, const std::string&) {
  return false;
}
bool RemoveStringResource(unsigned) {
  return false;
}

ModuleHandle ThreadCallsDisabledModule() {
  return nullptr;
}
int ThreadCallsDisabledCount() {
  return -1;
}

bool SetCodePage(int codePage) {
  return static_cast<int>(GetACP()) == codePage;
}
int CodePage() {
  return static_cast<int>(GetACP());
}

void QueueDialogAnswer(const std::string& path) {
  WatchThisThread();
  State().dialogAnswers.push_back({true, path});
}
void QueueDialogCancel() {
  WatchThisThread();
  State().dialogAnswers.push_back({false, std::string()});
}
size_t PendingDialogAnswers() {
  return State().dialogAnswers.size();
}
const std::vector<DialogCall>& DialogCalls() {
  return State().dialogCalls;
}

long long NextJournalSequence() {
  static long long sequence = 0;
  return ++sequence;
}

WindowHandle CreateHostWindow(WindowHandle parent, const std::string& text,
                              const WindowRect& rect) {
  WatchThisThread();
  DWORD style = WS_VISIBLE | WS_CLIPCHILDREN;
  RECT outer{rect.left, rect.top, rect.right, rect.bottom};
  if (parent != nullptr) {
    style |= WS_CHILD;
  } else {
    // A top-level window whose client area is `rect`'s size.
    style |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&outer, style, FALSE);
  }
  return CreateWindowExA(0, HostWindowClass(), text.c_str(), style, outer.left, outer.top,
                         outer.right - outer.left, outer.bottom - outer.top,
                         static_cast<HWND>(parent), nullptr, GetModuleHandleA(nullptr), nullptr);
}

void DestroyHostWindow(WindowHandle window) {
  if (window != nullptr) ::DestroyWindow(static_cast<HWND>(window));
}

bool LookUpWindow(WindowHandle window, WindowInfo* info) {
  ControlState& s = State();
  const HWND handle = static_cast<HWND>(window);
  auto live = s.index.find(handle);
  if (live != s.index.end() && IsWindow(handle)) {
    s.windows[live->second] = ReadWindow(handle);
    if (info != nullptr) *info = s.windows[live->second];
    return true;
  }
  // A destroyed window: its last record.
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    if (it->handle != window) continue;
    if (info != nullptr) *info = *it;
    return true;
  }
  return false;
}

std::vector<WindowInfo> AllWindows() {
  ControlState& s = State();
  for (const auto& live : s.index)
    if (IsWindow(live.first)) s.windows[live.second] = ReadWindow(live.first);
  return s.windows;
}

std::vector<WindowInfo> LiveChildWindows(WindowHandle parent) {
  std::vector<WindowInfo> children;
  for (const WindowInfo& info : AllWindows())
    if (info.alive && info.parent == parent) children.push_back(info);
  return children;
}

const std::vector<WindowEvent>& WindowJournal() {
  return State().journal;
}
void ClearWindowJournal() {
  State().journal.clear();
}

void SetTempFolder(const std::string& folder) {
  ControlState& s = State();
  if (!s.savedTmp) {
    char value[MAX_PATH + 1];
    const DWORD length = GetEnvironmentVariableA("TMP", value, sizeof value);
    s.hadTmp = length > 0 && length < sizeof value;
    if (s.hadTmp) s.originalTmp.assign(value, length);
    s.savedTmp = true;
  }
  if (!folder.empty()) {
    SetEnvironmentVariableA("TMP", folder.c_str());
  } else {
    SetEnvironmentVariableA("TMP", s.hadTmp ? s.originalTmp.c_str() : nullptr);
  }
}

bool QueueUniqueFileName(const std::string&) {
  return false;
}

}  // namespace control
}  // namespace platform
