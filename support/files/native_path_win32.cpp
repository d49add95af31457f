// Names for the system's file calls on Windows: the verbatim path of the
// program's UTF-8 bytes ("\\?\" and the absolute path in UTF-16), for the
// wide calls. A narrow call would read the bytes in the ANSI code page and
// open another name, and a path that is not verbatim is rewritten by Win32
// (device names, trailing dots and spaces, the 260-character limit).
#include <windows.h>

#include "files/native_path.h"
#include "files/path_rules.h"
#include "files/verbatim_path.h"
#include "text/utf16.h"

namespace dvk::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows names are UTF-16");

namespace {

// The process's current directory, as the system keeps it; empty when it
// cannot be read.
std::u16string currentDirectory() {
  std::wstring directory(MAX_PATH, L'\0');
  for (;;) {
    DWORD const length = GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
    if (length == 0) return std::u16string();
    // Too small, the answer is the size needed with the zero; else the
    // length without it.
    if (length < directory.size()) {
      directory.resize(length);
      return std::u16string(directory.begin(), directory.end());
    }
    directory.resize(length);
  }
}

// What GetFullPathNameW makes of name, as Win32 would for its own open;
// empty when it fails.
std::u16string fullPathName(std::wstring const& name) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    DWORD const length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::u16string();
    if (length < full.size()) {
      full.resize(length);
      return std::u16string(full.begin(), full.end());
    }
    full.resize(length);
  }
}

}  // namespace

std::optional<std::filesystem::path> nativePath(std::string const& path) {
  std::optional<std::u16string> const verbatim = verbatimPath(currentDirectory(), path);
  if (!verbatim) return std::nullopt;
  return std::filesystem::path(std::wstring(verbatim->begin(), verbatim->end()));
}

std::optional<std::filesystem::path> typedPath(std::string const& path) {
  if (hasNulByte(path)) return std::nullopt;
  std::optional<std::u16string> const wide = utf8ToUtf16(path);
  if (!wide) return std::nullopt;
  // A verbatim path goes to the system unread by Win32: so it does here.
  bool const isVerbatim = wide->compare(0, 4, u"\\\\?\\") == 0;
  std::optional<std::u16string> const verbatim =
      verbatimOfFullPath(isVerbatim ? *wide : fullPathName(std::wstring(wide->begin(), wide->end())));
  if (!verbatim) return std::nullopt;
  return std::filesystem::path(std::wstring(verbatim->begin(), verbatim->end()));
}

}  // namespace dvk::platform
