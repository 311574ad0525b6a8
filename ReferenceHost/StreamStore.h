// The host's streams (ASStm), files (ASFile) and path names (ASPathName). Handles are
// host numbers checked on every use; the store counts what is live so tests can see
// leaks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "HostAbi.h"

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
  // Reads bytes the stream holds itself (decoded stream data).
  Handle OpenBuffer(std::string data);
  size_t Read(Handle stm, char* buffer, size_t bytes);  // bytes read; 0 at the end
  size_t Write(Handle stm, const char* buffer, size_t bytes);
  void Flush(Handle stm);
  void Close(Handle stm);
  // Moves a read stream to `offset` bytes from its start.
  void Seek(Handle stm, uint64_t offset);

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
  enum class Kind { Memory, FileRead, FileWrite, Object, Buffer };
  struct Stream {
    explicit Stream(Kind k) : kind(k) {}
    Kind kind;
    uint64_t position = 0;
    const char* memory = nullptr;
    size_t memorySize = 0;
    Handle file = nullptr;
    CosObj object{0, 0};
    std::string buffer;
  };
  struct File {
    std::FILE* fp;
    std::string path;
    bool readable, writable;
  };
  Stream& StreamOf(Handle stm);
  File& FileOf(Handle file);
  Handle AddStream(Stream stream);

  ObjectStore& objects_;
  std::map<Handle, Stream> streams_;
  std::map<Handle, File> files_;
  std::map<Handle, std::string> paths_;
};

}  // namespace refhost
