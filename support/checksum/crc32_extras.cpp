// The one-byte CRC-32 step of the Windows deliverable.
#include "checksum/crc32_extras.h"

namespace dvk {

uint32_t crc32Update(uint32_t crc, uint8_t byte, crc32_tables_t const& tables) {
  uint32_t c = ~crc;
  c = (c >> 8) ^ tables[0][(c ^ byte) & 0xFFu];
  return ~c;
}

}  // namespace dvk
