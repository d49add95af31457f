// Standard streams on POSIX systems: they carry bytes unchanged already.
#include "files/standard_streams.h"

namespace dvk::platform {

void binaryStandardStreams() {}

}  // namespace dvk::platform
