#include "AnnotHandler/SceneExtraction.h"

#include <cstdio>
#include <cstring>

#include "HostInterface/HostInterface.h"
#include "Platform.h"

namespace {

constexpr char kKeyScene[] = "KXTRIVOPlayerF";
constexpr char kKeyFilename[] = "Filename";
constexpr char kKeySubtype[] = "Subtype";
// GetTempPathA's customary buffer.
constexpr unsigned kTempPathBufferSize = 260;
// Room for a full path in the temporary folder, NUL included.
constexpr size_t kTempFilePathSize = 1024;
// The copy goes through one fixed buffer: memory use does not grow with the scene.
constexpr ASTCount kCopyBufferSize = 4096;

bool ReadName(CosObj stream, const char* key, char* text) {
  const CosObj value = GetDictKey(stream, key);
  if (CosObjGetType(value) != CosName) return false;
  const char* name = ASAtomGetString(CosNameValue(value));
  std::strncpy(text, name != nullptr ? name : "", kSceneNameSize - 1);
  text[kSceneNameSize - 1] = '\0';
  return true;
}

// What the copy holds open. Written inside the guarded copy and read by its handler,
// hence volatile.
struct OpenExtraction {
  ASStm volatile in;
  ASPathName volatile pathName;
  ASFile volatile file;
  ASStm volatile out;
};

// What is still open, in the order the copy closes it.
void ReleaseExtraction(OpenExtraction* open) {
  ReleaseOnce(open->out, ASStmClose);
  ReleaseOnce(open->in, ASStmClose);
  ReleaseOnce(open->file, ASFileClose);
  ReleaseOnce(open->pathName, [](ASPathName path) { ASFileSysReleasePath(nullptr, path); });
}

// Copies the decoded scene into the file at `filePath` and closes everything again.
ExtractResult CopyScene(CosObj scene, const char* filePath, int64_t limit, OpenExtraction* open) {
  open->in = CosStreamOpenStm(scene, cosOpenFiltered);
  open->pathName = ASFileSysCreatePathName(nullptr, ASAtomFromString("Cstring"), filePath, nullptr);
  ASFile file = nullptr;
  const ASErrorCode openError =
      ASFileSysOpenFile(nullptr, open->pathName, ASFILE_WRITE | ASFILE_CREATE, &file);
  if (openError != 0 || file == nullptr) {
    ReleaseExtraction(open);
    return ExtractResult::NotWritten;
  }
  open->file = file;
  open->out = ASFileStmWrOpen(file, 0);

  ExtractResult result = ExtractResult::Written;
  char buffer[kCopyBufferSize];
  int64_t total = 0;
  for (ASTCount n = ASStmRead(buffer, 1, kCopyBufferSize, open->in); n > 0;
       n = ASStmRead(buffer, 1, kCopyBufferSize, open->in)) {
    // Stop at the format's limit instead of filling the disk with a scene that expands
    // without bound.
    if (total + n > limit) {
      result = ExtractResult::TooLarge;
      break;
    }
    if (ASStmWrite(buffer, 1, n, open->out) != n) {
      result = ExtractResult::NotWritten;
      break;
    }
    total += n;
  }
  if (ASStmFlush(open->out) != 0 && result == ExtractResult::Written)
    result = ExtractResult::NotWritten;

  bool closed = true;
  ReleaseOnce(open->out, ASStmClose);
  ReleaseOnce(open->in, ASStmClose);
  ReleaseOnce(open->file, [&closed](ASFile file) { closed = ASFileClose(file) == 0; });
  ReleaseOnce(open->pathName, [](ASPathName path) { ASFileSysReleasePath(nullptr, path); });
  if (!closed && result == ExtractResult::Written) result = ExtractResult::NotWritten;
  return result;
}

}  // namespace

bool ReadSceneNames(PDAnnot annot, CosObj* scene, char* baseName, char* extension) {
  const CosObj dict = PDAnnotGetCosObj(annot);
  const CosObj stream = GetDictKey(dict, kKeyScene);
  if (CosObjGetType(stream) != CosStream) return false;
  if (!ReadName(stream, kKeyFilename, baseName) || !ReadName(stream, kKeySubtype, extension))
    return false;
  *scene = stream;
  return true;
}

ExtractResult ExtractEmbeddedScene(CosObj scene, const char* fileName, char* path, size_t pathSize,
                                   int64_t limit) {
  char folder[kTempPathBufferSize];
  const unsigned length = platform::TempFolderPath(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return ExtractResult::NoTempFolder;
  folder[length - 1] = '\0';  // the trailing separator
  const int written =
      std::snprintf(path, pathSize, "%s%c%s", folder, platform::kPathSeparator, fileName);
  if (written < 0 || static_cast<size_t>(written) >= pathSize) return ExtractResult::NotWritten;

  // The unfinished file is made inside the frame, so that even a failing push of the
  // frame leaves none behind.
  char unfinished[kTempFilePathSize];
  volatile bool created = false;
  OpenExtraction open = {nullptr, nullptr, nullptr, nullptr};
  volatile ExtractResult result = ExtractResult::NotWritten;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  created = platform::CreateUniqueFile(folder, unfinished, sizeof unfinished);
  if (created) result = CopyScene(scene, unfinished, limit, &open);
  HOST_HANDLER
  // Release what is open and leave no unfinished file, then let the error go on.
  const ASErrorCode code = ASGetExceptionErrorCode();
  ReleaseExtraction(&open);
  if (created) platform::RemoveFile(unfinished);
  ASRaise(code);
  HOST_END_HANDLER
  if (!created) return ExtractResult::NotWritten;

  if (result == ExtractResult::Written && platform::ReplaceFileWith(unfinished, path))
    return ExtractResult::Written;
  platform::RemoveFile(unfinished);
  return result == ExtractResult::Written ? ExtractResult::NotWritten : result;
}
