// Terminal queries on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "console/terminal.h"

namespace dvk::con::platform {

bool isTerminal(FILE* file) {
  if (file == nullptr) return false;
  // The runtime's _isatty is true for every character device, the null device
  // and serial ports included; only a console is a terminal, as on POSIX.
  const int fd = _fileno(file);
  if (fd < 0 || _isatty(fd) == 0) return false;
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the runtime hands out a HANDLE as an intptr_t
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool windowSize(unsigned& columns, unsigned& rows) {
  // A redirected standard output has no console screen buffer, so this fails
  // exactly where the POSIX window-size query does.
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) return false;
  columns = static_cast<unsigned>(info.srWindow.Right - info.srWindow.Left + 1);
  rows = static_cast<unsigned>(info.srWindow.Bottom - info.srWindow.Top + 1);
  return true;
}

namespace {

// Before main, before anything can be written: the runtime's text mode would
// write CR LF for LF, also for what the helpers write before a console is
// attached. Every byte written is the byte meant, as on POSIX.
struct binary_output_t {
  binary_output_t() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
  }
} const binaryOutput;

}  // namespace

}  // namespace dvk::con::platform
