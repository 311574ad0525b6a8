// Temporary folder and files of the simulated platform, on the real Linux file system.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>

#include "SimInternal.h"
#include "../PlatformControl.h"

namespace platform {
namespace {

struct TempFiles {
  std::string folder;  // empty: the default
  std::deque<std::string> queuedNames;
};

TempFiles& Temp() {
  static TempFiles* temp = new TempFiles;  // never destroyed: modules may outlive statics
  return *temp;
}

// The folder TempFolderPath reports, ending in exactly one separator.
std::string TempFolder() {
  std::string folder = Temp().folder;
  if (folder.empty()) {
    const char* env = std::getenv("TMPDIR");
    folder = env != nullptr && env[0] != '\0' ? env : "/tmp";
  }
  while (!folder.empty() && folder.back() == kPathSeparator) folder.pop_back();
  return folder + kPathSeparator;
}

// "~mvn" and ten random letters or digits, ".tmp": a name nobody can predict (unless a
// test queued one).
std::string UniqueFileName() {
  std::deque<std::string>& queued = Temp().queuedNames;
  if (!queued.empty()) {
    std::string name = queued.front();
    queued.pop_front();
    return name;
  }
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // Two draws of the system's random source give 64 bits, enough for ten letters or
  // digits (36^10 < 2^52); asking the source once per letter costs a system call each.
  std::random_device random;
  uint64_t bits = (static_cast<uint64_t>(random()) << 32) | random();
  std::string name = "~mvn";
  for (int i = 0; i < 10; ++i) {
    name += kAlphabet[bits % (sizeof kAlphabet - 1)];
    bits /= sizeof kAlphabet - 1;
  }
  return name + ".tmp";
}

}  // namespace

unsigned TempFolderPath(unsigned bufferSize, char* buffer) {
  const std::string folder = TempFolder();
  const size_t needed = folder.size() + 1;
  if (buffer == nullptr || bufferSize < needed) return static_cast<unsigned>(needed);
  std::memcpy(buffer, folder.c_str(), needed);
  return static_cast<unsigned>(folder.size());
}

bool CreateUniqueFile(const char* folder, char* path, size_t pathSize) {
  if (folder == nullptr || folder[0] == '\0' || path == nullptr) return false;
  std::string prefix = folder;
  if (prefix.back() != kPathSeparator) prefix += kPathSeparator;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = prefix + UniqueFileName();
    if (candidate.size() + 1 > pathSize) return false;
    // O_EXCL refuses any existing name, a link included; O_NOFOLLOW says so once more.
    const int fd =
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    close(fd);
    std::memcpy(path, candidate.c_str(), candidate.size() + 1);
    return true;
  }
  return false;
}

bool ReplaceFileWith(const char* from, const char* to) {
  // rename(2) replaces the directory entry at `to`, so a link there is itself replaced.
  return from != nullptr && to != nullptr && std::rename(from, to) == 0;
}

bool RemoveFile(const char* path) {
  return path != nullptr && unlink(path) == 0;
}

namespace control {

void SetTempFolder(const std::string& folder) {
  Temp().folder = folder;
}

bool QueueUniqueFileName(const std::string& name) {
  Temp().queuedNames.push_back(name);
  return true;
}

namespace internal {

void ResetTempFolder() {
  Temp() = TempFiles();
}

}  // namespace internal
}  // namespace control
}  // namespace platform
