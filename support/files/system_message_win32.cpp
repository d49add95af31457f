// The system's text for an error on Windows: FormatMessageW's for a system
// error, in UTF-8 (the C++ library's would be in the ANSI code page).
#include <windows.h>

#include <string>

#include "files/internal/system_message.h"
#include "text/utf16.h"

namespace dvk::internal {

std::string systemMessage(std::error_code const& error) {
  if (error.category() != std::system_category()) return error.message();
  wchar_t text[512];
  DWORD const length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(error.value()), 0, text, sizeof text / sizeof text[0], nullptr);
  if (length == 0) return "error " + std::to_string(error.value());
  return utf16ToUtf8(std::u16string(text, text + length));
}

}  // namespace dvk::internal
