// CRC-32 as in ISO-HDLC, zlib and PNG: reflected polynomial 0xEDB88320,
// initial value and final complement all ones. Check value: 0xCBF43926 for
// the nine ASCII digits "123456789".
#pragma once

#include <cstdint>
#include <vector>

namespace dvk {

// The reflected polynomial of this CRC, which crc32Tables is built from.
constexpr uint32_t crc32Polynomial = 0xEDB88320u;

// Eight 256-entry tables T0..T7 for slicing-by-8: T0 is the byte table,
// Tk[i] the contribution of byte i followed by k zero bytes.
using crc32_tables_t = std::vector<std::vector<uint32_t>>;

// The 256-entry byte table of poly.
std::vector<uint32_t> crc32Table(uint32_t poly);

// The process-wide table set, built on the first call; later calls return it
// unchanged whatever poly they pass.
crc32_tables_t& crc32Tables(uint32_t poly);

// CRC-32 of [first, last) continued from init (0 for a fresh CRC):
// crc32(crc32(0, A), B) is the CRC of A followed by B. tables must be the set
// crc32Tables built. Uses the fastest kernel the processor has; the result is
// always that of slicing-by-8.
uint32_t crc32(uint32_t init, const uint8_t* first, const uint8_t* last, crc32_tables_t const& tables);
uint32_t crc32(uint32_t init, std::vector<uint8_t> const& data, crc32_tables_t const& tables);

}  // namespace dvk
