// Names for the system's file calls on Windows: the UTF-16 form of the
// program's UTF-8 bytes, for the wide calls. A narrow call would read the
// bytes in the ANSI code page and open another name.
#include "files/native_path.h"
#include "files/path_rules.h"
#include "text/utf16.h"

namespace dvk::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows names are UTF-16");

std::optional<std::filesystem::path> nativePath(std::string const& path) {
  if (hasNulByte(path)) return std::nullopt;
  std::optional<std::u16string> const wide = utf8ToUtf16(path);
  if (!wide) return std::nullopt;
  return std::filesystem::path(std::wstring(wide->begin(), wide->end()));
}

}  // namespace dvk::platform
