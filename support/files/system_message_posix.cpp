// The system's text for an error on POSIX systems: strerror's.
#include "files/internal/system_message.h"

namespace dvk::internal {

std::string systemMessage(std::error_code const& error) { return error.message(); }

}  // namespace dvk::internal
