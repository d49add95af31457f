// File status on POSIX systems.
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "files/file_status.h"
#include "files/internal/identity_posix.h"
#include "files/native_path.h"

namespace dvk {

// Without 64-bit offsets a 32-bit build's stat fails with EOVERFLOW for files
// of 2 GiB or more, and they would count as missing.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

file_status_t fileStatus(std::string const& name, name_from_t from) {
  std::optional<std::filesystem::path> const native = platform::systemPath(name, from);
  file_status_t status;
  if (!native) return status;
  struct stat info {};
  if (::stat(native->c_str(), &info) != 0) {
    // Absent: nothing at the name, or a file where a folder should be.
    if (errno != ENOENT && errno != ENOTDIR) status.error = std::error_code(errno, std::generic_category());
    return status;
  }
  status.ok = true;
  if (S_ISDIR(info.st_mode)) {
    status.kind = file_kind_t::directory;
  } else if (S_ISREG(info.st_mode)) {
    status.kind = file_kind_t::regular;
  }
  status.size = static_cast<uint64_t>(info.st_size);
  status.id = internal::identityOf(info);
  status.stamp = internal::stampOf(info);
  return status;
}

}  // namespace dvk
