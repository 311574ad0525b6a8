// What the fuzz targets share: reading structured values from the fuzzer's bytes, and
// checks that abort the process, so that libFuzzer reports the input and the replay test
// fails on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Aborts with the failed condition and a note when `condition` is false.
#define FUZZ_CHECK(condition, note)                                                       \
  do {                                                                                    \
    if (!(condition)) fuzzinput::Fail(#condition, std::string(note), __FILE__, __LINE__); \
  } while (0)

namespace fuzzinput {

[[noreturn]] inline void Fail(const char* condition, const std::string& note, const char* file,
                              int line) {
  std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n  %s\n", file, line, condition,
               note.c_str());
  std::fflush(stderr);
  std::abort();
}

// `bytes` with every byte outside printable ASCII (and the backslash) as \xHH, for notes.
inline std::string Printable(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text += static_cast<char>(c);
    } else {
      text += "\\x";
      text += kDigits[c >> 4];
      text += kDigits[c & 15];
    }
  }
  return text;
}

// Takes values from the front of the input; once it is used up, every value is zero and
// every byte string empty, so any input decodes to something.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return offset_ >= size_; }
  size_t remaining() const { return empty() ? 0 : size_ - offset_; }

  uint8_t Byte() { return empty() ? 0 : data_[offset_++]; }
  bool Bool() { return (Byte() & 1) != 0; }
  uint16_t U16() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }
  uint32_t U32() {
    const uint32_t low = U16();
    return low | (static_cast<uint32_t>(U16()) << 16);
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  // One of `count` choices.
  unsigned Choice(unsigned count) { return Byte() % count; }
  // Up to `size` bytes, fewer when the input ends.
  std::string Bytes(size_t size) {
    const size_t n = size < remaining() ? size : remaining();
    std::string bytes(reinterpret_cast<const char*>(data_ + offset_), n);
    offset_ += n;
    return bytes;
  }
  // A byte string preceded by its length (one byte).
  std::string ShortBytes() { return Bytes(Byte()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

}  // namespace fuzzinput
