// The PDF file a document was opened from, held open while any of its stream data is kept
// there. The open file pins what was opened: a file renamed, deleted or saved over under
// its name stays readable and unchanged. A file changed in place cannot be read
// consistently, so its size and modification time are taken at the opening and compared
// on the open file before and after every read; data read while they differ is refused
// (kErrFileRead), never handed out short or wrong. (Which file it is, its volume and file
// number, cannot change while it is held open, so that is not asked again.)
// Every write sets the modification time; what could slip past is a write that keeps the
// size and lands in the clock tick of the file's last change before the opening, or one
// whose writer sets the time back. (The status-change time is not compared: renaming a
// file over this one's name changes it without touching the data.)
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "ObjectStore.h"

namespace refhost {

class SourceFile : public StoredData {
 public:
  // Opens `path` if it is a regular file (not a folder, FIFO or device; the opening does
  // not block on a FIFO), and answers it with a stdio stream of the same file, positioned
  // at its start, for the parser; the caller closes that stream. Throws
  // std::runtime_error with the reason.
  static std::shared_ptr<SourceFile> Open(const std::string& path, std::FILE** reading);
  ~SourceFile() override;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  bool Unchanged() const;
  // Up to `bytes` from `offset`; fewer only at the end of the file. Raises kErrFileRead.
  size_t Peek(uint64_t offset, char* buffer, size_t bytes) const;
  void ReadAt(uint64_t offset, char* buffer, size_t bytes) const override;

  // What a change in place alters.
  struct Identity {
    uint64_t size = 0;
    int64_t modifiedSeconds = 0, modifiedFraction = 0;
    bool operator==(const Identity& other) const;
  };

 private:
  explicit SourceFile(intptr_t native);
  static void CloseNative(intptr_t native);
  bool Current(Identity* identity) const;

  intptr_t native_;  // a descriptor, or a Windows file handle
  Identity opened_;
};

}  // namespace refhost
