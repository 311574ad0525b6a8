// The module's loader entry and the first entry the viewer calls.
#include "PlugInEntry.h"

#include "Platform.h"

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    platform::DisableThreadLibraryCalls(module);
    gHostBinding.moduleInstance = module;
  }
  return TRUE;
}
#endif

extern "C" ASBool HOSTCALL PlugInMain(ASUns32 hostHandshakeVersion, ASUns32* agreedVersion,
                                      PlugInSetupProc* setup, void* platformRecord) {
  gHostBinding.moduleInstance = static_cast<PlatformRecord*>(platformRecord)->moduleInstance;
  *agreedVersion =
      hostHandshakeVersion >= kHandshakeVersion ? kHandshakeVersion : hostHandshakeVersion;
  *setup = &PlugInSetup;
  return ASTrue;
}
