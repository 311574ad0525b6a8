// Operating-system and class-library services the plug-in needs. Two implementations:
// win32/ (real Windows calls) and sim/ (a Linux simulation that the reference host and
// the tests share with the plug-in).
#pragma once

#include <cstddef>
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

// --- Diagnostics ----------------------------------------------------------------------

// The run-time library's assertion report for a broken invariant: expression text,
// source name and line. It never ends the process.
MIRVANE_PLATFORM_API void ReportAssertion(const char* expression, const char* source, int line);

}  // namespace platform
