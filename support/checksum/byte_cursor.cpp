// Byte-cursor readers of the Windows deliverable.
#include "checksum/byte_cursor.h"

namespace dvk {

uint8_t readU8(const uint8_t*& cursor) { return *cursor++; }

uint16_t readU16(const uint8_t*& cursor) {
  const auto value = static_cast<uint16_t>(cursor[0] | (cursor[1] << 8));
  cursor += 2;
  return value;
}

uint32_t readSyncsafe32(const uint8_t*& cursor) {
  const uint32_t value =
      (uint32_t{cursor[0]} << 21) | (uint32_t{cursor[1]} << 14) | (uint32_t{cursor[2]} << 7) | uint32_t{cursor[3]};
  cursor += 4;
  return value;
}

}  // namespace dvk
