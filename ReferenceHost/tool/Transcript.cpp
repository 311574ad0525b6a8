#include "Transcript.h"

#include <filesystem>
#include <limits>
#include <stdexcept>
#include <vector>

#include "Objects.h"
#include "PageViews.h"
#include "PlayerJournal.h"
#include "Viewer.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace refhosttool {
namespace {

unsigned long Hex(const void* handle) {
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle));
}

std::string Rect(int left, int top, int right, int bottom) {
  return "(" + std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(right) +
         "," + std::to_string(bottom) + ")";
}

// Paths in the ANSI code page, as the plug-in sees them. The library's paths take and give
// narrow strings as UTF-8 on Windows, so there they go through the wide form.
std::filesystem::path NativePath(const std::string& path) {
#if defined(_WIN32)
  const int length =
      MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], length);
  return std::filesystem::path(wide);
#else
  return std::filesystem::path(path);
#endif
}

std::string NameOf(const std::filesystem::path& path) {
#if defined(_WIN32)
  const std::wstring wide = path.filename().wstring();
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string name(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &name[0], length,
                      nullptr, nullptr);
  return name;
#else
  return path.filename().string();
#endif
}

std::string Rect(const refhost::DevRect& r) {
  return Rect(r.left, r.top, r.right, r.bottom);
}

std::string DescribeObject(refhost::CosObj obj) {
  try {
    if (refhost::ObjIsNull(obj)) return "the null object";
    if (refhost::ObjIsIndirect(obj)) return "object " + std::to_string(refhost::ObjNumber(obj));
    return "a direct object of type " + std::to_string(refhost::ObjType(obj));
  } catch (const std::exception&) {
    return "an object that is gone";
  }
}

}  // namespace

void PrintAlert(std::FILE* out, const std::string& label, const std::string& text) {
  const std::string indent(label.size(), ' ');
  size_t begin = 0;
  for (bool first = true;; first = false) {
    size_t end = text.find('\n', begin);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string line = text.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!(last && line.empty() && !first))
      std::fprintf(out, "%s%s\n", first ? label.c_str() : indent.c_str(), line.c_str());
    if (last) break;
    begin = end + 1;
  }
}

std::string DescribeMenuItem(const refhost::MenuItemInfo& item) {
  return "menu item added to \"" + item.menu + "\": \"" + item.title + "\" (" + item.name +
         "), position " + std::to_string(item.position);
}

void Transcript::WatchFolder(const std::string& folder) {
  folder_ = folder;
  files_ = ScanFolder();
}

std::map<std::string, Transcript::FileState> Transcript::ScanFolder() const {
  std::map<std::string, FileState> files;
  if (folder_.empty()) return files;
  std::error_code error;
  for (std::filesystem::directory_iterator it(NativePath(folder_), error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    const auto size = it->file_size(ignored);
    const auto modified = it->last_write_time(ignored).time_since_epoch().count();
    files[NameOf(it->path())] =
        FileState{static_cast<unsigned long long>(size), static_cast<long long>(modified)};
  }
  return files;
}

void Transcript::PrintNews(refhost::Host& host) {
  PrintWindowsAndPlayerCalls();
  PrintFiles();
  PrintDialogsAndMenus();
  PrintEdits();
  PrintViewerRecords(host);
  PrintReports(host);
  std::fflush(out_);
}

// Notifications the viewer sent, window events and player calls, merged in the order they
// happened: the three journals run on one clock.
void Transcript::PrintWindowsAndPlayerCalls() {
  const std::vector<platform::control::WindowEvent>& windows = platform::control::WindowJournal();
  if (windowEvents_ > windows.size()) windowEvents_ = 0;  // the journal was cleared
  const size_t calls = static_cast<size_t>(mvnJournalCount());
  if (playerCalls_ > calls) playerCalls_ = 0;  // the journal was cleared
  const std::vector<refhost::NotificationSent>& notifications = refhost::NotificationsSent();
  MvnJournalEntry entry{};
  bool haveEntry = false;
  for (;;) {
    if (!haveEntry && playerCalls_ < calls)
      haveEntry = mvnJournalGet(static_cast<int>(playerCalls_), &entry) != 0;
    const long long never = std::numeric_limits<long long>::max();
    const long long call = haveEntry ? entry.sequence : never;
    const long long window =
        windowEvents_ < windows.size() ? windows[windowEvents_].sequence : never;
    const long long notification =
        notifications_ < notifications.size() ? notifications[notifications_].sequence : never;
    if (notification != never && notification < window && notification < call) {
      const refhost::NotificationSent& sent = notifications[notifications_++];
      std::fprintf(out_, "  notification %s (%d) to %d procedure%s\n", sent.name.c_str(),
                   static_cast<int>(sent.selector), sent.procedures,
                   sent.procedures == 1 ? "" : "s");
      continue;
    }
    if (window != never && window < call) {
      const platform::control::WindowEvent& event = windows[windowEvents_++];
      if (IsHostWindow(event)) PrintWindowEvent(event);
      continue;
    }
    if (!haveEntry) break;
    PrintPlayerCall(entry);
    ++playerCalls_;
    haveEntry = false;
  }
}

// Every window of the simulation is the host's or the plug-in's. On Windows the thread's
// hooks also see the file dialog's windows, which are the system's business: a window
// counts when the host program made it as a top-level window, or its parent counts.
bool Transcript::IsHostWindow(const platform::control::WindowEvent& event) {
#if defined(_WIN32)
  if (event.op == platform::control::WindowOp::Create) {
    platform::control::WindowInfo info;
    if (platform::control::LookUpWindow(event.handle, &info) &&
        (info.parent != nullptr ? hostWindows_.count(info.parent) != 0
                                : info.instance == static_cast<void*>(GetModuleHandleA(nullptr))))
      hostWindows_.insert(event.handle);
  }
  const bool known = hostWindows_.count(event.handle) != 0;
  // A handle may be reused once its window is gone.
  if (event.op == platform::control::WindowOp::Destroy) hostWindows_.erase(event.handle);
  return known;
#else
  (void)event;
  return true;
#endif
}

void Transcript::PrintWindowEvent(const platform::control::WindowEvent& event) {
  using platform::control::WindowOp;
  {
    const platform::WindowRect& r = event.rect;
    std::fprintf(out_, "  window 0x%lX ", Hex(event.handle));
    switch (event.op) {
      case WindowOp::Create: {
        ++totals_.windowsCreated;
        platform::control::WindowInfo info;
        platform::control::LookUpWindow(event.handle, &info);
        if (!info.text.empty()) std::fprintf(out_, "\"%s\" ", info.text.c_str());
        std::string parent = "none";
        if (info.parent != nullptr) {
          char text[32];
          std::snprintf(text, sizeof text, "0x%lX", Hex(info.parent));
          parent = text;
        }
        std::fprintf(out_, "created: parent %s, style 0x%08lX, id 0x%X, rect %s, %s\n",
                     parent.c_str(), info.style, info.id,
                     Rect(r.left, r.top, r.right, r.bottom).c_str(),
                     (info.style & platform::kWindowStyleVisible) ? "visible" : "hidden");
        break;
      }
      case WindowOp::Show:
        std::fprintf(out_, "shown\n");
        break;
      case WindowOp::Hide:
        std::fprintf(out_, "hidden\n");
        break;
      case WindowOp::Move:
        std::fprintf(out_, "moved to %s%s\n", Rect(r.left, r.top, r.right, r.bottom).c_str(),
                     event.repaint ? "" : ", no repaint");
        break;
      case WindowOp::Destroy:
        std::fprintf(out_, "destroyed\n");
        break;
    }
  }
}

void Transcript::PrintPlayerCall(const MvnJournalEntry& entry) {
  {
    ++totals_.playerCalls;
    const unsigned long window = Hex(entry.window);
    switch (entry.kind) {
      case kMvnCreateGUI:
        std::fprintf(out_, "  player mvnCreateGUI(0x%lX, %d)\n", window, entry.args[0]);
        break;
      case kMvnSetFileName:
        if (entry.fileExists)
          std::fprintf(out_, "  player mvnSetFileName(0x%lX, \"%s\"): file exists, %lld bytes\n",
                       window, entry.path, entry.fileSize);
        else
          std::fprintf(out_, "  player mvnSetFileName(0x%lX, \"%s\"): NO FILE THERE\n", window,
                       entry.path);
        break;
      case kMvnMoveWindow:
        std::fprintf(out_, "  player mvnMoveWindow(0x%lX, %d, %d, %d, %d)\n", window, entry.args[0],
                     entry.args[1], entry.args[2], entry.args[3]);
        break;
      case kMvnDeleteGUI:
        std::fprintf(out_, "  player mvnDeleteGUI(0x%lX)\n", window);
        break;
      default:
        std::fprintf(out_, "  player call of unknown kind %d on 0x%lX\n", entry.kind, window);
        break;
    }
    if (entry.problem[0] != '\0') {
      ++totals_.orderProblems;
      std::fprintf(out_, "  !!! PLAYER CALL ORDER BROKEN: %s\n", entry.problem);
    }
  }
}

void Transcript::PrintFiles() {
  if (folder_.empty()) return;
  const std::map<std::string, FileState> now = ScanFolder();
  for (const auto& file : now) {
    auto before = files_.find(file.first);
    if (before != files_.end() && before->second.size == file.second.size &&
        before->second.modified == file.second.modified)
      continue;
    ++totals_.filesWritten;
    std::fprintf(out_, "  file written: %s, %llu bytes\n", file.first.c_str(), file.second.size);
  }
  for (const auto& file : files_)
    if (now.count(file.first) == 0) std::fprintf(out_, "  file removed: %s\n", file.first.c_str());
  files_ = now;
}

void Transcript::PrintDialogsAndMenus() {
  const std::vector<platform::control::DialogCall>& dialogs = platform::control::DialogCalls();
  if (dialogs_ > dialogs.size()) dialogs_ = 0;
  for (; dialogs_ < dialogs.size(); ++dialogs_) {
    // On Windows the filter is known only for a dialog of the host's own platform copy.
    const std::string& filter = dialogs[dialogs_].filter;
    if (filter.empty())
      std::fprintf(out_, "  file dialog shown\n");
    else
      std::fprintf(out_, "  file dialog shown: filter \"%s\"\n", filter.c_str());
  }
  const std::vector<refhost::MenuItemInfo>& items = refhost::MenuItemsAdded();
  for (; menuItems_ < items.size(); ++menuItems_)
    std::fprintf(out_, "  %s\n", DescribeMenuItem(items[menuItems_]).c_str());
}

// Undo records created and released, and annotations taken off their pages, merged in the
// order they happened. Undo and redo show in the command's own result.
void Transcript::PrintEdits() {
  const std::vector<refhost::UndoEvent>& events = refhost::UndoEvents();
  const std::vector<refhost::AnnotRemoval>& removals = refhost::AnnotRemovals();
  while (undoEvents_ < events.size() || removals_ < removals.size()) {
    if (removals_ < removals.size() &&
        (undoEvents_ == events.size() ||
         removals[removals_].sequence < events[undoEvents_].sequence)) {
      const refhost::AnnotRemoval& removal = removals[removals_++];
      std::fprintf(out_, "  annotation %d of page %d (/%s) %s\n", removal.annotIndex,
                   removal.pageIndex + 1, removal.subtype.c_str(),
                   removal.byViewer ? "deleted by the viewer" : "removed by the plug-in");
      continue;
    }
    const refhost::UndoEvent& event = events[undoEvents_++];
    if (event.kind == refhost::UndoEvent::kCreated) {
      std::fprintf(out_, "  undo record %d created (\"%s\")", event.number, event.type.c_str());
      if (refhost::IsLiveUndoRecord(event.undo)) {
        // The titles the viewer's Edit menu would show for it.
        const std::string undo = refhost::UndoRecordTitle(event.undo, false);
        const std::string redo = refhost::UndoRecordTitle(event.undo, true);
        std::fprintf(out_, ": undo title \"%s\", redo title \"%s\"\n", undo.c_str(), redo.c_str());
      } else {
        std::fprintf(out_, ", released since\n");
      }
    } else if (event.kind == refhost::UndoEvent::kReleased) {
      std::fprintf(out_, "  undo record %d released\n", event.number);
    }
  }
}

void Transcript::PrintViewerRecords(refhost::Host&) {
  const std::vector<refhost::DrawCall>& draws = refhost::DrawCalls();
  if (draws_ > draws.size()) draws_ = 0;
  for (; draws_ < draws.size(); ++draws_)
    std::fprintf(out_, "  drawn: %s into %s\n", DescribeObject(draws[draws_].object).c_str(),
                 Rect(draws[draws_].rect).c_str());
  const std::vector<void*>& cursors = refhost::CursorCalls();
  if (cursors_ > cursors.size()) cursors_ = 0;
  for (; cursors_ < cursors.size(); ++cursors_)
    std::fprintf(out_, "  cursor set: %s\n",
                 cursors[cursors_] == nullptr ? "the default arrow" : "the plug-in's cursor");
  const std::vector<refhost::Invalidation>& invalidations = refhost::Invalidations();
  if (invalidations_ > invalidations.size()) invalidations_ = 0;
  for (; invalidations_ < invalidations.size(); ++invalidations_)
    std::fprintf(out_, "  invalidated %s\n", Rect(invalidations[invalidations_].rect).c_str());
}

void Transcript::PrintReports(refhost::Host& host) {
  const std::vector<std::string>& alerts = refhost::Alerts();
  if (alerts_ > alerts.size()) alerts_ = 0;
  for (; alerts_ < alerts.size(); ++alerts_) {
    ++totals_.alerts;
    PrintAlert(out_, "  alert: ", alerts[alerts_]);
  }
#if !defined(_WIN32)
  const std::vector<platform::control::AssertionReport>& reports =
      platform::control::AssertionReports();
  if (assertions_ > reports.size()) assertions_ = 0;
  for (; assertions_ < reports.size(); ++assertions_) {
    ++totals_.assertionReports;
    const platform::control::AssertionReport& report = reports[assertions_];
    const size_t slash = report.source.find_last_of("/\\");
    std::fprintf(out_, "  !!! ASSERTION FAILED: %s (%s:%d)\n", report.expression.c_str(),
                 report.source.c_str() + (slash == std::string::npos ? 0 : slash + 1), report.line);
  }
#endif
  const std::vector<std::string>& traces = host.traceLines();
  for (; traces_ < traces.size(); ++traces_)
    std::fprintf(out_, "  trace: %s\n", traces[traces_].c_str());
  const std::vector<refhost::UncaughtError>& errors = host.uncaughtErrors();
  for (; errors_ < errors.size(); ++errors_) {
    ++totals_.hostErrors;
    std::fprintf(out_, "  !!! HOST ERROR 0x%08X reached the host in %s: %s\n",
                 static_cast<unsigned>(errors[errors_].code), errors[errors_].where.c_str(),
                 refhost::Host::ErrorText(errors[errors_].code));
  }
}

}  // namespace refhosttool
