// The last step of every way through main: standard output is flushed and
// its state decides whether the status has to show a lost report.
#pragma once

namespace app {

// status, once standard output has been flushed; when any write to it
// failed (a full disk, a closed descriptor), after the error "could not write
// to standard output.", at least 1. Never above 255.
int finish(int status);

}  // namespace app
