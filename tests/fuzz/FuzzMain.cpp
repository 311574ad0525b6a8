// The libFuzzer entry point of one target; MIRVANE_FUZZ_TARGET names its function.
#include <cstddef>
#include <cstdint>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return MIRVANE_FUZZ_TARGET(data, size);
}
