// AcroSupport streams, files and path names over the host's stream store and the
// default file system.
#include <cstring>
#include <limits>

#include "Host.h"
#include "StreamStore.h"

namespace refhost {
namespace {

StreamStore& Streams() {
  return Host::Current().streams();
}

// Only the default file system exists; callers name it with a null handle.
void CheckFileSys(Handle fileSys) {
  if (fileSys != nullptr) throw HostError(kErrBadParameter);
}

Handle ASFileSysCreatePathName(Handle fileSys, ASAtom pathSpecType, const void* pathSpec,
                               const void* mustBeZero) {
  CheckFileSys(fileSys);
  const char* type = Host::Current().AtomText(pathSpecType);
  if (type == nullptr || std::strcmp(type, "Cstring") != 0 || pathSpec == nullptr ||
      mustBeZero != nullptr)
    throw HostError(kErrBadParameter);
  return Streams().CreatePath(static_cast<const char*>(pathSpec));
}

void ASFileSysReleasePath(Handle fileSys, Handle path) {
  CheckFileSys(fileSys);
  Streams().ReleasePath(path);
}

// Reports failure by its result: a file that cannot be opened is an everyday event.
ASErrorCode ASFileSysOpenFile(Handle fileSys, Handle path, ASUns16 mode, Handle* file) {
  if (fileSys != nullptr) {
    if (file != nullptr) *file = nullptr;
    return kErrBadParameter;
  }
  return Streams().OpenFile(path, mode, file);
}

ASInt32 ASFileClose(Handle file) {
  Streams().CloseFile(file);
  return 0;
}

// The length is a 32-bit count: a file of 2 GiB or more has none.
ASInt32 ASFileGetEOF(Handle file) {
  const int64_t length = Streams().FileLength(file);
  if (length > std::numeric_limits<ASInt32>::max()) throw HostError(kErrFileTooBig);
  return static_cast<ASInt32>(length);
}

Handle ASFileStmRdOpen(Handle file, ASUns32 /*bufferSize*/) {
  return Streams().OpenFile(file, false);
}
Handle ASFileStmWrOpen(Handle file, ASUns32 /*bufferSize*/) {
  return Streams().OpenFile(file, true);
}
Handle ASMemStmRdOpen(char* data, ASUns32 length) {
  return Streams().OpenMemory(data, length);
}

size_t ByteCount(ASTCount itemSize, ASTCount count) {
  if (itemSize <= 0 || count < 0) throw HostError(kErrBadParameter);
  const uint64_t bytes = static_cast<uint64_t>(itemSize) * static_cast<uint64_t>(count);
  if (bytes > std::numeric_limits<size_t>::max()) throw HostError(kErrBadParameter);
  return static_cast<size_t>(bytes);
}

// Reads whole items; like fread, a partial item at the end is consumed but not counted.
ASTCount ASStmRead(char* buffer, ASTCount itemSize, ASTCount count, Handle stm) {
  const size_t wanted = ByteCount(itemSize, count);
  size_t got = 0;
  while (got < wanted) {
    const size_t n = Streams().Read(stm, buffer + got, wanted - got);
    if (n == 0) break;
    got += n;
  }
  return static_cast<ASTCount>(got / static_cast<size_t>(itemSize));
}

ASTCount ASStmWrite(const char* buffer, ASTCount itemSize, ASTCount count, Handle stm) {
  const size_t bytes = ByteCount(itemSize, count);
  return static_cast<ASTCount>(Streams().Write(stm, buffer, bytes) / static_cast<size_t>(itemSize));
}

ASInt32 ASStmFlush(Handle stm) {
  Streams().Flush(stm);
  return 0;
}

void ASStmClose(Handle stm) {
  Streams().Close(stm);
}

}  // namespace

void InstallFileOperations(Host& host) {
  using namespace slot;
  host.Install<Table::AcroSupport, AcroSupport::ASFileSysCreatePathName,
               &ASFileSysCreatePathName>();
  host.Install<Table::AcroSupport, AcroSupport::ASFileSysReleasePath, &ASFileSysReleasePath>();
  host.Install<Table::AcroSupport, AcroSupport::ASFileSysOpenFile, &ASFileSysOpenFile>();
  host.Install<Table::AcroSupport, AcroSupport::ASFileClose, &ASFileClose>();
  host.Install<Table::AcroSupport, AcroSupport::ASFileGetEOF, &ASFileGetEOF>();
  host.Install<Table::AcroSupport, AcroSupport::ASFileStmRdOpen, &ASFileStmRdOpen>();
  host.Install<Table::AcroSupport, AcroSupport::ASFileStmWrOpen, &ASFileStmWrOpen>();
  host.Install<Table::AcroSupport, AcroSupport::ASMemStmRdOpen, &ASMemStmRdOpen>();
  host.Install<Table::AcroSupport, AcroSupport::ASStmRead, &ASStmRead>();
  host.Install<Table::AcroSupport, AcroSupport::ASStmWrite, &ASStmWrite>();
  host.Install<Table::AcroSupport, AcroSupport::ASStmFlush, &ASStmFlush>();
  host.Install<Table::AcroSupport, AcroSupport::ASStmClose, &ASStmClose>();
}

}  // namespace refhost
