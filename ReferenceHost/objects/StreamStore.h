// The host's streams (ASStm), files (ASFile) and path names (ASPathName). Handles are
// host numbers checked on every use; the store counts what is live so tests can see
// leaks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "HostAbi.h"
#include "StreamFilters.h"

namespace refhost {

class ObjectStore;

// Modes of ASFileSysOpenFile.
enum : unsigned { kFileRead = 1, kFileWrite = 2, kFileCreate = 4 };

class StreamStore {
 public:
  explicit StreamStore(ObjectStore& objects) : objects_(objects) {}
  ~StreamStore();
  StreamStore(const StreamStore&) = delete;
  StreamStore& operator=(const StreamStore&) = delete;

  // --- Streams (every failure throws HostError) -------------------------------------
  // Reads the caller's memory in place; the caller keeps it alive until the close.
  Handle OpenMemory(const char* data, size_t size);
  // Reads or writes a file from its start.
  Handle OpenFile(Handle file, bool write);
  // Reads a stream object's stored data in place; fails once its document closes.
  Handle OpenObject(CosObj stream);
  // Reads a stream object's data decoded through `flatePasses` FlateDecode filters, piece
  // by piece as it is read, in memory that does not grow with the data. The first piece is
  // decoded at once, so that data damaged from the start is refused here; damage found
  // later raises kErrBadStreamData from the read that meets it. Fails once the object's
  // document closes.
  Handle OpenDecoded(CosObj stream, int flatePasses);
  size_t Read(Handle stm, char* buffer, size_t bytes);  // bytes read; 0 at the end
  size_t Write(Handle stm, const char* buffer, size_t bytes);
  void Flush(Handle stm);
  void Close(Handle stm);
  // Moves a read stream to `offset` bytes from its start.
  void Seek(Handle stm, uint64_t offset);
  // How many bytes a read stream still holds, when that is known without reading (a
  // file's, memory's or an object's raw data); 0 when it is not.
  uint64_t KnownRemaining(Handle stm);

  // --- Files and path names -----------------------------------------------------------
  Handle CreatePath(const std::string& path);
  void ReleasePath(Handle path);
  // Answers kErrNone with `*file` set, or kErrFileOpen (kErrBadParameter for a bad
  // path or mode) with `*file` null; never throws for a file that cannot be opened.
  ASErrorCode OpenFile(Handle path, unsigned mode, Handle* file);
  void CloseFile(Handle file);
  int64_t FileLength(Handle file);

  size_t LiveStreams() const { return streams_.size(); }
  size_t OpenFiles() const { return files_.size(); }
  size_t LivePaths() const { return paths_.size(); }

 private:
  enum class Kind { Memory, FileRead, FileWrite, Object, Decoded };
  struct Stream {
    explicit Stream(Kind k) : kind(k) {}
    Kind kind;
    uint64_t position = 0;
    const char* memory = nullptr;
    size_t memorySize = 0;
    Handle file = nullptr;
    CosObj object{0, 0};
    // A decoded stream: its decoder, how many decoded bytes it has produced, and the last
    // of them kept in `window` (the first piece, or what a seek forward skipped to).
    std::unique_ptr<FlateReader> decoder;
    uint64_t produced = 0;
    std::string window;
    // An object's stored data kept in a file is read through this buffer: the bytes from
    // `rawStart`, `rawSize` of them.
    std::unique_ptr<char[]> raw;
    uint64_t rawStart = 0;
    size_t rawSize = 0;
  };
  class RawInput;
  // Where the FILE's position is known to stand after the last read or write through
  // it, so that a stream going on from there needs no seek (a seek empties stdio's
  // buffer).
  enum class LastAccess { Unknown, Read, Write };
  // Files are buffered in pieces of this size, as the viewer's file layer does, so that
  // a stream written a few KiB at a time reaches the disk in large writes.
  static constexpr size_t kFileBufferSize = 64 * 1024;
  struct File {
    std::FILE* fp;
    std::string path;
    bool readable, writable;
    LastAccess last = LastAccess::Unknown;
    uint64_t position = 0;
    // stdio's buffer for `fp`; it must outlive the FILE, so it is freed after fclose.
    std::unique_ptr<char[]> buffer;
  };
  static std::FILE* OpenEmpty(const std::string& name);
  Stream& StreamOf(Handle stm);
  File& FileOf(Handle file);
  Handle AddStream(Stream stream);
  // Positions the file for an access at `offset`, seeking only when needed.
  bool PositionFile(File& file, LastAccess access, uint64_t offset);
  size_t ReadDecoded(Stream& stream, char* buffer, size_t bytes);
  // The object's stored bytes from `offset` on, as EncodedInput::Piece answers them.
  const char* RawPiece(Stream& stream, uint64_t offset, size_t* size);
  // Decodes the next piece into the stream's window; false at the end.
  bool DecodeWindow(Stream& stream);

  ObjectStore& objects_;
  std::map<Handle, Stream> streams_;
  std::map<Handle, File> files_;
  std::map<Handle, std::string> paths_;
};

}  // namespace refhost
