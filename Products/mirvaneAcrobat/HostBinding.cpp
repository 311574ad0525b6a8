#include <csetjmp>

#include "HostInterface/HostInterface.h"

HostBinding gHostBinding;

void HOSTCALL RestorePlugInFrame(void* frame) {
  std::longjmp(static_cast<HostExceptionFrame*>(frame)->env, 1);
}
