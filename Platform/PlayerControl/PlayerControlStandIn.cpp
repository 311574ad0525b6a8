// Stand-in of the player control library: it plays nothing, but records every call with
// its arguments and checks that each window sees create -> set file -> move* -> delete.
// After a delete the window may get a new player. On Windows a window with a scene file
// shows the file's name and size (PlayerPicture below). Not thread-safe: the viewer calls
// the player from its one user-interface thread.
#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PlayerJournal.h"

namespace {

// Where a window is in its call order.
enum class Stage { NoPlayer, Created, FileSet, Deleted };

// One call as kept: the public entry's fields, with the texts only as long as they are,
// so that the many moves of a long session cost a few dozen bytes each.
struct Call {
  int kind = 0;
  void* window = nullptr;
  int args[4] = {0, 0, 0, 0};
  // The path, NUL-terminated; a vector rather than a string so that its memory is asked
  // for by this library's own code, which heap measurements leave out.
  std::vector<char> path;
  int fileExists = 0;
  long long fileSize = -1;
  std::string problem;
  long long sequence = 0;
};

struct Journal {
  std::vector<Call> entries;
  std::map<void*, Stage> stages;
  int violations = 0;
  long long ownClock = 0;
  long long (*clock)(void) = nullptr;  // survives a clear
};

Journal& TheJournal() {
  static Journal* journal = new Journal;  // never destroyed: callers may outlive statics
  return *journal;
}

Call NewEntry(MvnCallKind kind, void* window) {
  Call entry;
  entry.kind = kind;
  entry.window = window;
  Journal& journal = TheJournal();
  entry.sequence = journal.clock != nullptr ? journal.clock() : ++journal.ownClock;
  return entry;
}

// Whether a regular file is at `path`, and its size.
void ProbeFile(const char* path, Call* entry) {
#if defined(_WIN32)
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExA(path, GetFileExInfoStandard, &data) &&
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    entry->fileExists = 1;
    entry->fileSize = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
#else
  struct stat info;
  if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
    entry->fileExists = 1;
    entry->fileSize = static_cast<long long>(info.st_size);
  }
#endif
}

const char* FunctionName(int kind) {
  switch (kind) {
    case kMvnCreateGUI:
      return "mvnCreateGUI";
    case kMvnSetFileName:
      return "mvnSetFileName";
    case kMvnMoveWindow:
      return "mvnMoveWindow";
    default:
      return "mvnDeleteGUI";
  }
}

// Why a call of `kind` may not come when its window is at `stage`; empty when it may.
std::string OrderProblem(int kind, Stage stage) {
  const std::string name = FunctionName(kind);
  if (stage == Stage::Deleted && kind != kMvnCreateGUI) return name + " after mvnDeleteGUI";
  switch (kind) {
    case kMvnCreateGUI:
      if (stage == Stage::Created || stage == Stage::FileSet)
        return "mvnCreateGUI on a window that already has a player";
      return "";
    case kMvnSetFileName:
      if (stage == Stage::FileSet) return "mvnSetFileName on a player that already has a file";
      break;
    case kMvnMoveWindow:
      if (stage == Stage::Created) return "mvnMoveWindow before mvnSetFileName";
      break;
    default:
      break;
  }
  return stage == Stage::NoPlayer ? name + " before mvnCreateGUI" : "";
}

Stage StageAfter(int kind) {
  switch (kind) {
    case kMvnCreateGUI:
      return Stage::Created;
    case kMvnDeleteGUI:
      return Stage::Deleted;
    default:
      return Stage::FileSet;
  }
}

// Records the call. A call out of order gets its problem and leaves the window's stage.
int Record(Call entry) {
  Journal& journal = TheJournal();
  auto found = journal.stages.find(entry.window);
  const Stage stage = found == journal.stages.end() ? Stage::NoPlayer : found->second;
  entry.problem = OrderProblem(entry.kind, stage);
  const bool inOrder = entry.problem.empty();
  if (inOrder) {
    if (found != journal.stages.end())
      found->second = StageAfter(entry.kind);
    else
      journal.stages.emplace(entry.window, StageAfter(entry.kind));
  } else {
    ++journal.violations;
  }
  journal.entries.push_back(std::move(entry));
  return inOrder ? 0 : -1;
}

#if defined(_WIN32)
// What the player shows in a window it was given a scene file for: the file's name (its
// last path part, in the ANSI code page, drawn with the A functions so that double-byte
// names come out right) and its size, on a light background inside a thin frame. The
// window is subclassed for it until the player is deleted or the window goes.
struct Picture {
  WNDPROC previous = nullptr;
  std::string name;
  std::string size;
};

std::map<HWND, Picture>& Pictures() {
  static std::map<HWND, Picture>* pictures = new std::map<HWND, Picture>;
  return *pictures;
}

// The last part of a path, stepping over double-byte characters, whose trail byte may be
// a backslash.
std::string FileNamePart(const char* path) {
  const char* name = path;
  for (const char* at = path; *at != '\0'; at = CharNextA(at))
    if (*at == '\\' || *at == '/' || *at == ':') name = at + 1;
  return name;
}

void Paint(HWND window, HDC dc, const Picture& picture) {
  RECT client;
  GetClientRect(window, &client);
  HBRUSH background = CreateSolidBrush(RGB(236, 242, 250));
  FillRect(dc, &client, background);
  DeleteObject(background);
  HBRUSH frame = CreateSolidBrush(RGB(64, 80, 112));
  FrameRect(dc, &client, frame);
  DeleteObject(frame);

  // The A functions read text in the code page of the font's character set: the default
  // set is the system's, whose code page is the ANSI one the path is in.
  HFONT font =
      CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg");
  HGDIOBJ oldFont = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  const int line = metrics.tmHeight + metrics.tmExternalLeading;
  const int middle = (client.top + client.bottom) / 2;
  RECT nameLine{client.left + 4, middle - line, client.right - 4, middle};
  RECT sizeLine{client.left + 4, middle, client.right - 4, middle + line};
  const UINT format = DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
  DrawTextA(dc, picture.name.c_str(), static_cast<int>(picture.name.size()), &nameLine, format);
  DrawTextA(dc, picture.size.c_str(), static_cast<int>(picture.size.size()), &sizeLine, format);
  SelectObject(dc, oldFont);
  if (font != nullptr) DeleteObject(font);
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto found = Pictures().find(window);
  if (found == Pictures().end()) return DefWindowProcA(window, message, wParam, lParam);
  const WNDPROC previous = found->second.previous;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      Paint(window, dc, found->second);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(window, reinterpret_cast<HDC>(wParam), found->second);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      Pictures().erase(found);
      break;
  }
  return CallWindowProcA(previous, window, message, wParam, lParam);
}

void ShowScene(void* handle, const Call& entry) {
  const HWND window = static_cast<HWND>(handle);
  if (!IsWindow(window) || entry.path.empty()) return;
  Picture& picture = Pictures()[window];
  if (picture.previous == nullptr)
    picture.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PlayerWindowProc)));
  picture.name = FileNamePart(entry.path.data());
  picture.size = entry.fileExists ? std::to_string(entry.fileSize) + " bytes" : "no file";
  InvalidateRect(window, nullptr, TRUE);
}

// Gives the window its own procedure back, unless someone subclassed it after us: then
// ours stays in the chain and only passes messages on.
void StopShowing(void* handle) {
  const HWND window = static_cast<HWND>(handle);
  auto found = Pictures().find(window);
  if (found == Pictures().end()) return;
  if (IsWindow(window) &&
      GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&PlayerWindowProc)) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.previous));
    Pictures().erase(found);
    InvalidateRect(window, nullptr, TRUE);
  } else {
    found->second.name.clear();
    found->second.size.clear();
  }
}
#endif

}  // namespace

extern "C" {

int mvnCreateGUI(void* window, int reserved) {
  Call entry = NewEntry(kMvnCreateGUI, window);
  entry.args[0] = reserved;
  return Record(entry);
}

int mvnSetFileName(void* window, char* path) {
  Call entry = NewEntry(kMvnSetFileName, window);
  if (path != nullptr) {
    entry.path.assign(path, path + std::strlen(path) + 1);
    ProbeFile(path, &entry);
  }
#if defined(_WIN32)
  ShowScene(window, entry);
#endif
  return Record(std::move(entry));
}

int mvnMoveWindow(void* window, int left, int top, int right, int bottom) {
  Call entry = NewEntry(kMvnMoveWindow, window);
  entry.args[0] = left;
  entry.args[1] = top;
  entry.args[2] = right;
  entry.args[3] = bottom;
  return Record(entry);
}

int mvnDeleteGUI(void* window) {
#if defined(_WIN32)
  StopShowing(window);
#endif
  return Record(NewEntry(kMvnDeleteGUI, window));
}

int mvnJournalCount(void) {
  return static_cast<int>(TheJournal().entries.size());
}

int mvnJournalGet(int index, struct MvnJournalEntry* entry) {
  const std::vector<Call>& entries = TheJournal().entries;
  if (entry == nullptr || index < 0 || static_cast<size_t>(index) >= entries.size()) return 0;
  const Call& call = entries[static_cast<size_t>(index)];
  std::memset(entry, 0, sizeof *entry);
  entry->kind = call.kind;
  entry->window = call.window;
  std::memcpy(entry->args, call.args, sizeof entry->args);
  std::snprintf(entry->path, sizeof entry->path, "%s", call.path.empty() ? "" : call.path.data());
  entry->fileExists = call.fileExists;
  entry->fileSize = call.fileSize;
  std::snprintf(entry->problem, sizeof entry->problem, "%s", call.problem.c_str());
  entry->sequence = call.sequence;
  return 1;
}

int mvnJournalViolations(void) {
  return TheJournal().violations;
}

void mvnJournalSetClock(long long (*clock)(void)) {
  TheJournal().clock = clock;
}

void mvnJournalClear(void) {
  // The entries' room is kept, so that a long run that clears now and then does not
  // grow the journal anew each time.
  Journal& journal = TheJournal();
  journal.entries.clear();
  journal.stages.clear();
  journal.violations = 0;
  journal.ownClock = 0;
}

}  // extern "C"
