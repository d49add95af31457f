// The width-parameterised strtoul behind dvk::parseUnsigned, exposed so both
// deliverables' widths can be tested in one build.
#pragma once

#include <cstdint>
#include <string>

namespace dvk::internal {

// strtoul of text in base as an unsigned long of `bits` bits (32 or 64):
// leading white space skipped, an optional sign (minus negates modulo 2^bits),
// "0x"/"0X" accepted in base 16, base 0 picks 16, 8 or 10 from the prefix,
// saturation to the maximum on overflow. The empty text gives 0; -1 when any
// character remains after the converted part (also when nothing converts).
int64_t parseUnsignedBits(std::string const& text, unsigned base, unsigned bits);

}  // namespace dvk::internal
