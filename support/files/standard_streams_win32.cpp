// Standard streams as bytes on Windows.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "files/standard_streams.h"

namespace dvk::platform {

void binaryStandardStreams() {
  // The runtime's text mode reads CR LF as LF and stops at a Ctrl-Z byte, and
  // writes CR LF for LF.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

namespace {

// Before main, so that the extras' lines are the bytes meant in any program
// that uses them, with or without a console attached.
struct binary_at_start_up_t {
  binary_at_start_up_t() { binaryStandardStreams(); }
} const binaryAtStartUp;

}  // namespace

}  // namespace dvk::platform
