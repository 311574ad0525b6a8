// Temporary folder and files, and the code page's lead bytes, on real Windows.
#define _CRT_RAND_S  // rand_s: random numbers from the system's generator
#include <stdlib.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "../Platform.h"

namespace platform {
namespace {

// "~mvn" and ten random letters or digits, ".tmp": a name nobody can predict.
bool RandomFileName(std::string* name) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  *name = "~mvn";
  for (int i = 0; i < 10; ++i) {
    unsigned int value = 0;
    if (rand_s(&value) != 0) return false;
    *name += kAlphabet[value % (sizeof kAlphabet - 1)];
  }
  *name += ".tmp";
  return true;
}

}  // namespace

unsigned TempFolderPath(unsigned bufferSize, char* buffer) {
  return ::GetTempPathA(bufferSize, buffer);
}

bool CreateUniqueFile(const char* folder, char* path, size_t pathSize) {
  if (folder == nullptr || folder[0] == '\0' || path == nullptr) return false;
  std::string prefix = folder;
  if (prefix.back() != '\\' && prefix.back() != '/') prefix += kPathSeparator;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name;
    if (!RandomFileName(&name)) return false;
    const std::string candidate = prefix + name;
    if (candidate.size() + 1 > pathSize) return false;
    // CREATE_NEW refuses any existing name, a link included.
    HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return false;
    }
    CloseHandle(file);
    std::memcpy(path, candidate.c_str(), candidate.size() + 1);
    return true;
  }
  return false;
}

bool ReplaceFileWith(const char* from, const char* to) {
  // Replaces the directory entry at `to`; a link there is itself replaced.
  return from != nullptr && to != nullptr &&
         MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool RemoveFile(const char* path) {
  return path != nullptr && DeleteFileA(path) != FALSE;
}

bool IsLeadByte(unsigned char byte) {
  return IsDBCSLeadByte(byte) != FALSE;
}

}  // namespace platform
