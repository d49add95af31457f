// Text on a terminal on POSIX systems: the terminal takes the bytes.
#include "console/console_text.h"

namespace dvk::con::platform {

void showTextOnConsoles() {}

}  // namespace dvk::con::platform
