// A file's identity on Windows, for every part of the file layer that meets
// one: the reader, the status query and the writer.
#pragma once

#include <windows.h>

#include <cstdint>

#include "files/file_id.h"
#include "files/file_status.h"

namespace dvk::internal {

inline file_id_t identityOf(BY_HANDLE_FILE_INFORMATION const& info) {
  return file_id_t{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

inline uint64_t sizeOf(BY_HANDLE_FILE_INFORMATION const& info) {
  return (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
}

// When the file last changed: its bytes and its status.
inline file_stamp_t stampOf(FILE_BASIC_INFO const& info) {
  return file_stamp_t{static_cast<uint64_t>(info.LastWriteTime.QuadPart),
                      static_cast<uint64_t>(info.ChangeTime.QuadPart)};
}

}  // namespace dvk::internal
