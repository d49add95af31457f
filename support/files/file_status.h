// The platform layer's file-status query, with 64-bit sizes in every build.
#pragma once

#include <cstdint>
#include <string>

namespace dvk {

enum class file_kind_t { regular, directory, other };

struct file_status_t {
  bool ok = false;  // false when the query failed (missing, no access, ...)
  file_kind_t kind = file_kind_t::other;
  uint64_t size = 0;
};

// Queries path (as nativePath spells it; a name it cannot spell fails),
// following symbolic links (stat on POSIX; on Windows GetFileAttributesExW on
// the verbatim path, and the target's own status behind a reparse point).
file_status_t fileStatus(std::string const& path);

}  // namespace dvk
