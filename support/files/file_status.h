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

// No file has a NUL byte in its name: the system's calls would take only the
// part before it, which names another file. Such a path is never looked up,
// loaded or opened.
inline bool hasNulByte(std::string const& path) { return path.find('\0') != std::string::npos; }

// Queries path, following symbolic links (stat on POSIX, _wstat64 on the UTF-16 name on Windows).
file_status_t fileStatus(std::string const& path);

}  // namespace dvk
