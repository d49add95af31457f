// The system's words for an error on POSIX systems: strerror's.
#include "files/system_reason.h"

namespace dvk {

std::string systemReason(std::error_code const& error) { return error.message(); }

}  // namespace dvk
