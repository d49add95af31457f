// The platform layer's file-status query, with 64-bit sizes in every build.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

#include "files/file_id.h"
#include "files/name_from.h"

namespace dvk {

enum class file_kind_t { regular, directory, other };

// When a file last changed, in the system's own units: a file whose bytes or
// status changed since has another stamp (POSIX: mtime and ctime, which no
// user can set back; Windows: the last write and change times).
struct file_stamp_t {
  uint64_t modified = 0;
  uint64_t changed = 0;
};

inline bool operator==(file_stamp_t const& a, file_stamp_t const& b) {
  return a.modified == b.modified && a.changed == b.changed;
}
inline bool operator!=(file_stamp_t const& a, file_stamp_t const& b) { return !(a == b); }

struct file_status_t {
  bool ok = false;  // the query succeeded: a file is there
  file_kind_t kind = file_kind_t::other;
  uint64_t size = 0;
  file_id_t id;  // the file that was found
  file_stamp_t stamp;
  // Why the query failed, when it did. Empty when the name names nothing:
  // absent (ENOENT, ENOTDIR; on Windows not found), or a name that
  // nativePath cannot spell. Anything else (no access to a folder on the way,
  // a loop of links, a name too long, an I/O error) is a reason to report.
  std::error_code error;
  // A link that leads to another machine (Windows): never followed.
  bool remote = false;
};

// Queries name, following symbolic links: stat on POSIX; on Windows the file
// opened for its attributes alone, where a name from a list is followed
// through a reparse point only when its target is on this machine.
file_status_t fileStatus(std::string const& name, name_from_t from = name_from_t::list);

}  // namespace dvk
