// The platform on real Windows: loader, resources, multibyte text and the common dialog.
#include <windows.h>
#include <commdlg.h>
#include <mbstring.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "Win32Internal.h"

namespace platform {
namespace {

ModuleHandle gCurrentInstance = nullptr;
ModuleHandle gCurrentResource = nullptr;
CWinApp* gApp = nullptr;
const win32::DialogRequest* gDialogRequest = nullptr;

constexpr size_t kMaxAssertionLog = 256;

}  // namespace

namespace win32 {

const DialogRequest* CurrentDialogRequest() {
  return gDialogRequest;
}

std::vector<control::AssertionReport>& AssertionLog() {
  static std::vector<control::AssertionReport>* log = new std::vector<control::AssertionReport>;
  return *log;
}

}  // namespace win32

void DisableThreadLibraryCalls(ModuleHandle module) {
  ::DisableThreadLibraryCalls(static_cast<HMODULE>(module));
}

void SetCurrentInstanceHandle(ModuleHandle module) {
  gCurrentInstance = module;
}
ModuleHandle CurrentInstanceHandle() {
  return gCurrentInstance;
}
void SetCurrentResourceHandle(ModuleHandle module) {
  gCurrentResource = module;
}
ModuleHandle CurrentResourceHandle() {
  return gCurrentResource;
}

CWinApp::CWinApp(const char*) {
  gApp = this;
}
CWinApp::~CWinApp() {
  if (gApp == this) gApp = nullptr;
}
CWinApp* CurrentApp() {
  return gApp;
}

bool LoadStringResource(unsigned id, std::string* text) {
  // The class library searches the current resource module, then the process's own.
  const HINSTANCE modules[] = {static_cast<HINSTANCE>(gCurrentResource), GetModuleHandleA(nullptr)};
  for (HINSTANCE module : modules) {
    if (module == nullptr) continue;
    char buffer[1024];
    int length = LoadStringA(module, id, buffer, sizeof buffer);
    if (length > 0) {
      text->assign(buffer, static_cast<size_t>(length));
      return true;
    }
  }
  return false;
}

ptrdiff_t FindLastByte(const char* text, char byte) {
  if (text == nullptr) return -1;
  const unsigned char* found =
      _mbsrchr(reinterpret_cast<const unsigned char*>(text), static_cast<unsigned char>(byte));
  return found ? reinterpret_cast<const char*>(found) - text : -1;
}

// The system's conversion follows the process's ANSI code page (double-byte characters
// included); the run-time library's _mbsupr would follow its own "C" locale for single bytes.
void UpperCaseInPlace(char* text) {
  if (text) CharUpperBuffA(text, static_cast<DWORD>(std::strlen(text)));
}
void LowerCaseInPlace(char* text) {
  if (text) CharLowerBuffA(text, static_cast<DWORD>(std::strlen(text)));
}

bool ShowOpenFileDialog(const char* filter, unsigned flags, char* path, size_t pathSize) {
  if (path == nullptr || pathSize == 0) return false;
  // The common dialog wants NUL-separated pairs ending in two NULs.
  std::vector<char> nulFilter(filter, filter + std::strlen(filter) + 1);
  for (char& c : nulFilter)
    if (c == '|') c = '\0';
  nulFilter.push_back('\0');

  path[0] = '\0';
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof ofn;
  ofn.hInstance = static_cast<HINSTANCE>(gCurrentResource);
  ofn.lpstrFilter = nulFilter.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path;
  ofn.nMaxFile = static_cast<DWORD>(pathSize);
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | flags;
  const win32::DialogRequest request{filter, flags, gCurrentResource};
  gDialogRequest = &request;
  const bool ok = GetOpenFileNameA(&ofn) != FALSE;
  gDialogRequest = nullptr;
  return ok;
}

void ReportAssertion(const char* expression, const char* source, int line) {
  char text[512];
  std::snprintf(text, sizeof text, "Assertion failed: %s, %s, line %d\n", expression, source, line);
  OutputDebugStringA(text);
  std::fputs(text, stderr);
  std::vector<control::AssertionReport>& log = win32::AssertionLog();
  if (log.size() >= kMaxAssertionLog) log.erase(log.begin());
  log.push_back({expression ? expression : "", source ? source : "", line});
}

}  // namespace platform
