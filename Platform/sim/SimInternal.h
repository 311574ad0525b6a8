// Hooks between the parts of the simulated platform; not for the host or the tests.
#pragma once

namespace platform {
namespace control {
namespace internal {

// Forget every window and the journal; handles start again at 0x1000.
void ResetWindows();
// Back to the default temporary folder, with no queued file names.
void ResetTempFolder();

}  // namespace internal
}  // namespace control
}  // namespace platform
