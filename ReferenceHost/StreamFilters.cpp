#include "StreamFilters.h"

#include <algorithm>

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

#endif

}  // namespace refhost
