// The lookup of the standard-stream table by buffer, shared by the message
// lines, the terminal report and the extras' per-stream terminal flag.
#pragma once

#include <ios>
#include <streambuf>

#include "console/console.h"

namespace dvk::con::internal {

// The first entry of streams() with that buffer; null when none has it (a
// string stream's, or a standard stream redirected after the table was built).
stream_t const* streamWithBuffer(std::streambuf const* buf);

// The terminal flag recorded for the buffer the stream has now; false when no
// standard stream has that buffer.
bool onTerminal(std::ios const& stream);

}  // namespace dvk::con::internal
