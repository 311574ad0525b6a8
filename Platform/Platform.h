// Operating-system and class-library services the plug-in needs. Two implementations:
// win32/ (real Windows calls) and sim/ (a Linux simulation that the reference host and
// the tests share with the plug-in).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#if defined(_WIN32)
#define MIRVANE_PLATFORM_API
#else
#define MIRVANE_PLATFORM_API __attribute__((visibility("default")))
#endif

namespace platform {

typedef void* ModuleHandle;

// The folder separator of platform paths.
#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// --- Module and class-library state ---------------------------------------------------

// Turns off per-thread attach and detach calls for the module (Windows loader).
MIRVANE_PLATFORM_API void DisableThreadLibraryCalls(ModuleHandle module);

// The class library's current instance handle (windows are created for it) and current
// resource handle (dialogs and string resources are looked up in it).
MIRVANE_PLATFORM_API void SetCurrentInstanceHandle(ModuleHandle module);
MIRVANE_PLATFORM_API ModuleHandle CurrentInstanceHandle();
MIRVANE_PLATFORM_API void SetCurrentResourceHandle(ModuleHandle module);
MIRVANE_PLATFORM_API ModuleHandle CurrentResourceHandle();

// Minimal stand-in of the class library's application class. The viewer drives the
// module, so the application's own start-up and message loop never run.
class MIRVANE_PLATFORM_API CWinApp {
 public:
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
};

// The application object, or null before it is constructed and after it is destroyed.
MIRVANE_PLATFORM_API CWinApp* CurrentApp();

// --- Text -----------------------------------------------------------------------------

// String resource `id` through the class library's resource search; false when absent.
MIRVANE_PLATFORM_API bool LoadStringResource(unsigned id, std::string* text);

// Position of the last occurrence of `byte` in the NUL-terminated multibyte `text`, or
// -1. Trail bytes of double-byte characters of the current code page never match.
MIRVANE_PLATFORM_API ptrdiff_t FindLastByte(const char* text, char byte);

// Multibyte-aware case conversion in place, in the current locale's code page.
MIRVANE_PLATFORM_API void UpperCaseInPlace(char* text);
MIRVANE_PLATFORM_API void LowerCaseInPlace(char* text);

// --- Dialogs --------------------------------------------------------------------------

// The open-file dialog hides the read-only check box.
constexpr unsigned kOpenFileHideReadOnly = 0x00000004;

// Shows the modal open-file dialog (Explorer style, no owner, no default extension, no
// initial name) with a bar-separated filter such as "Text (*.txt)|*.txt||". Writes the
// chosen path into `path` and returns true on OK; returns false on cancel or when the
// path does not fit into `pathSize` bytes (NUL included).
MIRVANE_PLATFORM_API bool ShowOpenFileDialog(const char* filter, unsigned flags, char* path,
                                             size_t pathSize);

// --- Windows --------------------------------------------------------------------------

typedef void* WindowHandle;

// Window styles and show commands, with the system's values.
constexpr unsigned long kWindowStyleChild = 0x40000000;
constexpr unsigned long kWindowStyleVisible = 0x10000000;
constexpr unsigned long kWindowStyleClipChildren = 0x02000000;
constexpr int kShowWindowHide = 0;
constexpr int kShowWindowShow = 5;

// A window rectangle in the parent's client coordinates: left, top, right, bottom.
struct WindowRect {
  int32_t left, top, right, bottom;
};

// Stand-in of the class library's window object. It owns the window it created; a window
// it only wraps (Attach) must be detached before the object goes. Destroying the object
// while it still holds a window destroys that window, so no window outlives its object.
// A window it created may also be destroyed by someone else, such as the destruction of
// its parent: the object hears of it (OnDestroy) and then holds no window, so it never
// calls the system with a handle that may by then name another window.
class MIRVANE_PLATFORM_API CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  WindowHandle GetSafeHwnd() const { return m_hWnd; }
  // Wraps a window this object did not create (such as the viewer's page-view window).
  void Attach(WindowHandle window) { m_hWnd = window; }
  WindowHandle Detach();

  // kShowWindowShow or kShowWindowHide; answers whether the window was visible before.
  bool ShowWindow(int command);
  // Moves to (x, y) in the parent's client coordinates with the given size.
  void MoveWindow(int x, int y, int width, int height, bool repaint = true);
  // Destroys the window; the object then holds none. False when it held none.
  bool DestroyWindow();

 protected:
  // The window this object created is being destroyed, by DestroyWindow or by anyone
  // else, and its handle still names it. Not called from the base destructor.
  virtual void OnDestroy() {}

  WindowHandle m_hWnd;

 private:
  friend struct WindowObjects;  // the window system's side: tells of destruction
};

// A static control: the plain child window the player attaches to.
class MIRVANE_PLATFORM_API CStatic : public CWnd {
 public:
  // Creates the control as a child of `parent` with `text`, `style`, `rect` (parent's
  // client coordinates) and control identifier `id`, for the current instance handle.
  bool Create(const char* text, unsigned long style, const WindowRect& rect, CWnd* parent,
              unsigned id);
};

// --- Temporary folder and files -------------------------------------------------------

// The system's temporary folder with one trailing separator, as GetTempPathA writes it:
// answers its length without the NUL; 0 on failure; the size needed (NUL included) when
// `bufferSize` is too small, and then nothing is written.
MIRVANE_PLATFORM_API unsigned TempFolderPath(unsigned bufferSize, char* buffer);

// Creates a new, empty file with a name of its own choosing in `folder` (no trailing
// separator), exclusively: never through an existing file or link. Writes the full path
// into `path`; false when no such file could be made or the path does not fit.
MIRVANE_PLATFORM_API bool CreateUniqueFile(const char* folder, char* path, size_t pathSize);

// Moves the file `from` to `to` in the same folder, replacing whatever file or link is at
// `to` (never writing through a link to its target). False when it could not.
MIRVANE_PLATFORM_API bool ReplaceFileWith(const char* from, const char* to);

// Removes a file; false when it could not.
MIRVANE_PLATFORM_API bool RemoveFile(const char* path);

// Whether `byte` starts a double-byte character in the current code page.
MIRVANE_PLATFORM_API bool IsLeadByte(unsigned char byte);

// --- Diagnostics ----------------------------------------------------------------------

// The run-time library's assertion report for a broken invariant: expression text,
// source name and line. It never ends the process.
MIRVANE_PLATFORM_API void ReportAssertion(const char* expression, const char* source, int line);

}  // namespace platform
