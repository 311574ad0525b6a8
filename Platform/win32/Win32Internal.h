// Hooks between the parts of the Windows platform; not for the host or the tests.
#pragma once

#include <string>
#include <vector>

#include "../PlatformControl.h"

namespace platform {
namespace win32 {

// The open-file dialog request being shown by this copy of the platform, or null: lets the
// control side record what was asked for when the dialog it answers is ours.
struct DialogRequest {
  const char* filter;
  unsigned flags;
  ModuleHandle resourceHandle;
};
const DialogRequest* CurrentDialogRequest();

// Assertion reports made through this copy of the platform (the most recent ones: the
// list is bounded, as a report must never end or exhaust the process).
std::vector<control::AssertionReport>& AssertionLog();

// Window calls this copy's window objects made with a handle whose window was gone.
int& CallsOnGoneWindows();

}  // namespace win32
}  // namespace platform
