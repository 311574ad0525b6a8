// Control and observation of the platform, for the reference host and the tests (never for
// the plug-in). Two implementations: sim/ keeps everything in memory; win32/ reads real
// windows back with the system's calls, journals them through window hooks of the calling
// thread and answers the real file dialog by filling in its name and pressing its button.
// What Windows cannot be told to do (switch the code page, define string resources at run
// time, pick the next unique file name) answers false there.
#pragma once

#include <string>
#include <vector>

#include "Platform.h"

namespace platform {
namespace control {

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
// file names). On Windows it also starts watching the calling thread's windows and
// dialogs: call it before the windows to be observed are created.
MIRVANE_PLATFORM_API void Reset();

MIRVANE_PLATFORM_API const std::vector<AssertionReport>& AssertionReports();
MIRVANE_PLATFORM_API void ClearAssertionReports();

// String resources defined at run time (simulation only; false on Windows, where they are
// the modules' own resources).
MIRVANE_PLATFORM_API bool SetStringResource(unsigned id, const std::string& text);
MIRVANE_PLATFORM_API bool RemoveStringResource(unsigned id);

// The module last passed to DisableThreadLibraryCalls, and how often it was called
// (simulation only: on Windows the count is -1).
MIRVANE_PLATFORM_API ModuleHandle ThreadCallsDisabledModule();
MIRVANE_PLATFORM_API int ThreadCallsDisabledCount();

// Code page of multibyte text: 1252 (single byte) or 932 (Shift-JIS double byte). The
// simulation switches to it; Windows keeps the process's ANSI code page, so there the
// answer says whether the process already follows `codePage`.
MIRVANE_PLATFORM_API bool SetCodePage(int codePage);
MIRVANE_PLATFORM_API int CodePage();

// Answers for the open-file dialog, taken in order; with an empty queue it cancels. On
// Windows the real dialog opens and is answered as a person would: the path typed into its
// file-name box and OK pressed, or Cancel pressed.
MIRVANE_PLATFORM_API void QueueDialogAnswer(const std::string& path);
MIRVANE_PLATFORM_API void QueueDialogCancel();
MIRVANE_PLATFORM_API size_t PendingDialogAnswers();
MIRVANE_PLATFORM_API const std::vector<DialogCall>& DialogCalls();

// --- Windows ----------------------------------------------------------------------------
// One window system for the whole process: the reference host's page-view windows and the
// plug-in's child windows live in the same table. In the simulation handles are small
// numbers handed out in creation order from 0x1000 on, never reused, and restart with
// Reset(); on Windows they are the system's, and a live window's record is read back from
// the system (parent, text, style, id, rectangle, visibility, instance).

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

// A window of the host's own (a page view's window): visible, with `parent` (may be null:
// a top-level window). On Windows a page view's window clips its children.
MIRVANE_PLATFORM_API WindowHandle CreateHostWindow(WindowHandle parent, const std::string& text,
                                                   const WindowRect& rect);
// Destroys a window and, first, every live descendant of it (each is journaled).
MIRVANE_PLATFORM_API void DestroyHostWindow(WindowHandle window);
// The window's record, live or destroyed; false for a handle never handed out.
MIRVANE_PLATFORM_API bool LookUpWindow(WindowHandle window, WindowInfo* info);
// Every window ever created, in creation order.
MIRVANE_PLATFORM_API std::vector<WindowInfo> AllWindows();
// The live children of `parent`, in creation order.
MIRVANE_PLATFORM_API std::vector<WindowInfo> LiveChildWindows(WindowHandle parent);
MIRVANE_PLATFORM_API const std::vector<WindowEvent>& WindowJournal();
MIRVANE_PLATFORM_API void ClearWindowJournal();
// Calls a window object made (show, move, destroy) with a handle whose window was gone
// by then, and which might have named another window: there should never be any. On
// Windows this counts the calls of this copy of the platform.
MIRVANE_PLATFORM_API int CallsOnGoneWindows();

// --- Temporary folder -------------------------------------------------------------------

// The folder TempFolderPath reports (with exactly one trailing separator). Empty: the
// default, $TMPDIR or else /tmp. On Windows it sets the process's TMP variable, which
// GetTempPathA reads first; empty restores the variable the process started with.
MIRVANE_PLATFORM_API void SetTempFolder(const std::string& folder);

// A name CreateUniqueFile tries before names of its own, once, in the order queued: lets a
// test plant a file or link where it will look (simulation only; false on Windows).
MIRVANE_PLATFORM_API bool QueueUniqueFileName(const std::string& name);

}  // namespace control
}  // namespace platform
