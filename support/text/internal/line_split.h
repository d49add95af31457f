// The one place that knows the line terminators, shared by splitLines and the
// extras' cursor-based line readers.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace dvk::internal {

// The line that starts at cursor, terminator excluded; moves cursor past the
// terminator: LF, CR, or CR LF as one. A last line without terminator ends at
// end; at end itself the line is empty and cursor stays.
line_t takeLine(const uint8_t*& cursor, const uint8_t* end);

}  // namespace dvk::internal
