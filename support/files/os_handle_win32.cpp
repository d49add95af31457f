// Closing a handle on Windows.
#include "files/internal/os_handle_win32.h"

namespace dvk::internal {

bool closeHandle(os_handle_t handle) { return CloseHandle(asHandle(handle)) != 0; }

}  // namespace dvk::internal
