// Closing a descriptor on POSIX systems.
#include <unistd.h>

#include "files/internal/os_handle.h"

namespace dvk::internal {

// An interrupted close has closed the descriptor already on Linux; it is
// never retried, since the number may belong to another file by then.
// AT_FDCWD, which the writer holds as the current directory, is no
// descriptor to close.
bool closeHandle(os_handle_t handle) { return handle < 0 || ::close(static_cast<int>(handle)) == 0; }

}  // namespace dvk::internal
