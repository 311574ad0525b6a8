// Guarded sequences. A host error is a non-local exit: the viewer jumps to the innermost
// frame's restore procedure. The viewer pops that frame before it jumps, so the handler
// branch must not pop it again. Locals changed inside the guarded branch and read in the
// handler must be volatile, and no object with a destructor may live inside it.
#pragma once

#include <csetjmp>

#include "HostTables.h"

struct HostExceptionFrame {
  std::jmp_buf env;
};

// Restore procedure handed with every frame: resumes the guarded sequence's handler.
void HOSTCALL RestorePlugInFrame(void* frame);

#define HOST_DURING(frame)                             \
  ASPushExceptionFrame(&(frame), &RestorePlugInFrame); \
  if (setjmp((frame).env) == 0) {
#define HOST_HANDLER     \
  ASPopExceptionFrame(); \
  }                      \
  else {
#define HOST_END_HANDLER }

// Releases a handle that a guarded sequence keeps for its handler, forgetting it first, so
// that a release that raises is never tried again by the handler.
template <typename Handle, typename Release>
void ReleaseOnce(Handle volatile& handle, Release release) {
  if (Handle held = handle) {
    handle = nullptr;
    release(held);
  }
}
