// Stream filters the host can apply to stream data: FlateDecode through zlib where the
// build has it (MIRVANE_HAVE_ZLIB); without zlib it counts as an unknown filter.
#pragma once

#include <cstddef>
#include <string>

namespace refhost {

// Decoded data larger than this is refused: a hostile stream must not exhaust memory.
constexpr size_t kMaxDecodedStreamSize = size_t(256) << 20;

bool FlateSupported();
// Throw HostError: kErrUnknownFilter without zlib, kErrBadStreamData for corrupt data or
// decoded data beyond kMaxDecodedStreamSize.
std::string FlateEncode(const std::string& data);
std::string FlateDecode(const std::string& data);

}  // namespace refhost
