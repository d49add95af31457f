// A HANDLE as the integer that code above the platform files holds, and back.
#pragma once

#include <windows.h>

#include "files/internal/os_handle.h"

namespace dvk::internal {

// NOLINTNEXTLINE(performance-no-int-to-ptr): the integer was a HANDLE, as fromHandle made it.
inline HANDLE asHandle(os_handle_t handle) { return reinterpret_cast<HANDLE>(handle); }

inline os_handle_t fromHandle(HANDLE handle) { return reinterpret_cast<os_handle_t>(handle); }

}  // namespace dvk::internal
