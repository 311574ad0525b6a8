#include "AnnotHandler/SceneFileName.h"

#include <cctype>
#include <cstring>

#include "Platform.h"

namespace {

constexpr size_t kPartSize = kMaxSceneBaseName + kMaxSceneExtension + 8;

bool IsForbidden(unsigned char c) {
  return c < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

// Copies at most `limit` bytes of `text` into `out` (size kPartSize), replacing forbidden
// bytes and never splitting a double-byte character. A lead byte is only taken as such
// when a plausible trail byte follows; otherwise it is replaced like any stray byte.
void CleanPart(const char* text, size_t limit, char* out) {
  size_t n = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0 && n < limit) {
    if (platform::IsLeadByte(*p) && p[1] >= 0x40 && p[1] != 0x7F) {
      if (n + 2 > limit) break;
      out[n++] = static_cast<char>(p[0]);
      out[n++] = static_cast<char>(p[1]);
      p += 2;
      continue;
    }
    out[n++] = IsForbidden(*p) || platform::IsLeadByte(*p) ? '_' : static_cast<char>(*p);
    ++p;
  }
  out[n] = '\0';
}

// Windows drops trailing dots and blanks from a name; remove them so the name on disk is
// the name asked for. Single bytes only: a trail byte is never a dot or a blank.
void TrimTrailingDotsAndBlanks(char* text) {
  size_t n = std::strlen(text);
  while (n > 0 && (text[n - 1] == '.' || text[n - 1] == ' ')) text[--n] = '\0';
}

// Device names Windows reserves in every folder, whatever the extension.
bool IsReservedDeviceName(const char* name) {
  static const char* const kReserved[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = std::strcspn(name, ".");
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  char upper[8] = {0};
  if (stem == 0 || stem >= sizeof upper) return false;
  for (size_t i = 0; i < stem; ++i)
    upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
  for (const char* reserved : kReserved)
    if (std::strcmp(upper, reserved) == 0) return true;
  if (stem != 4 || (std::strncmp(upper, "COM", 3) != 0 && std::strncmp(upper, "LPT", 3) != 0))
    return false;
  const unsigned char digit = static_cast<unsigned char>(upper[3]);
  // Windows also counts the superscript digits one, two and three of the single-byte
  // Western code page; in a double-byte code page those bytes are other characters.
  const bool singleByte = !platform::IsLeadByte(0x81);
  return std::isdigit(digit) || (singleByte && (digit == 0xB9 || digit == 0xB2 || digit == 0xB3));
}

}  // namespace

bool MakeSceneFileName(const char* baseName, const char* extension, char* fileName,
                       size_t fileNameSize) {
  char base[kPartSize];
  char ext[kPartSize];
  CleanPart(baseName != nullptr ? baseName : "", kMaxSceneBaseName, base);
  CleanPart(extension != nullptr ? extension : "", kMaxSceneExtension, ext);
  platform::LowerCaseInPlace(ext);
  TrimTrailingDotsAndBlanks(base);
  TrimTrailingDotsAndBlanks(ext);
  if (base[0] == '\0') std::strcpy(base, kFallbackSceneBaseName);

  const char* prefix = IsReservedDeviceName(base) ? "_" : "";
  const size_t length =
      std::strlen(prefix) + std::strlen(base) + (ext[0] != '\0' ? 1 + std::strlen(ext) : 0);
  if (fileName == nullptr || length + 1 > fileNameSize) return false;
  std::strcpy(fileName, prefix);
  std::strcat(fileName, base);
  if (ext[0] != '\0') {
    std::strcat(fileName, ".");
    std::strcat(fileName, ext);
  }
  return true;
}
