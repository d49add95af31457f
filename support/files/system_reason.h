// The system's own words for why a call failed, for a message line.
#pragma once

#include <string>
#include <system_error>

namespace dvk {

// The text of error as the system gives it ("Permission denied"), in UTF-8,
// without the line end and final period that Windows' messages close with,
// so that a message line can end the sentence itself.
std::string systemReason(std::error_code const& error);

}  // namespace dvk
