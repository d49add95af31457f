// The system's words for why a call failed, for a message line.
#include "files/system_reason.h"

#include "files/internal/system_message.h"

namespace dvk {

std::string systemReason(std::error_code const& error) {
  std::string text = internal::systemMessage(error);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

}  // namespace dvk
