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
// code page back to 1252).
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

}  // namespace sim
}  // namespace platform
