#include "Authoring/SceneFormat.h"

#include <cstring>

#include "Authoring/AnnotKeys.h"
#include "Authoring/SceneNames.h"
#include "HostInterface/HostInterface.h"
#include "Platform.h"

namespace {

constexpr char kKeyVersion[] = "Version";
constexpr char kKeyScene[] = "KXTRIVOPlayerF";
constexpr char kSceneVersion[] = "1.0";
constexpr ASInt32 kSceneDictRoom = 5;   // Length, Type, Filename, Subtype, Params
constexpr ASInt32 kParamsDictRoom = 1;  // Size

// What the writer holds open while it copies the scene. Written inside the guarded
// copy and read by its handler, hence volatile.
struct OpenScene {
  ASPathName volatile path;
  ASFile volatile file;
  ASStm volatile stream;
};

void ReleaseScene(OpenScene* open) {
  ReleaseOnce(open->stream, ASStmClose);
  ReleaseOnce(open->file, ASFileClose);
  ReleaseOnce(open->path, [](ASPathName path) { ASFileSysReleasePath(nullptr, path); });
}

// Opens the scene, copies it into a new stream object and fills the stream's dictionary.
CosObj CopySceneIntoStream(CosDoc cosDoc, const char* path, OpenScene* open) {
  ASFile file = nullptr;
  const ASErrorCode openError = ASFileSysOpenFile(nullptr, open->path, ASFILE_READ, &file);
  if (openError != 0) ASRaise(openError);
  open->file = file;
  open->stream = ASFileStmRdOpen(file, 0);
  const ASInt32 length = ASFileGetEOF(file);
  // A file of 2 GiB or more has no 32-bit length; never store a wrapped one.
  if (length < 0) ASRaise(fileErrTooBig);

  const CosObj sceneDict = CosNewDict(cosDoc, ASFalse, kSceneDictRoom);
  PutDictKey(sceneDict, kKeyLength, CosNewInteger(cosDoc, ASFalse, length));
  const CosObj stream =
      CosNewStream(cosDoc, ASTrue, open->stream, 0, ASFalse, sceneDict, CosNewNull(), length);

  const CosObj streamDict = CosStreamDict(stream);
  PutDictKey(streamDict, "Type", NewNameObject(cosDoc, ASFalse, "EmbeddedFile"));
  char name[kScenePathSize];
  char ext[kScenePathSize];
  DeriveSceneNames(path, platform::kPathSeparator, name, sizeof name, ext, sizeof ext);
  PutDictKey(streamDict, "Filename", NewNameObject(cosDoc, ASFalse, name));
  PutDictKey(streamDict, "Subtype", NewNameObject(cosDoc, ASFalse, ext));
  const CosObj params = CosNewDict(cosDoc, ASFalse, kParamsDictRoom);
  PutDictKey(params, "Size", CosNewInteger(cosDoc, ASFalse, length));
  CosDictPut(streamDict, ASAtomFromString("Params"), params);
  return stream;
}

}  // namespace

bool EmbedSceneFile(PDAnnot annotation, AVPageView pageView, const char* scenePath) {
  // The writer's own copy of the path, in plain storage that a host error may jump over.
  char path[kScenePathSize];
  const size_t pathLength = std::strlen(scenePath);
  if (pathLength >= sizeof path) ASRaise(fileErrOpenFailed);
  std::memcpy(path, scenePath, pathLength + 1);

  const CosDoc cosDoc = PDDocGetCosDoc(PDPageGetDoc(AVPageViewGetPage(pageView)));
  const CosObj annotDict = PDAnnotGetCosObj(annotation);
  PutDictKey(annotDict, kKeyVersion, NewNameObject(cosDoc, ASFalse, kSceneVersion));

  // The path name is made inside the frame, so that even a failing push of the frame leaves
  // nothing open.
  OpenScene open = {nullptr, nullptr, nullptr};
  CosObj stream;
  HostExceptionFrame frame;
  HOST_DURING(frame)
  open.path = ASFileSysCreatePathName(nullptr, ASAtomFromString("Cstring"), path, nullptr);
  stream = CopySceneIntoStream(cosDoc, path, &open);
  ReleaseScene(&open);  // inside the frame too: a failing close still releases the rest
  HOST_HANDLER
  // Release what is open, then let the error go on to the caller's frame.
  const ASErrorCode code = ASGetExceptionErrorCode();
  ReleaseScene(&open);
  ASRaise(code);
  HOST_END_HANDLER

  PutDictKey(annotDict, kKeyScene, stream);
  return true;
}
