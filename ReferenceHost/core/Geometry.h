// Conversions between points and 16.16 fixed point that never overflow.
#pragma once

#include <cmath>
#include <cstdint>

#include "HostAbi.h"

namespace refhost {

// Rounds to the nearest 1/65536; false when the value is not finite or out of range.
inline bool ToFixed(double value, ASFixed* fixed) {
  const double scaled = std::round(value * 65536.0);
  if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0)) return false;
  *fixed = static_cast<ASFixed>(scaled);
  return true;
}

inline double FromFixed(ASFixed value) {
  return value / 65536.0;
}

}  // namespace refhost
