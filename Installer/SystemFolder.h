// The system folder that a process of this module's bitness loads libraries from. On 64-bit
// Windows a 32-bit process (WoW64) is handed the 64-bit system folder's name by
// GetSystemDirectory while the system reads its libraries from SysWOW64 instead, so the
// folder a 32-bit viewer really searches is the one GetSystemWow64Directory names.
#pragma once

#include <windows.h>

#include <string>

inline std::string SystemFolderOfThisBitness() {
  char buffer[MAX_PATH] = "";
  BOOL wow64 = FALSE;
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64 &&
      GetSystemWow64DirectoryA(buffer, MAX_PATH) != 0)
    return buffer;
  if (GetSystemDirectoryA(buffer, MAX_PATH) != 0) return buffer;
  return "";
}
