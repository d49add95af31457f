// Reading regular files on Windows, opened by the verbatim path of the name
// (see nativePath) and known by the volume serial number and file index of
// the opened handle, whatever spelling reached them.
#include <windows.h>

#include <filesystem>
#include <limits>
#include <optional>

#include "files/internal/identity_win32.h"
#include "files/internal/listed_open_win32.h"
#include "files/internal/os_handle_win32.h"
#include "files/native_path.h"
#include "files/regular_file.h"

namespace dvk {

using internal::asHandle;

regular_file_t::regular_file_t(std::string const& name, name_from_t from) {
  std::optional<std::filesystem::path> const native = platform::systemPath(name, from);
  if (!native) return;
  // Without backup semantics a directory does not open; sharing everything
  // keeps the file usable by others while it is read. A list's name is
  // followed only to this machine.
  DWORD const share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE const handle = from == name_from_t::list
                            ? internal::openListed(*native, GENERIC_READ, share, FILE_FLAG_SEQUENTIAL_SCAN).handle
                            : CreateFileW(native->c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  // A console, a pipe or a serial port is no file on a disk.
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0 ||
      GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CloseHandle(handle);
    return;
  }
  handle_ = internal::fromHandle(handle);
  size_ = internal::sizeOf(info);
  left_ = size_;
  id_ = internal::identityOf(info);
  stamp_ = internal::stampOf(basic);
}

regular_file_t::~regular_file_t() {
  if (isOpen()) CloseHandle(asHandle(handle_));
}

int64_t regular_file_t::read(uint8_t* buffer, std::size_t count) {
  if (!isOpen()) return -1;
  uint64_t const wanted = count < left_ ? count : left_;
  if (wanted == 0) return 0;
  DWORD const asked =
      wanted > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max() : static_cast<DWORD>(wanted);
  DWORD got = 0;
  if (ReadFile(asHandle(handle_), buffer, asked, &got, nullptr) == 0) return -1;
  left_ -= got;
  return static_cast<int64_t>(got);
}

}  // namespace dvk
