// Closing a handle on Windows.
#include <windows.h>

#include "files/internal/os_handle.h"

namespace dvk::internal {

bool closeHandle(os_handle_t handle) { return CloseHandle(reinterpret_cast<HANDLE>(handle)) != 0; }

}  // namespace dvk::internal
