// The system's own words for why a call failed, for a message line.
#pragma once

#include <string>
#include <system_error>

namespace dvk {

// The text of error as the system gives it ("Permission denied"), in UTF-8,
// without the line end and final period that some systems add, so that a
// message can end the sentence itself. One implementation per platform
// (system_reason_posix.cpp, system_reason_win32.cpp).
std::string systemReason(std::error_code const& error);

}  // namespace dvk
