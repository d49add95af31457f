// File status on Windows, by the verbatim path of the name.
#include <windows.h>

#include "files/file_status.h"
#include "files/native_path.h"

namespace dvk {

namespace {

uint64_t sizeOf(DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; }

file_status_t statusOf(DWORD attributes, uint64_t size) {
  file_status_t status;
  status.ok = true;
  status.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? file_kind_t::directory : file_kind_t::regular;
  status.size = status.kind == file_kind_t::regular ? size : 0;
  return status;
}

// The status of what a reparse point (a symbolic link, a junction) leads to,
// as stat follows a link; a link that leads nowhere is missing.
file_status_t followed(wchar_t const* path) {
  // No access rights are needed to ask; backup semantics opens a folder too.
  HANDLE const handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return file_status_t{};
  BY_HANDLE_FILE_INFORMATION info;
  bool const known = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known) return file_status_t{};
  return statusOf(info.dwFileAttributes, sizeOf(info.nFileSizeHigh, info.nFileSizeLow));
}

}  // namespace

file_status_t fileStatus(std::string const& path) {
  // A name that names no file here (not UTF-8, another machine's share, the
  // device namespace) is missing and never asked about.
  std::optional<std::filesystem::path> const native = platform::nativePath(path);
  if (!native) return file_status_t{};
  // The verbatim path reaches exactly the file spelt: "NUL" or
  // "Con.Air.1997.nfo" is a file like any other, no device. A name that
  // ends in a separator keeps it, and only a folder answers to that.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(native->c_str(), GetFileExInfoStandard, &data) == 0) return file_status_t{};
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return followed(native->c_str());
  return statusOf(data.dwFileAttributes, sizeOf(data.nFileSizeHigh, data.nFileSizeLow));
}

}  // namespace dvk
