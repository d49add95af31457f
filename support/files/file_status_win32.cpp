// File status on Windows, by the verbatim path of the name: the file is opened
// for its attributes alone (which no sharing mode of another process stands
// in the way of) and known by the handle's identity.
#include <windows.h>

#include <filesystem>
#include <optional>

#include "files/file_status.h"
#include "files/internal/identity_win32.h"
#include "files/internal/listed_open_win32.h"
#include "files/internal/os_handle_win32.h"
#include "files/native_path.h"

namespace dvk {

namespace {

// A name that names nothing: no such file or folder, or a name that no file
// can bear ("a?b", a file's name used as a folder's).
bool absence(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
         error == ERROR_DIRECTORY;
}

// No sharing mode of another process stands in the way of asking.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

file_status_t failed(DWORD error) {
  file_status_t status;
  if (!absence(error)) status.error = std::error_code(static_cast<int>(error), std::system_category());
  return status;
}

file_status_t statusOf(HANDLE handle) {
  file_status_t status;
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  if (GetFileInformationByHandle(handle, &info) == 0 ||
      GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) == 0) {
    return failed(GetLastError());
  }
  status.ok = true;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    status.kind = file_kind_t::directory;
  } else if (GetFileType(handle) == FILE_TYPE_DISK) {
    status.kind = file_kind_t::regular;
    status.size = internal::sizeOf(info);
  }
  status.id = internal::identityOf(info);
  status.stamp = internal::stampOf(basic);
  return status;
}

}  // namespace

file_status_t fileStatus(std::string const& name, name_from_t from) {
  // A name that names no file here (not UTF-8, another machine's share, the
  // device namespace) is missing and never asked about. The verbatim path
  // reaches exactly the file spelt: "NUL" or "Con.Air.1997.nfo" is a file
  // like any other, no device. A name that ends in a separator keeps it, and
  // only a folder answers to that.
  std::optional<std::filesystem::path> const native = platform::systemPath(name, from);
  if (!native) return file_status_t{};
  // As stat follows a link: what a reparse point (a symbolic link, a
  // junction) leads to; one that leads nowhere is missing. A list's name is
  // followed only to this machine.
  HANDLE handle = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SUCCESS;
  if (from == name_from_t::list) {
    internal::listed_open_t const listed =
        internal::openListed(*native, FILE_READ_ATTRIBUTES, shareAll, FILE_FLAG_BACKUP_SEMANTICS);
    if (listed.remote) {
      file_status_t status;
      status.remote = true;
      return status;
    }
    handle = listed.handle;
    error = listed.error;
  } else {
    handle = CreateFileW(native->c_str(), FILE_READ_ATTRIBUTES, shareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) error = GetLastError();
  }
  if (handle == INVALID_HANDLE_VALUE) return failed(error);
  internal::owned_handle_t const opened(internal::fromHandle(handle));
  return statusOf(handle);
}

}  // namespace dvk
