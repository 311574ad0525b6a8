// Where the tests find the built artefacts: next to the test executable.
#pragma once

#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testsupport {

inline std::string ExecutableFolder() {
  char path[4096] = {0};
#if defined(_WIN32)
  GetModuleFileNameA(nullptr, path, sizeof path - 1);
#else
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) path[n] = '\0';
#endif
  std::string self = path;
  const size_t slash = self.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : self.substr(0, slash);
}

inline std::string PluginPath() {
  return ExecutableFolder() + "/KXTRIVOPlayer.api";
}

}  // namespace testsupport
