// The one-byte CRC-32 step, for sums built a byte at a time.
#pragma once

#include <cstdint>

#include "checksum/crc32.h"

namespace dvk {

// The finished CRC-32 after feeding byte to crc (itself a finished CRC-32, 0
// for a fresh sum): equal to crc32(crc, &byte, &byte + 1, tables). Reads only
// the byte table T0 of tables, which must be the set crc32Tables built.
uint32_t crc32Update(uint32_t crc, uint8_t byte, crc32_tables_t const& tables);

}  // namespace dvk
