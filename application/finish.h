// The last step of every way through main: standard output is flushed and
// its state decides whether the status has to show a lost report.
#pragma once

#include <cstdint>

namespace app {

// count as an exit status: a shell sees only its low eight bits, so 256
// failures must not read as success; 255 stands for 255 or more.
int exitStatus(uint64_t count);

// status, once standard output has been flushed; when any write to it
// failed (a full disk, a closed descriptor), after the error "could not write
// to standard output.", at least 1. Never above 255.
int finish(int status);

}  // namespace app
