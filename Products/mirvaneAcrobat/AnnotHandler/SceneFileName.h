// The name of the temporary file a scene is written to, made from the embedded scene
// stream's Filename and Subtype. Both come from the document and may be hostile, so the
// result is always a plain file name that stays inside the folder it is joined to.
#pragma once

#include <cstddef>

// Longest base name and extension kept, in bytes; longer ones are cut at a character.
constexpr size_t kMaxSceneBaseName = 120;
constexpr size_t kMaxSceneExtension = 32;
// Used when nothing usable is left of the base name.
constexpr char kFallbackSceneBaseName[] = "scene";

// Writes base name, ".", and the extension lower-cased (multibyte-aware) into `fileName`,
// made safe: folder separators, drive colons, control characters and the characters
// Windows forbids become '_'; trailing dots and blanks go; a reserved device name (CON,
// NUL, COM1, LPT1, ...) gets a leading '_'; an empty base becomes the fallback; an empty
// extension leaves no dot. Double-byte characters of the current code page are kept whole,
// so a name that is already safe comes out unchanged. False when `fileNameSize` is too
// small (kMaxSceneBaseName + kMaxSceneExtension + 3 always suffices).
bool MakeSceneFileName(const char* baseName, const char* extension, char* fileName,
                       size_t fileNameSize);
