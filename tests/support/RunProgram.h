// Runs another program from a test and collects what it printed: qpdf checking a saved
// file, poppler rendering one. On Windows the program is started directly (no shell), its
// output going through a file.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TestPaths.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace testsupport {

// The qpdf program: the Linux build's own, or on Windows the qpdf.exe built for the same
// target (from the same sources), which the build places beside the tests.
inline std::string QpdfProgram() {
#if defined(_WIN32)
  return ExecutableFolder() + "\\qpdf.exe";
#else
  return "qpdf";
#endif
}

// Runs `program` with `arguments`; answers its exit status (-1 when it could not run or did
// not exit) with standard output, and standard error unless `errors` is false, in `*output`.
inline int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      std::string* output, bool errors = true) {
#if defined(_WIN32)
  std::string line = "\"" + program + "\"";
  for (const std::string& argument : arguments) line += " \"" + argument + "\"";
  char folder[MAX_PATH + 1];
  char file[MAX_PATH + 1];
  if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "out", 0, file) == 0)
    return -1;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE sink = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (sink == INVALID_HANDLE_VALUE) return -1;
  HANDLE nowhere = errors ? INVALID_HANDLE_VALUE
                          : CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = sink;
  startup.hStdError = errors ? sink : nowhere;
  PROCESS_INFORMATION process{};
  DWORD status = static_cast<DWORD>(-1);
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(sink);
  if (nowhere != INVALID_HANDLE_VALUE) CloseHandle(nowhere);
  std::ifstream in(file, std::ios::binary);
  output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  in.close();
  DeleteFileA(file);
  return static_cast<int>(status);
#else
  std::string command = "'" + program + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  FILE* pipe = popen((command + (errors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (pipe == nullptr) return -1;
  char chunk[4096];
  size_t n;
  output->clear();
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace testsupport
