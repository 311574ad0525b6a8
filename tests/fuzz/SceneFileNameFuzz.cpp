// fuzz_scene_file_name: the names a scene file gets in the temporary folder
// (MakeSceneFileName) and the names a chosen scene file is embedded under
// (DeriveSceneNames), from arbitrary bytes in code pages 1252 and 932.
//
// Input: a mode byte (bit 0: code page 932; bits 1-2: the path separator), the base name
// (two length bytes, then its bytes), the extension (one length byte, then its bytes), the
// two buffer sizes for DeriveSceneNames (two bytes each), and the rest as the path.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AnnotHandler/SceneFileName.h"
#include "Authoring/SceneNames.h"
#include "FuzzInput.h"
#include "FuzzTargets.h"
#include "Platform.h"
#include "SceneNameOracle.h"
#include "PlatformControl.h"

namespace {

using fuzzinput::Printable;
using fuzzinput::Reader;

constexpr size_t kEnoughForAnyName = kMaxSceneBaseName + kMaxSceneExtension + 3;

// The text a C function sees: up to the first NUL.
std::string CText(const std::string& bytes) {
  return bytes.substr(0, std::min(bytes.size(), bytes.find('\0')));
}

// A buffer of exactly `size` bytes on the heap, so that a write past it is reported.
std::unique_ptr<char[]> Buffer(size_t size) {
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memset(buffer.get(), 'Z', size);
  return buffer;
}

// Calls MakeSceneFileName with a buffer of exactly `size` bytes; `made` gets the name.
bool Make(const std::string& base, const std::string& ext, size_t size, std::string* made) {
  std::unique_ptr<char[]> buffer = Buffer(size);
  const bool ok = MakeSceneFileName(base.c_str(), ext.c_str(), buffer.get(), size);
  if (ok) {
    FUZZ_CHECK(std::memchr(buffer.get(), '\0', size) != nullptr, "name not terminated");
    *made = buffer.get();
  }
  return ok;
}

std::string Lower(const std::string& text) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  platform::LowerCaseInPlace(copy.data());
  return copy.data();
}

std::string Upper(const std::string& text) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  platform::UpperCaseInPlace(copy.data());
  return copy.data();
}

void CheckSceneFileName(const std::string& base, const std::string& ext) {
  const std::string what = "base \"" + Printable(base) + "\", extension \"" + Printable(ext) + "\"";
  std::string name;
  FUZZ_CHECK(Make(base, ext, kEnoughForAnyName, &name),
             "refused with the documented room: " + what);
  const std::string unsafe = fuzzoracle::UnsafeFileNameReason(name);
  FUZZ_CHECK(unsafe.empty(), unsafe + ": \"" + Printable(name) + "\" from " + what);
  FUZZ_CHECK(name.size() <= kMaxSceneBaseName + kMaxSceneExtension + 2,
             "longer than the bound: \"" + Printable(name) + "\"");

  // The exact room suffices and one byte less does not.
  std::string again;
  FUZZ_CHECK(Make(base, ext, name.size() + 1, &again) && again == name,
             "exact room: \"" + Printable(again) + "\" for \"" + Printable(name) + "\"");
  FUZZ_CHECK(!Make(base, ext, name.size(), &again), "accepted a buffer without room for the NUL");
  FUZZ_CHECK(!MakeSceneFileName(base.c_str(), ext.c_str(), nullptr, 0), "accepted no buffer");

  // A name that is safe already comes out as it went in.
  const bool safeBase =
      base.size() <= kMaxSceneBaseName && fuzzoracle::UnsafeFileNameReason(base).empty();
  const bool safeExt =
      ext.size() <= kMaxSceneExtension && fuzzoracle::BadCharacterReason(ext).empty() &&
      (ext.empty() || (ext.back() != '.' && ext.back() != ' ')) && Lower(ext) == ext;
  if (safeBase && safeExt) {
    const std::string expected = ext.empty() ? base : base + "." + ext;
    FUZZ_CHECK(name == expected, "safe name changed: \"" + Printable(name) + "\" for \"" +
                                     Printable(expected) + "\"");
  }
}

// Character starts of `text` as the platform's multibyte functions see them: a lead byte
// takes the next byte, whatever it is, along.
std::vector<bool> CharacterStarts(const std::string& text) {
  std::vector<bool> starts(text.size() + 1, false);
  for (size_t i = 0; i < text.size();) {
    starts[i] = true;
    i += platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  starts[text.size()] = true;
  return starts;
}

// Whether `byte` stands at a character start of `text` in [from, to).
bool HasCharacter(const std::string& text, const std::vector<bool>& starts, size_t from, size_t to,
                  char byte) {
  for (size_t i = from; i < to; ++i)
    if (starts[i] && text[i] == byte) return true;
  return false;
}

void CheckSceneNames(const std::string& path, char separator, size_t nameSize, size_t extSize) {
  const std::string what =
      "path \"" + Printable(path) + "\", separator '" + std::string(1, separator) + "'";
  // With room for the whole path in each part, the split always succeeds.
  const size_t room = path.size() + 1;
  std::unique_ptr<char[]> fullName = Buffer(room), fullExt = Buffer(room);
  FUZZ_CHECK(DeriveSceneNames(path.c_str(), separator, fullName.get(), room, fullExt.get(), room),
             "refused with room for the whole path: " + what);
  const std::string name = fullName.get(), ext = fullExt.get();

  // The path ends with the name, a dot and the extension as written (or, without an
  // extension, with the name alone); the name starts the path or follows a separator at a
  // character start; no separator is inside the name, and no dot after the split.
  const std::vector<bool> starts = CharacterStarts(path);
  const auto problem = [&](size_t nameEnd, bool dot) -> std::string {
    if (nameEnd < name.size() || path.compare(nameEnd - name.size(), name.size(), name) != 0)
      return "the name does not end where the extension begins";
    const size_t nameBegin = nameEnd - name.size();
    if (!starts[nameBegin]) return "the name starts inside a character";
    if (nameBegin > 0 && (path[nameBegin - 1] != separator || !starts[nameBegin - 1]))
      return "the name does not follow a separator";
    if (HasCharacter(path, starts, nameBegin, nameEnd, separator))
      return "a folder is left in the name";
    if (HasCharacter(path, starts, dot ? nameEnd + 1 : nameBegin, path.size(), '.'))
      return "not split at the last dot";
    return std::string();
  };
  std::string withDot = "the path does not end with a dot and the extension";
  if (path.size() >= ext.size() + 1) {
    const size_t dot = path.size() - ext.size() - 1;
    if (path[dot] == '.' && starts[dot] && Upper(path.substr(dot + 1)) == ext)
      withDot = problem(dot, true);
  }
  const std::string withoutDot = ext.empty() ? problem(path.size(), false) : "an extension";
  FUZZ_CHECK(withDot.empty() || withoutDot.empty(), withDot + "; " + withoutDot + ": name \"" +
                                                        Printable(name) + "\", extension \"" +
                                                        Printable(ext) + "\", " + what);

  // Smaller buffers: the same parts where they fit, both parts empty where either does not.
  std::unique_ptr<char[]> someName = Buffer(nameSize), someExt = Buffer(extSize);
  const bool ok =
      DeriveSceneNames(path.c_str(), separator, someName.get(), nameSize, someExt.get(), extSize);
  const bool fits = name.size() < nameSize && ext.size() < extSize;
  FUZZ_CHECK(ok == fits, "answer " + std::to_string(ok) + " for buffers of " +
                             std::to_string(nameSize) + " and " + std::to_string(extSize) +
                             " bytes: " + what);
  if (nameSize > 0 && extSize > 0) {
    const std::string gotName = someName.get(), gotExt = someExt.get();
    FUZZ_CHECK(ok ? gotName == name && gotExt == ext : gotName.empty() && gotExt.empty(),
               "parts \"" + Printable(gotName) + "\", \"" + Printable(gotExt) +
                   "\" with small buffers: " + what);
  }
}

}  // namespace

int RunSceneFileNameInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint8_t mode = in.Byte();
  platform::control::SetCodePage((mode & 1) != 0 ? 932 : 1252);
  const std::string base = CText(in.Bytes(in.U16() % 600));
  const std::string ext = CText(in.ShortBytes());
  const size_t nameSize = in.U16() % 1100, extSize = in.U16() % 1100;
  static const char kSeparators[] = {'/', '\\', ':', '.'};
  const char separator = kSeparators[(mode >> 1) & 3];
  const std::string path = CText(in.Bytes(2000));

  CheckSceneFileName(base, ext);
  CheckSceneNames(path, separator, nameSize, extSize);
  platform::control::SetCodePage(1252);
  return 0;
}
