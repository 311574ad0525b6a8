// Control and observation of the simulated platform, for the reference host and tests.
#pragma once

#include <string>
#include <vector>

#include "../Platform.h"

namespace platform {
namespace sim {

struct AssertionReport {
  std::string expression;
  std::string source;
  int line;
};

struct DialogCall {
  std::string filter;
  unsigned flags;
  ModuleHandle resourceHandle;  // the current resource handle when the dialog was shown
};

// Clears every recorded and configured value (string resources, reports, dialog queue,
// code page back to 1252, windows and their journal, the temporary folder and queued
// file names).
MIRVANE_PLATFORM_API void Reset();

MIRVANE_PLATFORM_API const std::vector<AssertionReport>& AssertionReports();
MIRVANE_PLATFORM_API void ClearAssertionReports();

MIRVANE_PLATFORM_API void SetStringResource(unsigned id, const std::string& text);
MIRVANE_PLATFORM_API void RemoveStringResource(unsigned id);

// The module last passed to DisableThreadLibraryCalls, and how often it was called.
MIRVANE_PLATFORM_API ModuleHandle ThreadCallsDisabledModule();
MIRVANE_PLATFORM_API int ThreadCallsDisabledCount();

// Code page of multibyte text: 1252 (single byte) or 932 (Shift-JIS double byte).
MIRVANE_PLATFORM_API void SetCodePage(int codePage);
MIRVANE_PLATFORM_API int CodePage();

// Answers for the open-file dialog, taken in order; with an empty queue it cancels.
MIRVANE_PLATFORM_API void QueueDialogAnswer(const std::string& path);
MIRVANE_PLATFORM_API void QueueDialogCancel();
MIRVANE_PLATFORM_API size_t PendingDialogAnswers();
MIRVANE_PLATFORM_API const std::vector<DialogCall>& DialogCalls();

// --- Windows ----------------------------------------------------------------------------
// One window system for the whole process: the reference host's page-view windows and the
// plug-in's child windows live in the same table. Handles are small numbers handed out in
// creation order from 0x1000 on, never reused, and restart with Reset().

struct WindowInfo {
  WindowHandle handle = nullptr;
  WindowHandle parent = nullptr;  // null for a top-level window
  std::string text;
  unsigned long style = 0;
  unsigned id = 0;
  WindowRect rect{0, 0, 0, 0};  // in the parent's client coordinates
  bool visible = false;
  bool alive = false;               // false once destroyed
  ModuleHandle instance = nullptr;  // the current instance handle when it was created
};

enum class WindowOp { Create, Show, Hide, Move, Destroy };

// One entry per window operation, in order. `rect` is the rectangle after the operation;
// `repaint` is the repaint flag of a move.
struct WindowEvent {
  WindowOp op;
  WindowHandle handle;
  WindowRect rect;
  bool repaint;
  long long sequence;  // from NextJournalSequence()
};

// One process-wide counter for every journal that is to be merged with the window
// journal (the player library's journal takes it as its clock): each call answers the
// next number.
MIRVANE_PLATFORM_API long long NextJournalSequence();

// A window of the host's own (a page view's window): visible, with `parent` (may be null).
MIRVANE_PLATFORM_API WindowHandle CreateHostWindow(WindowHandle parent, const std::string& text,
                                                   const WindowRect& rect);
// Destroys a window and, first, every live descendant of it (each is journaled).
MIRVANE_PLATFORM_API void DestroyHostWindow(WindowHandle window);
// The window's record, live or destroyed; false for a handle never handed out.
MIRVANE_PLATFORM_API bool FindWindow(WindowHandle window, WindowInfo* info);
// Every window ever created, in creation order.
MIRVANE_PLATFORM_API std::vector<WindowInfo> AllWindows();
// The live children of `parent`, in creation order.
MIRVANE_PLATFORM_API std::vector<WindowInfo> LiveChildWindows(WindowHandle parent);
MIRVANE_PLATFORM_API const std::vector<WindowEvent>& WindowJournal();
MIRVANE_PLATFORM_API void ClearWindowJournal();

// --- Temporary folder -------------------------------------------------------------------

// The folder TempFolderPath reports (with exactly one trailing separator). Empty: the
// default, $TMPDIR or else /tmp.
MIRVANE_PLATFORM_API void SetTempFolder(const std::string& folder);

// A name CreateUniqueFile tries before names of its own, once, in the order queued: lets a
// test plant a file or link where it will look.
MIRVANE_PLATFORM_API void QueueUniqueFileName(const std::string& name);

}  // namespace sim
}  // namespace platform
