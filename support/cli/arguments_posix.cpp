// Command-line arguments on POSIX systems: already the bytes as given.
#include "cli/arguments.h"

namespace dvk::cli::platform {

void useUtf8Arguments(int& /*argc*/, char**& /*argv*/) {}

}  // namespace dvk::cli::platform
