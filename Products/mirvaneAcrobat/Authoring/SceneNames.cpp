#include "Authoring/SceneNames.h"

#include <cstring>

#include "Platform.h"

namespace {

bool CopyPart(const char* begin, size_t length, char* out, size_t outSize) {
  if (length + 1 > outSize) return false;
  std::memcpy(out, begin, length);
  out[length] = '\0';
  return true;
}

}  // namespace

bool DeriveSceneNames(const char* path, char separator, char* name, size_t nameSize, char* ext,
                      size_t extSize) {
  if (nameSize == 0 || extSize == 0) return false;
  name[0] = '\0';
  ext[0] = '\0';
  // The separator is a single-byte character, so the file part starts on a character
  // boundary and the dot search can run on it alone.
  const char* file = path + (platform::FindLastByte(path, separator) + 1);
  const ptrdiff_t dot = platform::FindLastByte(file, '.');
  const size_t fileLength = std::strlen(file);
  const size_t nameLength = dot < 0 ? fileLength : static_cast<size_t>(dot);
  const char* extBegin = dot < 0 ? file + fileLength : file + dot + 1;
  if (!CopyPart(file, nameLength, name, nameSize) ||
      !CopyPart(extBegin, std::strlen(extBegin), ext, extSize)) {
    name[0] = '\0';
    ext[0] = '\0';
    return false;
  }
  platform::UpperCaseInPlace(ext);
  return true;
}
