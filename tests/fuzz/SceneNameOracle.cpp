#include "SceneNameOracle.h"

#include <cstring>

#include "Platform.h"
#include "PlatformControl.h"

namespace fuzzoracle {
namespace {

bool IsTrailByte(unsigned char c) {
  return c >= 0x40 && c != 0x7F;
}

std::string Hex(unsigned char c) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[c >> 4] + kDigits[c & 15];
}

}  // namespace

bool IsReservedDeviceName(const std::string& name) {
  size_t stem = name.find('.');
  if (stem == std::string::npos) stem = name.size();
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  std::string upper = name.substr(0, stem);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (upper == device) return true;
  if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0))
    return false;
  const unsigned char digit = static_cast<unsigned char>(upper[3]);
  if (digit >= '0' && digit <= '9') return true;
  // Windows counts the superscript digits one, two and three of code page 1252 as digits
  // of COM and LPT device names.
  return platform::control::CodePage() == 1252 && (digit == 0xB9 || digit == 0xB2 || digit == 0xB3);
}

std::string BadCharacterReason(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (platform::IsLeadByte(c)) {
      if (i + 1 >= text.size() || !IsTrailByte(static_cast<unsigned char>(text[i + 1])))
        return "lead byte " + Hex(c) + " without its trail byte at " + std::to_string(i);
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F || std::strchr("<>:\"/\\|?*", c) != nullptr)
      return "forbidden byte " + Hex(c) + " at " + std::to_string(i);
  }
  return std::string();
}

std::string UnsafeFileNameReason(const std::string& name) {
  if (name.empty()) return "empty";
  const std::string bad = BadCharacterReason(name);
  if (!bad.empty()) return bad;
  // A trail byte is never a dot or a blank, so the last byte tells.
  if (name.back() == '.' || name.back() == ' ') return "trailing dot or blank";
  if (IsReservedDeviceName(name)) return "reserved device name";
  return std::string();
}

}  // namespace fuzzoracle
