// Path resolution on Windows.
#include <windows.h>

#include <string_view>

#include "files/native_path.h"
#include "files/path_resolve.h"
#include "text/utf16.h"

namespace dvk::platform {

namespace {

// Closes the handle on every way out.
struct handle_guard_t {
  HANDLE handle;
  ~handle_guard_t() { CloseHandle(handle); }
};

// GetFinalPathNameByHandle answers in the extended form "\\?\C:\..." or
// "\\?\UNC\server\share\..."; callers expect the ordinary one.
void dropExtendedPrefix(std::string& name) {
  constexpr std::string_view uncPrefix = "\\\\?\\UNC\\";
  constexpr std::string_view extendedPrefix = "\\\\?\\";
  const std::string_view view(name);
  if (view.substr(0, uncPrefix.size()) == uncPrefix) {
    name.erase(2, uncPrefix.size() - 2);  // "\\?\UNC\server" -> "\\server"
  } else if (view.substr(0, extendedPrefix.size()) == extendedPrefix) {
    name.erase(0, extendedPrefix.size());
  }
}

}  // namespace

std::optional<std::string> resolvePath(const char* path) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  std::optional<std::filesystem::path> const native = nativePath(path);
  if (!native) return std::nullopt;
  // No access rights are needed to ask for the name; backup semantics lets the
  // handle name a directory too.
  HANDLE handle = CreateFileW(native->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  handle_guard_t guard{handle};

  // As with realpath, "name/" resolves only when name is a directory.
  const std::string_view asGiven(path);
  if (asGiven.back() == '/' || asGiven.back() == '\\') {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(handle, &info) == 0) return std::nullopt;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
  }

  // The answer is the length without the zero byte, or the size needed when
  // the buffer is too small (some implementations refuse a null buffer, so
  // always offer one).
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  std::wstring wide(MAX_PATH, L'\0');
  for (int attempt = 0;; ++attempt) {
    if (attempt == 3) return std::nullopt;  // the name keeps changing under us
    const auto offered = static_cast<DWORD>(wide.size());
    const DWORD length = GetFinalPathNameByHandleW(handle, wide.data(), offered, flags);
    if (length == 0) return std::nullopt;
    if (length < offered) {
      wide.resize(length);
      break;
    }
    wide.resize(static_cast<std::size_t>(length) + 1);
  }
  std::string name = utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
  dropExtendedPrefix(name);
  return name;
}

}  // namespace dvk::platform
