// Terminal queries on POSIX systems.
#include <sys/ioctl.h>
#include <unistd.h>

#include "console/terminal.h"

namespace dvk::con::platform {

bool isTerminal(FILE* file) { return file != nullptr && isatty(fileno(file)) != 0; }

bool windowSize(unsigned& columns, unsigned& rows) {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) < 0) return false;
  columns = size.ws_col;
  rows = size.ws_row;
  return true;
}

}  // namespace dvk::con::platform
