#include "ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace refhost {
namespace {

// The folder part of `target`, with its separator; empty for a bare name.
std::string FolderOf(const std::string& target) {
#if defined(_WIN32)
  // Double-byte characters of the ANSI code page may have a backslash as their trail byte.
  size_t end = std::string::npos;
  for (const char* at = target.c_str(); *at != '\0'; at = CharNextA(at))
    if (*at == '/' || *at == '\\' || *at == ':') end = static_cast<size_t>(at - target.c_str());
#else
  const size_t end = target.find_last_of('/');
#endif
  return end == std::string::npos ? std::string() : target.substr(0, end + 1);
}

// ".refhost-", ten random letters or digits, ".tmp". Its length does not depend on the
// target's name, so a target whose name is as long as names can be still gets one.
std::string UniqueName() {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  uint64_t bits = (static_cast<uint64_t>(random()) << 32) | random();  // 36^10 < 2^52
  std::string name = ".refhost-";
  for (int i = 0; i < 10; ++i) {
    name += kAlphabet[bits % (sizeof kAlphabet - 1)];
    bits /= sizeof kAlphabet - 1;
  }
  return name + ".tmp";
}

// Creates `path` for writing, refusing any name that exists (a link included); -1 with
// errno set when it cannot. The permissions are those of any new file (the umask applies).
int CreateExclusive(const std::string& path) {
#if defined(_WIN32)
  return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
#else
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
#endif
}

std::runtime_error SystemError(const std::string& what, int error) {
  return std::runtime_error(what + ": " + std::strerror(error));
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
  const std::string folder = FolderOf(target);
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    path_ = folder + UniqueName();
    fd = CreateExclusive(path_);
    if (fd < 0 && (errno != EEXIST || attempt >= 100))
      throw SystemError("cannot create '" + path_ + "'", errno);
  }
#if defined(_WIN32)
  stream_ = _fdopen(fd, "wb");
#else
  stream_ = fdopen(fd, "wb");
#endif
  if (stream_ == nullptr) {
    const int error = errno;
#if defined(_WIN32)
    _close(fd);
#else
    close(fd);
#endif
    std::remove(path_.c_str());
    throw SystemError("cannot write '" + path_ + "'", error);
  }
}

ReplacementFile::~ReplacementFile() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!committed_) std::remove(path_.c_str());
}

void ReplacementFile::Commit() {
  std::FILE* stream = stream_;
  stream_ = nullptr;
  // A write that failed before may have left only the stream's error mark; a flush gives
  // its reason while its data is still waiting.
  std::string why;
  if (std::fflush(stream) != 0)
    why = std::strerror(errno);
  else if (std::ferror(stream))
    why = "a write failed";
  if (std::fclose(stream) != 0 && why.empty()) why = std::strerror(errno);
  if (!why.empty()) throw std::runtime_error("cannot write '" + path_ + "': " + why);
#if defined(_WIN32)
  // Paths are in the ANSI code page, which the A function reads; the library's paths would
  // take narrow strings for UTF-8.
  if (!MoveFileExA(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD code = GetLastError();
    // Windows replaces no file that is open (here or in another program).
    const std::string why = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION
                                ? "the file is in use or may not be replaced"
                                : "Windows error " + std::to_string(code);
    throw std::runtime_error("cannot rename '" + path_ + "' to '" + target_ + "': " + why);
  }
#else
  std::error_code error;
  std::filesystem::rename(path_, target_, error);
  if (error)
    throw std::runtime_error("cannot rename '" + path_ + "' to '" + target_ +
                             "': " + error.message());
#endif
  committed_ = true;
}

}  // namespace refhost
