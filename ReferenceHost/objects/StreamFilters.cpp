#include "StreamFilters.h"

#include <algorithm>
#include <cstdint>

#include "Host.h"

#if defined(MIRVANE_HAVE_ZLIB)
#include <zlib.h>
#endif

namespace refhost {

#if defined(MIRVANE_HAVE_ZLIB)

bool FlateSupported() {
  return true;
}

namespace {

// Runs deflate or inflate over `input` in chunks, so no size passes through zlib's
// 32-bit counters in one piece. Compressed data that ends before its end marker is
// damaged: it is refused rather than handed out short.
template <typename Step>
std::string Pump(z_stream& z, const std::string& input, Step step, int finish) {
  std::string out;
  char chunk[64 * 1024];
  size_t offset = 0;
  for (;;) {
    if (z.avail_in == 0 && offset < input.size()) {
      const size_t n = std::min<size_t>(input.size() - offset, size_t(1) << 30);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + offset));
      z.avail_in = static_cast<uInt>(n);
      offset += n;
    }
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    const int status = step(&z, offset == input.size() ? finish : Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - z.avail_out);
    if (out.size() > kMaxDecodedStreamSize) throw HostError(kErrBadStreamData);
    if (status == Z_STREAM_END) return out;
    if (status != Z_OK) throw HostError(kErrBadStreamData);
  }
}

}  // namespace

std::string FlateEncode(const std::string& data) {
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) throw HostError(kErrNoMemory);
  try {
    std::string out = Pump(z, data, deflate, Z_FINISH);
    deflateEnd(&z);
    return out;
  } catch (...) {
    deflateEnd(&z);
    throw;
  }
}

std::string FlateDecode(const std::string& data) {
  z_stream z{};
  if (data.empty()) return std::string();  // an empty stream that names the filter
  if (inflateInit(&z) != Z_OK) throw HostError(kErrNoMemory);
  try {
    std::string out = Pump(z, data, inflate, Z_NO_FLUSH);
    inflateEnd(&z);
    return out;
  } catch (...) {
    inflateEnd(&z);
    throw;
  }
}

namespace {

// Input handed from one pass to the next in pieces of this size.
constexpr size_t kPassBufferSize = 64 * 1024;
// No more than this goes through zlib's 32-bit counters in one call.
constexpr size_t kMaxZlibPiece = size_t(1) << 30;

}  // namespace

struct FlateReader::State {
  struct Pass {
    z_stream z{};
    bool initialised = false;
    bool ended = false;             // its end marker was reached
    bool inputEnded = false;        // no more input comes
    uint64_t fed = 0;               // input bytes handed in so far
    std::unique_ptr<char[]> input;  // what the pass before handed out (later passes only)
  };

  explicit State(size_t count) : passes(new Pass[count]), passCount(count) {}
  ~State() {
    for (size_t i = 0; i < passCount; ++i)
      if (passes[i].initialised) inflateEnd(&passes[i].z);
  }
  size_t Pull(size_t index, char* buffer, size_t bytes);

  std::unique_ptr<Pass[]> passes;
  size_t passCount;
  EncodedInput* input = nullptr;  // the data of the Read call in progress
  uint64_t consumed = 0;          // stored bytes handed to the first inflater so far
  bool damaged = false;
};

FlateReader::FlateReader(int passes) {
  if (passes < 1) throw HostError(kErrBadParameter);
  state_.reset(new State(static_cast<size_t>(passes)));
  for (size_t i = 0; i < state_->passCount; ++i) {
    State::Pass& pass = state_->passes[i];
    if (i > 0) pass.input.reset(new char[kPassBufferSize]);
    if (inflateInit(&pass.z) != Z_OK) throw HostError(kErrNoMemory);
    pass.initialised = true;
  }
}

FlateReader::~FlateReader() = default;

void FlateReader::Rewind() {
  State& state = *state_;
  for (size_t i = 0; i < state.passCount; ++i) {
    State::Pass& pass = state.passes[i];
    inflateReset(&pass.z);
    pass.z.avail_in = 0;
    pass.ended = pass.inputEnded = false;
    pass.fed = 0;
  }
  state.consumed = 0;
  state.damaged = false;
}

size_t FlateReader::Read(EncodedInput& input, char* buffer, size_t bytes) {
  State& state = *state_;
  if (state.damaged) throw HostError(kErrBadStreamData);
  state.input = &input;
  try {
    // The first inflater goes on where it left off in the data, wherever the data is now.
    z_stream& first = state.passes[0].z;
    if (first.avail_in > 0) {
      size_t size = 0;
      const char* piece = input.Piece(state.consumed - first.avail_in, &size);
      if (size < first.avail_in) throw HostError(kErrBadStreamData);
      first.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece));
    }
    return state.Pull(state.passCount - 1, buffer, bytes);
  } catch (...) {
    state.damaged = true;
    throw;
  }
}

// Fills `buffer` from pass `index`, refilling its input from the stored data (first pass)
// or from the pass before; fewer bytes than asked only at the end.
size_t FlateReader::State::Pull(size_t index, char* buffer, size_t bytes) {
  Pass& pass = passes[index];
  z_stream& z = pass.z;
  size_t got = 0;
  while (got < bytes && !pass.ended) {
    if (z.avail_in == 0 && !pass.inputEnded) {
      size_t n = 0;
      if (index == 0) {
        const char* piece = input->Piece(consumed, &n);
        n = std::min(n, kMaxZlibPiece);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece));
        consumed += n;
      } else {
        n = Pull(index - 1, pass.input.get(), kPassBufferSize);
        z.next_in = reinterpret_cast<Bytef*>(pass.input.get());
      }
      z.avail_in = static_cast<uInt>(n);
      pass.fed += n;
      pass.inputEnded = n == 0;
    }
    if (pass.inputEnded && pass.fed == 0) {
      pass.ended = true;  // empty data that names the filter decodes to nothing
      break;
    }
    const uInt ask = static_cast<uInt>(std::min(bytes - got, kMaxZlibPiece));
    const uInt availIn = z.avail_in;
    z.next_out = reinterpret_cast<Bytef*>(buffer + got);
    z.avail_out = ask;
    const int status = inflate(&z, Z_NO_FLUSH);
    got += ask - z.avail_out;
    if (status == Z_STREAM_END) {
      pass.ended = true;
    } else if (status == Z_MEM_ERROR) {
      throw HostError(kErrNoMemory);
    } else if ((status != Z_OK && status != Z_BUF_ERROR) ||
               (z.avail_out == ask && z.avail_in == availIn)) {
      // Corrupt, or no progress: the input ended before the end marker.
      throw HostError(kErrBadStreamData);
    }
  }
  return got;
}

#else

bool FlateSupported() {
  return false;
}
std::string FlateEncode(const std::string&) {
  throw HostError(kErrUnknownFilter);
}
std::string FlateDecode(const std::string&) {
  throw HostError(kErrUnknownFilter);
}

struct FlateReader::State {};

FlateReader::FlateReader(int) {
  throw HostError(kErrUnknownFilter);
}
FlateReader::~FlateReader() = default;
void FlateReader::Rewind() {}
size_t FlateReader::Read(EncodedInput&, char*, size_t) {
  throw HostError(kErrUnknownFilter);
}

#endif

}  // namespace refhost
