// The platform layer's standard streams as bytes, for the file extras that
// read standard input and write their lines to standard error: one
// implementation per platform (standard_streams_posix.cpp,
// standard_streams_win32.cpp), chosen by the build.
#pragma once

namespace dvk::platform {

// Makes standard input and standard error carry bytes unchanged (on Windows
// no CR LF read as LF, no stop at a Ctrl-Z byte, no CR written before LF);
// nothing to do on POSIX. The Windows file also does it once at start-up,
// before anything is written; calling it again does no harm.
void binaryStandardStreams();

}  // namespace dvk::platform
