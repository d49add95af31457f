// The system's words for an error on Windows: FormatMessageW's, in UTF-8.
#include <windows.h>

#include <string>

#include "files/system_reason.h"
#include "text/utf16.h"

namespace dvk {

std::string systemReason(std::error_code const& error) {
  if (error.category() != std::system_category()) return error.message();
  wchar_t text[512];
  DWORD const length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(error.value()), 0, text, sizeof text / sizeof text[0], nullptr);
  std::u16string reason(text, text + length);
  while (!reason.empty() &&
         (reason.back() == u'\r' || reason.back() == u'\n' || reason.back() == u' ' || reason.back() == u'.')) {
    reason.pop_back();
  }
  if (reason.empty()) return "error " + std::to_string(error.value());
  return utf16ToUtf8(reason);
}

}  // namespace dvk
