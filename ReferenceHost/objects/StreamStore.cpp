#include "StreamStore.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Host.h"
#include "ObjectStore.h"

namespace refhost {
namespace {

// 64-bit positioning on every platform (long is 32 bits on Windows).
bool SeekTo(std::FILE* fp, uint64_t offset) {
#if defined(_WIN32)
  return _fseeki64(fp, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(fp, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

// Decoded data is kept in windows of this size: the first piece, and what a seek forward
// skips to.
constexpr size_t kDecodeWindowSize = 64 * 1024;
// Stored data kept in a file is read in pieces of this size.
constexpr size_t kRawBufferSize = 256 * 1024;

int64_t EndOf(std::FILE* fp) {
#if defined(_WIN32)
  if (_fseeki64(fp, 0, SEEK_END) != 0) return -1;
  return _ftelli64(fp);
#else
  if (fseeko(fp, 0, SEEK_END) != 0) return -1;
  return ftello(fp);
#endif
}

}  // namespace

StreamStore::~StreamStore() {
  for (auto& file : files_) std::fclose(file.second.fp);
}

Handle StreamStore::AddStream(Stream stream) {
  const Handle stm = Host::Current().NewHandle();
  streams_.emplace(stm, std::move(stream));
  return stm;
}

StreamStore::Stream& StreamStore::StreamOf(Handle stm) {
  auto found = streams_.find(stm);
  if (found == streams_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

StreamStore::File& StreamStore::FileOf(Handle file) {
  auto found = files_.find(file);
  if (found == files_.end()) throw HostError(kErrBadParameter);
  return found->second;
}

Handle StreamStore::OpenMemory(const char* data, size_t size) {
  if (data == nullptr && size != 0) throw HostError(kErrBadParameter);
  Stream stream(Kind::Memory);
  stream.memory = data;
  stream.memorySize = size;
  return AddStream(std::move(stream));
}

Handle StreamStore::OpenFile(Handle file, bool write) {
  const File& opened = FileOf(file);
  if (write ? !opened.writable : !opened.readable) throw HostError(kErrBadParameter);
  Stream stream(write ? Kind::FileWrite : Kind::FileRead);
  stream.file = file;
  return AddStream(std::move(stream));
}

Handle StreamStore::OpenObject(CosObj object) {
  if (objects_.At(objects_.Resolve(object)).type != kCosStream) throw HostError(kErrTypeMismatch);
  Stream stream(Kind::Object);
  stream.object = object;
  return AddStream(std::move(stream));
}

Handle StreamStore::OpenDecoded(CosObj object, int flatePasses) {
  if (objects_.At(objects_.Resolve(object)).type != kCosStream) throw HostError(kErrTypeMismatch);
  Stream stream(Kind::Decoded);
  stream.object = object;
  stream.decoder.reset(new FlateReader(flatePasses));
  DecodeWindow(stream);
  return AddStream(std::move(stream));
}

class StreamStore::RawInput : public EncodedInput {
 public:
  RawInput(StreamStore& store, Stream& stream) : store_(store), stream_(stream) {}
  const char* Piece(uint64_t offset, size_t* size) override {
    return store_.RawPiece(stream_, offset, size);
  }

 private:
  StreamStore& store_;
  Stream& stream_;
};

const char* StreamStore::RawPiece(Stream& stream, uint64_t offset, size_t* size) {
  const NodeId id = objects_.Resolve(stream.object);  // fails once the document closed
  const Node& node = objects_.At(id);
  const uint64_t total = objects_.StoredSize(id);
  *size = 0;
  if (offset >= total) return nullptr;
  if (!node.source) {
    *size = static_cast<size_t>(total - offset);
    return node.data.data() + offset;
  }
  if (offset < stream.rawStart || offset >= stream.rawStart + stream.rawSize) {
    if (!stream.raw) stream.raw.reset(new char[kRawBufferSize]);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kRawBufferSize, total - offset));
    stream.rawSize = 0;  // until the read succeeds
    objects_.ReadStored(id, offset, stream.raw.get(), n);
    stream.rawStart = offset;
    stream.rawSize = n;
  }
  *size = static_cast<size_t>(stream.rawStart + stream.rawSize - offset);
  return stream.raw.get() + (offset - stream.rawStart);
}

bool StreamStore::DecodeWindow(Stream& stream) {
  std::string& window = stream.window;
  window.resize(kDecodeWindowSize);
  size_t got = 0;
  try {
    RawInput input(*this, stream);
    got = stream.decoder->Read(input, &window[0], window.size());
  } catch (...) {
    window.clear();
    throw;
  }
  window.resize(got);
  stream.produced += got;
  return got > 0;
}

// The window holds decoded bytes [produced - window size, produced). A read before it
// decodes again from the start; one after it decodes and drops what lies between; one at
// `produced` decodes straight into the caller's buffer.
size_t StreamStore::ReadDecoded(Stream& stream, char* buffer, size_t bytes) {
  if (stream.position < stream.produced - stream.window.size()) {
    stream.decoder->Rewind();
    stream.produced = 0;
    stream.window.clear();
  }
  while (stream.position > stream.produced)
    if (!DecodeWindow(stream)) return 0;
  size_t got = 0;
  if (stream.position < stream.produced) {
    got = static_cast<size_t>(std::min<uint64_t>(bytes, stream.produced - stream.position));
    const size_t offset =
        stream.window.size() - static_cast<size_t>(stream.produced - stream.position);
    std::memcpy(buffer, stream.window.data() + offset, got);
  }
  if (got < bytes) {
    RawInput input(*this, stream);
    const size_t more = stream.decoder->Read(input, buffer + got, bytes - got);
    stream.produced += more;
    stream.window.clear();
    got += more;
  }
  stream.position += got;
  return got;
}

bool StreamStore::PositionFile(File& file, LastAccess access, uint64_t offset) {
  if (file.last == access && file.position == offset) return true;
  // stdio needs a seek between a read and a write of the same FILE anyway.
  file.last = LastAccess::Unknown;
  if (!SeekTo(file.fp, offset)) return false;
  file.last = access;
  file.position = offset;
  return true;
}

size_t StreamStore::Read(Handle stm, char* buffer, size_t bytes) {
  Stream& stream = StreamOf(stm);
  if (bytes == 0) return 0;
  if (buffer == nullptr) throw HostError(kErrBadParameter);
  const char* source = nullptr;
  size_t size = 0;
  switch (stream.kind) {
    case Kind::Memory:
      source = stream.memory;
      size = stream.memorySize;
      break;
    case Kind::Object: {
      size_t got = 0;
      while (got < bytes) {
        size_t available = 0;
        const char* piece = RawPiece(stream, stream.position, &available);
        if (available == 0) break;
        const size_t n = std::min(available, bytes - got);
        std::memcpy(buffer + got, piece, n);
        got += n;
        stream.position += n;
      }
      return got;
    }
    case Kind::Decoded:
      return ReadDecoded(stream, buffer, bytes);
    case Kind::FileRead: {
      File& file = FileOf(stream.file);
      if (!PositionFile(file, LastAccess::Read, stream.position)) throw HostError(kErrFileRead);
      const size_t got = std::fread(buffer, 1, bytes, file.fp);
      file.position += got;
      if (got < bytes) {
        // At the end or failed: the next access seeks, which clears the end mark.
        file.last = LastAccess::Unknown;
        if (std::ferror(file.fp)) {
          std::clearerr(file.fp);
          throw HostError(kErrFileRead);
        }
      }
      stream.position += got;
      return got;
    }
    case Kind::FileWrite:
      throw HostError(kErrBadParameter);
  }
  if (stream.position >= size) return 0;
  const size_t got = std::min<uint64_t>(bytes, size - stream.position);
  std::memcpy(buffer, source + stream.position, got);
  stream.position += got;
  return got;
}

size_t StreamStore::Write(Handle stm, const char* buffer, size_t bytes) {
  Stream& stream = StreamOf(stm);
  if (stream.kind != Kind::FileWrite) throw HostError(kErrBadParameter);
  if (bytes == 0) return 0;
  if (buffer == nullptr) throw HostError(kErrBadParameter);
  File& file = FileOf(stream.file);
  if (!PositionFile(file, LastAccess::Write, stream.position)) throw HostError(kErrFileWrite);
  const size_t put = std::fwrite(buffer, 1, bytes, file.fp);
  stream.position += put;
  file.position += put;
  if (put < bytes) {
    file.last = LastAccess::Unknown;
    std::clearerr(file.fp);
    throw HostError(kErrFileWrite);
  }
  return put;
}

void StreamStore::Flush(Handle stm) {
  Stream& stream = StreamOf(stm);
  if (stream.kind == Kind::FileWrite && std::fflush(FileOf(stream.file).fp) != 0)
    throw HostError(kErrFileWrite);
}

void StreamStore::Close(Handle stm) {
  Stream& stream = StreamOf(stm);
  // A write stream hands its data to the file before it goes; the stream is closed
  // either way.
  const bool flushFailed = stream.kind == Kind::FileWrite && files_.count(stream.file) != 0 &&
                           std::fflush(files_[stream.file].fp) != 0;
  streams_.erase(stm);
  if (flushFailed) throw HostError(kErrFileWrite);
}

void StreamStore::Seek(Handle stm, uint64_t offset) {
  Stream& stream = StreamOf(stm);
  if (stream.kind == Kind::FileWrite) throw HostError(kErrBadParameter);
  stream.position = offset;
}

uint64_t StreamStore::KnownRemaining(Handle stm) {
  Stream& stream = StreamOf(stm);
  uint64_t size = 0;
  switch (stream.kind) {
    case Kind::Memory:
      size = stream.memorySize;
      break;
    case Kind::Object:
      size = objects_.StoredSize(objects_.Resolve(stream.object));
      break;
    case Kind::FileRead: {
      File& file = FileOf(stream.file);
      file.last = LastAccess::Unknown;  // EndOf moves the FILE's position
      const int64_t end = EndOf(file.fp);
      if (end < 0) return 0;
      size = static_cast<uint64_t>(end);
      break;
    }
    case Kind::Decoded:
    case Kind::FileWrite:
      return 0;
  }
  return size > stream.position ? size - stream.position : 0;
}

Handle StreamStore::CreatePath(const std::string& path) {
  const Handle handle = Host::Current().NewHandle();
  paths_.emplace(handle, path);
  return handle;
}

void StreamStore::ReleasePath(Handle path) {
  if (paths_.erase(path) == 0) throw HostError(kErrBadParameter);
}

// Opens `name` for reading and writing as an empty file. A file that is already empty
// is opened as it is rather than truncated: ext4 takes a truncation to zero for a file
// being replaced and starts writing the new data to disk when it is closed, which would
// make every file the plug-in first creates exclusively and then fills slow to close.
std::FILE* StreamStore::OpenEmpty(const std::string& name) {
  if (std::FILE* existing = std::fopen(name.c_str(), "r+b")) {
    if (EndOf(existing) == 0) {
      std::rewind(existing);
      return existing;
    }
    std::fclose(existing);
  }
  return std::fopen(name.c_str(), "w+b");
}

ASErrorCode StreamStore::OpenFile(Handle path, unsigned mode, Handle* file) {
  if (file == nullptr) return kErrBadParameter;
  *file = nullptr;
  auto found = paths_.find(path);
  if (found == paths_.end()) return kErrBadParameter;
  if (mode == 0 || (mode & ~(kFileRead | kFileWrite | kFileCreate)) != 0) return kErrBadParameter;
  const std::string& name = found->second;
  // Only regular files: a folder cannot be read as one, and a FIFO or device would block
  // the viewer on its opening or reading. A name that does not exist is left to fopen,
  // which creates it when asked to.
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(name, error);
  if (name.empty() ||
      (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)))
    return kErrFileOpen;
  // Create (with or without write) makes a new empty file; write alone updates an
  // existing one; read alone reads one.
  std::FILE* fp = (mode & kFileCreate)
                      ? OpenEmpty(name)
                      : std::fopen(name.c_str(), (mode & kFileWrite) ? "r+b" : "rb");
  if (fp == nullptr) return kErrFileOpen;
  // glibc sizes its own buffer by the file system's block (4 KiB) and ignores a size
  // given without a buffer, so the buffer is ours.
  std::unique_ptr<char[]> buffer(new char[kFileBufferSize]);
  std::setvbuf(fp, buffer.get(), _IOFBF, kFileBufferSize);
  const Handle handle = Host::Current().NewHandle();
  files_.emplace(handle,
                 File{fp, name, (mode & kFileRead) != 0, (mode & (kFileWrite | kFileCreate)) != 0,
                      LastAccess::Unknown, 0, std::move(buffer)});
  *file = handle;
  return kErrNone;
}

void StreamStore::CloseFile(Handle file) {
  File& opened = FileOf(file);
  const bool failed = std::fclose(opened.fp) != 0;
  files_.erase(file);
  if (failed) throw HostError(kErrFileWrite);
}

int64_t StreamStore::FileLength(Handle file) {
  File& opened = FileOf(file);
  if (std::fflush(opened.fp) != 0) throw HostError(kErrFileWrite);
  opened.last = LastAccess::Unknown;  // EndOf moves the FILE's position
  const int64_t end = EndOf(opened.fp);
  if (end < 0) throw HostError(kErrFileRead);
  return end;
}

}  // namespace refhost
