// The value of a digit character, shared by the number parsers and the
// extras' hex decoding.
#pragma once

namespace dvk::internal {

// Value of a character as a digit of bases up to 36 (letters of either case
// from 10 on), or 36 when it is none.
inline unsigned digitValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a') + 10;
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A') + 10;
  return 36;
}

}  // namespace dvk::internal
