// Opening a name from a checksum file on Windows, never through a link to
// another machine.
#include "files/internal/listed_open_win32.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "files/native_path.h"
#include "files/reparse_target.h"

namespace dvk::internal {

namespace {

// Where the reparse point open as handle leads: true when it may be followed.
bool followable(HANDLE handle) {
  std::vector<uint8_t> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD got = 0;
  if (DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()), &got,
                      nullptr) == 0) {
    return false;
  }
  reparse_target_t const target = reparseTarget(data.data(), got);
  switch (target.place) {
    case reparse_place_t::notALink:
      return true;
    case reparse_place_t::local: {
      if (target.drive == 0) return true;
      wchar_t const root[] = {static_cast<wchar_t>(target.drive), L':', L'\\', L'\0'};
      return GetDriveTypeW(root) != DRIVE_REMOTE;
    }
    case reparse_place_t::remote:
    case reparse_place_t::unknown:
    case reparse_place_t::malformed:
      break;
  }
  return false;
}

// What a folder on the way is, opened as it is.
enum class folder_t { missing, plain, followable, refused };

folder_t folderAt(std::wstring const& path) {
  HANDLE const handle =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return folder_t::missing;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  folder_t found = folder_t::refused;
  if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) != 0) {
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      found = folder_t::plain;
    } else if (followable(handle)) {
      found = folder_t::followable;
    }
  }
  CloseHandle(handle);
  return found;
}

// The length of the root of a verbatim path, with the "\" after it.
std::size_t rootLength(std::wstring const& native) {
  std::wstring const unc = L"\\\\?\\UNC\\";
  if (native.compare(0, unc.size(), unc) != 0) return std::min<std::size_t>(native.size(), 7);  // "\\?\C:\"
  std::size_t const server = native.find(L'\\', unc.size());
  std::size_t const share = server == std::wstring::npos ? server : native.find(L'\\', server + 1);
  return share == std::wstring::npos ? native.size() : share + 1;
}

// False when a folder on the way from the current directory to the file at
// native is a reparse point that must not be followed. The folders are the
// parts of the verbatim path past where it leaves the current directory's
// (which is the user's choice, wherever it leads); the first that is missing
// ends the walk, as the open would end there.
bool foldersMayBeFollowed(std::wstring const& native) {
  std::optional<std::filesystem::path> const here = platform::nativePath(".");
  if (!here) return true;
  std::wstring const& current = here->native();
  std::size_t common = 0;
  while (common < native.size() && common < current.size() && native[common] == current[common]) ++common;
  // Back to the separator that ends the last part both share; never before
  // the root ("\\?\C:\", "\\?\UNC\server\share\"), which is no folder to open.
  while (common > 0 && native[common - 1] != L'\\') --common;
  common = std::max(common, rootLength(native));
  for (std::size_t end = native.find(L'\\', common); end != std::wstring::npos; end = native.find(L'\\', end + 1)) {
    switch (folderAt(native.substr(0, end))) {
      case folder_t::missing:
        return true;
      case folder_t::refused:
        return false;
      case folder_t::plain:
      case folder_t::followable:
        break;
    }
  }
  return true;
}

}  // namespace

listed_open_t openListed(std::filesystem::path const& native, DWORD access, DWORD share, DWORD flags) {
  listed_open_t opened;
  if (!foldersMayBeFollowed(native.native())) {
    opened.remote = true;
    return opened;
  }
  // The name itself as it is: most names are no reparse point, and that open
  // is the one asked for.
  opened.handle =
      CreateFileW(native.c_str(), access, share, nullptr, OPEN_EXISTING, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (opened.handle == INVALID_HANDLE_VALUE) {
    opened.error = GetLastError();
    return opened;
  }
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (GetFileInformationByHandleEx(opened.handle, FileAttributeTagInfo, &tag, sizeof tag) != 0 &&
      (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return opened;
  }
  bool const follow = followable(opened.handle);
  CloseHandle(opened.handle);
  opened.handle = INVALID_HANDLE_VALUE;
  if (!follow) {
    opened.remote = true;
    return opened;
  }
  opened.handle = CreateFileW(native.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
  if (opened.handle == INVALID_HANDLE_VALUE) opened.error = GetLastError();
  return opened;
}

}  // namespace dvk::internal
