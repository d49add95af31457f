// The system's own text for an error, as it gives it, in UTF-8: one
// implementation per platform (system_message_posix.cpp,
// system_message_win32.cpp); systemReason trims it for a message line.
#pragma once

#include <string>
#include <system_error>

namespace dvk::internal {

std::string systemMessage(std::error_code const& error);

}  // namespace dvk::internal
