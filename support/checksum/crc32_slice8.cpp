// CRC-32 by slicing-by-8: the portable kernel.
#include "checksum/internal/crc32_kernels.h"

namespace dvk::internal {

namespace {

// Little-endian whatever the processor's byte order.
inline uint32_t load32le(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

uint32_t crc32Slice8(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables) {
  const uint32_t* const t0 = tables.t[0];
  uint32_t c = ~init;
  if (size > 7) {
    const uint32_t* const t1 = tables.t[1];
    const uint32_t* const t2 = tables.t[2];
    const uint32_t* const t3 = tables.t[3];
    const uint32_t* const t4 = tables.t[4];
    const uint32_t* const t5 = tables.t[5];
    const uint32_t* const t6 = tables.t[6];
    const uint32_t* const t7 = tables.t[7];
    for (; size > 7; size -= 8, data += 8) {
      c ^= load32le(data);
      c = t7[c & 0xFF] ^ t6[(c >> 8) & 0xFF] ^ t5[(c >> 16) & 0xFF] ^ t4[c >> 24] ^ t3[data[4]] ^ t2[data[5]] ^
          t1[data[6]] ^ t0[data[7]];
    }
  }
  for (; size != 0; --size, ++data) c = (c >> 8) ^ t0[(c ^ *data) & 0xFF];
  return ~c;
}

}  // namespace dvk::internal
