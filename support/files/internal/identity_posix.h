// A file's identity on POSIX systems, for every part of the file layer that
// meets one: the reader, the status query and the writer.
#pragma once

#include <sys/stat.h>

#include <cstdint>

#include "files/file_id.h"
#include "files/file_status.h"

namespace dvk::internal {

inline file_id_t identityOf(struct stat const& info) {
  return file_id_t{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

inline uint64_t nanoseconds(struct timespec const& time) {
  return static_cast<uint64_t>(time.tv_sec) * 1000000000u + static_cast<uint64_t>(time.tv_nsec);
}

// When the file last changed: its bytes (mtime) and its status (ctime).
inline file_stamp_t stampOf(struct stat const& info) {
  return file_stamp_t{nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

}  // namespace dvk::internal
