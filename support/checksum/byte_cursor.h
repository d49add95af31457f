// Readers of integer fields at a byte cursor into a record held in memory.
#pragma once

#include <cstdint>

namespace dvk {

// Each reader returns the field at cursor and moves cursor past it. The cursor
// carries no end and nothing is bounds-checked: the caller guarantees that the
// bytes are there. No allocation, no branches.

// The byte at cursor (0..255); moves by 1.
uint8_t readU8(const uint8_t*& cursor);

// Two bytes, least significant first; moves by 2.
uint16_t readU16(const uint8_t*& cursor);

// An ID3v2 syncsafe integer: four bytes of 7 bits, most significant first,
// 28 bits in all; moves by 4. Bit 7 of a byte is not masked: where it is set it
// lands on the lowest bit of the next more significant group (bit 28 for the
// first byte).
uint32_t readSyncsafe32(const uint8_t*& cursor);

}  // namespace dvk
