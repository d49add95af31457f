// Further console operations carried by the Windows deliverable: fatal and
// warning reports that take a print function, the terminal flag of a stream,
// constant stubs and line dumps. The Console members of this set are declared
// in console.h.
#pragma once

#include <cstdint>
#include <functional>
#include <ios>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "text/text.h"

namespace dvk::con {

// report() at level fatal (never hidden) with the text print writes; true.
bool fatal(std::function<void()> const& print);
// report() at level warning with the text print writes; false.
bool warning(std::function<void()> const& print);

// The second forms of the setters, taking one unsigned 32-bit level, are
// console.h's setQuiet and setVerbose: on both targets uint32_t is unsigned.

// The terminal flag recorded in streams() for the buffer the stream has now;
// false when no standard stream has that buffer (a string stream, say).
bool isTerminal(std::ios const& stream);

bool stubTrue();   // always true
bool stubFalse();  // always false

// One line per entry on std::cout: the number from 1 right-aligned in five
// columns, ':', the length in bytes, ": ", the bytes as they are, '\n'.
void dumpLines(std::vector<line_t> const& lines);
void dumpLineViews(std::vector<std::string_view> const& lines);

}  // namespace dvk::con
