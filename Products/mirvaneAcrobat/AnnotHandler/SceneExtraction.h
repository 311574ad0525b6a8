// Reading a player annotation's embedded scene back: its names, and its decoded data
// written to a file in the temporary folder for the player.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HostInterface/HostTypes.h"

// The largest scene the format can describe: its lengths are 32-bit signed counts.
constexpr int64_t kMaxSceneBytes = 0x7FFFFFFF;

// Room for a name read from the scene stream, NUL included; longer names are cut (the
// file name keeps far less anyway).
constexpr size_t kSceneNameSize = 512;

// The embedded scene stream under KXTRIVOPlayerF and the texts of its Filename and
// Subtype names. False, with nothing read, when the entry is missing, is not a stream, or
// either name is missing or not a name: the document is damaged or hostile.
bool ReadSceneNames(PDAnnot annot, CosObj* scene, char* baseName, char* extension);

enum class ExtractResult {
  Written,       // the complete scene is at the path
  NoTempFolder,  // the temporary folder could not be determined
  NotWritten,    // the file could not be created or completely written
  TooLarge,      // the decoded scene is larger than kMaxSceneBytes
};

// Writes the scene's decoded data (through its filters) to `fileName` in the temporary
// folder, whose full path goes to `path` (size `pathSize`). The data go to a fresh file of
// a unique name in that folder first, which then replaces whatever is at the final name,
// so a file or link planted there is replaced, never written through, and a failed write
// leaves nothing under the final name. A host error while the scene is read or written
// releases every stream, file and path name, removes the unfinished file and goes on to
// the caller's frame. `limit` is the most bytes accepted (kMaxSceneBytes in the product).
ExtractResult ExtractEmbeddedScene(CosObj scene, const char* fileName, char* path, size_t pathSize,
                                   int64_t limit = kMaxSceneBytes);
