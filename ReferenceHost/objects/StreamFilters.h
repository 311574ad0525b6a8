// Stream filters the host can apply to stream data: FlateDecode through zlib where the
// build has it (MIRVANE_HAVE_ZLIB); without zlib it counts as an unknown filter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace refhost {

// Decoded data larger than this is refused by FlateDecode, which holds it all in memory: a
// hostile stream must not exhaust memory. FlateReader decodes any size in fixed memory.
constexpr size_t kMaxDecodedStreamSize = size_t(256) << 20;

bool FlateSupported();
// Throw HostError: kErrUnknownFilter without zlib, kErrBadStreamData for corrupt data or
// decoded data beyond kMaxDecodedStreamSize.
std::string FlateEncode(const std::string& data);
std::string FlateDecode(const std::string& data);

// Where a FlateReader finds the stored data: Piece answers the bytes from `offset` on
// (at least one unless the data ends there, when `*size` is 0), valid until the next call.
class EncodedInput {
 public:
  virtual ~EncodedInput() = default;
  virtual const char* Piece(uint64_t offset, size_t* size) = 0;
};

// Decodes data stored through `passes` FlateDecode filters piece by piece, as it is read:
// the inflaters run in a row, each later one fed from the one before through a small
// buffer, and the last one writes into the reader's buffer. Memory stays the same whatever
// the decoded size. Like FlateDecode, empty data decodes to nothing, data after a
// compressed stream's end is ignored, and data that ends before its end marker is damaged.
class FlateReader {
 public:
  // Throws HostError kErrUnknownFilter without zlib.
  explicit FlateReader(int passes);
  ~FlateReader();
  FlateReader(const FlateReader&) = delete;
  FlateReader& operator=(const FlateReader&) = delete;

  // Fills `buffer` with up to `bytes` decoded bytes and answers how many; fewer only at the
  // end. `input` gives the stored data, asked again on every call since its owner may have
  // moved it; it must be the same data each time. Throws HostError kErrBadStreamData where
  // the data turns out damaged (the reader stays damaged then), and what `input` throws.
  size_t Read(EncodedInput& input, char* buffer, size_t bytes);
  // Back to the start of the data.
  void Rewind();

 private:
  struct State;  // the inflaters and where they stand
  std::unique_ptr<State> state_;
};

}  // namespace refhost
