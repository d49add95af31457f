// The platform layer's terminal queries: one implementation per platform
// (terminal_posix.cpp, terminal_win32.cpp), chosen by the build.
#pragma once

#include <cstdio>

namespace dvk::con::platform {

// Whether the stdio stream is connected to a terminal.
bool isTerminal(FILE* file);

// Columns and rows of the terminal on standard output; false (and both left
// unchanged) when standard output is not a terminal or the size is unknown.
bool windowSize(unsigned& columns, unsigned& rows);

}  // namespace dvk::con::platform
