// Prints the system folder that a process of this bitness loads libraries from, for the
// installer cases: system32 for the bitness of the system, SysWOW64 for a 32-bit process on
// 64-bit Windows.
#include <cstdio>

#include "SystemFolder.h"

int main() {
  const std::string folder = SystemFolderOfThisBitness();
  if (folder.empty()) return 1;
  std::printf("%s\n", folder.c_str());
  return 0;
}
