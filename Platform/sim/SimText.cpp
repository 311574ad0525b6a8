// Multibyte text in the simulated code pages: 1252 (single byte, Western) and 932
// (Shift-JIS, where a lead byte is followed by a trail byte that may look like ASCII).
#include "../PlatformControl.h"

namespace platform {

bool IsLeadByte(unsigned char c) {
  if (control::CodePage() != 932) return false;
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

namespace {

unsigned char Upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A:
      return 0x8A;
    case 0x9C:
      return 0x8C;
    case 0x9E:
      return 0x8E;
    case 0xFF:
      return 0x9F;
    default:
      return c;
  }
}

unsigned char Lower1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

// Case of the code page 932 double-byte letters that have one, as Windows maps them:
// full-width Latin (row 0x82), Greek (0x83) and Cyrillic (0x84, whose small letters
// skip trail byte 0x7F).
struct DoubleByteCase {
  unsigned char lead, upperFirst, lowerFirst, count;
};
constexpr DoubleByteCase kDoubleByteCases[] = {
    {0x82, 0x60, 0x81, 26}, {0x83, 0x9F, 0xBF, 24}, {0x84, 0x40, 0x70, 33}};

unsigned char CyrillicTrail(unsigned char first, int index) {
  const int trail = first + index;
  return static_cast<unsigned char>(trail >= 0x7F ? trail + 1 : trail);
}

// Changes the double-byte character at `p` to upper (`upper`) or lower case.
void ConvertDoubleByte(unsigned char* p, bool upper) {
  for (const DoubleByteCase& c : kDoubleByteCases) {
    if (p[0] != c.lead) continue;
    const bool cyrillic = c.lead == 0x84;
    for (int i = 0; i < c.count; ++i) {
      const unsigned char big = static_cast<unsigned char>(c.upperFirst + i);
      const unsigned char small =
          cyrillic ? CyrillicTrail(c.lowerFirst, i) : static_cast<unsigned char>(c.lowerFirst + i);
      if (upper && p[1] == small) p[1] = big;
      if (!upper && p[1] == big) p[1] = small;
    }
  }
}

// Applies `convert` to every single-byte character and the case mapping of code page 932
// to double-byte letters. In code page 932 the single-byte letters are ASCII only.
template <typename Convert>
void ConvertInPlace(char* text, Convert convert, bool upper) {
  if (text == nullptr) return;
  const bool cp1252 = control::CodePage() != 932;
  for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p != 0; ++p) {
    if (IsLeadByte(*p)) {
      if (p[1] == 0) break;
      ConvertDoubleByte(p, upper);
      ++p;
      continue;
    }
    if (cp1252 || *p < 0x80) *p = convert(*p);
  }
}

}  // namespace

ptrdiff_t FindLastByte(const char* text, char byte) {
  if (text == nullptr) return -1;
  ptrdiff_t last = -1;
  for (ptrdiff_t i = 0; text[i] != 0; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (text[i + 1] == 0) break;
      ++i;  // the trail byte never matches
      continue;
    }
    if (text[i] == byte) last = i;
  }
  return last;
}

void UpperCaseInPlace(char* text) {
  ConvertInPlace(text, Upper1252, true);
}
void LowerCaseInPlace(char* text) {
  ConvertInPlace(text, Lower1252, false);
}

}  // namespace platform
