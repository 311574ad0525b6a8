// The tokens of a PDF content stream, for the refhost tool's page painter: operators with
// their operands. Content is untrusted: anything malformed is skipped, never trusted.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace refhosttool {

struct Operand {
  enum Kind { Number, Name, String, Array, Other } kind = Other;
  double number = 0;
  std::string text;  // name (without the slash) or string bytes
  std::vector<Operand> items;
};

// Calls `handle` with each operator of `data` and the operands before it (at most 64; an
// array at most 4096 items), for at most `maxOperators` operators. Dictionaries come as
// operands of kind Other; comments are skipped.
void ReadContent(
    const std::string& data, int maxOperators,
    const std::function<void(const std::string& op, const std::vector<Operand>& operands)>& handle);

}  // namespace refhosttool
