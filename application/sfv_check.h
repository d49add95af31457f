// The .sfv check: every listed file against its CRC-32.
#pragma once

#include <cstdint>
#include <string>

#include "check_result.h"
#include "files/files.h"

namespace app {

struct sfv_entry_t {
  std::string name;
  uint32_t crc = 0;  // 0xDEFEC7 marks an unparseable line
};

inline constexpr uint32_t unparseableMark = 0xDEFEC7;

// True with entry filled for an entry; false with crc == unparseableMark for
// an unparseable line; false with crc 0 and an empty name for an ignored one.
bool parseSfvLine(const uint8_t* begin, const uint8_t* end, sfv_entry_t& entry);

result_t check(dvk::file_t const& sfv);

}  // namespace app
