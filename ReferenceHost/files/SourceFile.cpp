#include "SourceFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "Host.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace refhost {
namespace {

#if defined(_WIN32)
std::string SystemMessage(DWORD code) {
  char text[512] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, text, sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "system error " + std::to_string(code) : message;
}

HANDLE AsHandle(intptr_t native) {
  return reinterpret_cast<HANDLE>(native);
}
#endif

}  // namespace

bool SourceFile::Identity::operator==(const Identity& other) const {
  return size == other.size && modifiedSeconds == other.modifiedSeconds &&
         modifiedFraction == other.modifiedFraction;
}

#if defined(_WIN32)

std::shared_ptr<SourceFile> SourceFile::Open(const std::string& path, std::FILE** reading) {
  // Others may read, write, rename and delete it meanwhile, as on other systems; what
  // changes its data is seen by Unchanged().
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) throw std::runtime_error(SystemMessage(GetLastError()));
  BY_HANDLE_FILE_INFORMATION info;
  // A device (NUL, CON, COM1, a pipe) is not a disk file; a folder opens with backup
  // semantics and says so in its attributes.
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(handle);
    throw std::runtime_error("it is not a regular file");
  }
  // The document's own handle of the same file, with its own file position.
  HANDLE own = ReOpenFile(handle, GENERIC_READ, share, 0);
  if (own == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    throw std::runtime_error(SystemMessage(error));
  }
  std::shared_ptr<SourceFile> file(new SourceFile(reinterpret_cast<intptr_t>(own)));
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    throw std::runtime_error("the file could not be given to the reader");
  }
  *reading = _fdopen(fd, "rb");
  if (*reading == nullptr) {
    _close(fd);
    throw std::runtime_error("the file could not be given to the reader");
  }
  return file;
}

void SourceFile::CloseNative(intptr_t native) {
  CloseHandle(AsHandle(native));
}

// Two queries of the open handle's size and times. GetFileInformationByHandle would answer
// both at once, but it also asks for the volume's serial number, which under wine costs
// about a millisecond a call: twice for every piece read, more than the reading itself.
bool SourceFile::Current(Identity* identity) const {
  LARGE_INTEGER size;
  FILETIME modified;
  if (!GetFileSizeEx(AsHandle(native_), &size) ||
      !GetFileTime(AsHandle(native_), nullptr, nullptr, &modified))
    return false;
  identity->size = static_cast<uint64_t>(size.QuadPart);
  identity->modifiedSeconds =
      (static_cast<int64_t>(modified.dwHighDateTime) << 32) | modified.dwLowDateTime;
  identity->modifiedFraction = 0;
  return true;
}

size_t SourceFile::Peek(uint64_t offset, char* buffer, size_t bytes) const {
  size_t got = 0;
  while (got < bytes) {
    // A positioned read: the handle's own position is not used.
    OVERLAPPED at{};
    const uint64_t from = offset + got;
    at.Offset = static_cast<DWORD>(from & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(from >> 32);
    const DWORD piece = bytes - got > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes - got);
    DWORD n = 0;
    if (!ReadFile(AsHandle(native_), buffer + got, piece, &n, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      throw HostError(kErrFileRead);
    }
    if (n == 0) break;
    got += n;
  }
  return got;
}

#else

std::shared_ptr<SourceFile> SourceFile::Open(const std::string& path, std::FILE** reading) {
  // Not blocking: a FIFO's opening would wait for a writer. The check is made on what was
  // opened, not on a name that could change in between.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::strerror(errno));
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    throw std::runtime_error("it is not a regular file");
  }
  // The document's own descriptor of the same file.
  const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) {
    const int error = errno;
    close(fd);
    throw std::runtime_error(std::strerror(error));
  }
  std::shared_ptr<SourceFile> file(new SourceFile(own));
  *reading = fdopen(fd, "rb");
  if (*reading == nullptr) {
    const int error = errno;
    close(fd);
    throw std::runtime_error(std::strerror(error));
  }
  return file;
}

void SourceFile::CloseNative(intptr_t native) {
  close(static_cast<int>(native));
}

bool SourceFile::Current(Identity* identity) const {
  struct stat now;
  if (fstat(static_cast<int>(native_), &now) != 0) return false;
  identity->size = static_cast<uint64_t>(now.st_size);
  identity->modifiedSeconds = now.st_mtim.tv_sec;
  identity->modifiedFraction = now.st_mtim.tv_nsec;
  return true;
}

size_t SourceFile::Peek(uint64_t offset, char* buffer, size_t bytes) const {
  size_t got = 0;
  while (got < bytes) {
    const ssize_t n = pread(static_cast<int>(native_), buffer + got, bytes - got,
                            static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw HostError(kErrFileRead);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

#endif

SourceFile::SourceFile(intptr_t native) : native_(native) {
  if (!Current(&opened_)) {
    CloseNative(native_);
    throw std::runtime_error("the opened file could not be examined");
  }
}

SourceFile::~SourceFile() {
  CloseNative(native_);
}

bool SourceFile::Unchanged() const {
  Identity now;
  return Current(&now) && now == opened_;
}

void SourceFile::ReadAt(uint64_t offset, char* buffer, size_t bytes) const {
  if (!Unchanged()) throw HostError(kErrFileRead);
  if (Peek(offset, buffer, bytes) != bytes || !Unchanged()) throw HostError(kErrFileRead);
}

}  // namespace refhost
