// File status on Windows.
#include <sys/stat.h>
#include <sys/types.h>

#include "files/file_status.h"
#include "files/native_path.h"
#include "files/path_rules.h"

namespace dvk {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The status query on the UTF-16 spelling of path; false, as for a missing
// file, when the name has none.
bool queryStatus(std::string const& path, struct _stat64& st) {
  std::optional<std::filesystem::path> const native = platform::nativePath(path);
  return native && _wstat64(native->c_str(), &st) == 0;
}

}  // namespace

file_status_t fileStatus(std::string const& path) {
  // Else a checksum file could make one file pass for another; and a name
  // that is not UTF-8 names nothing here, not even a device.
  if (!platform::nativePath(path)) return file_status_t{};
  // The runtime's status query refuses a trailing separator that POSIX stat
  // accepts on a directory ("dir/"); take it off and demand a directory, as
  // POSIX does. A root ("/", "C:\") keeps its separator.
  std::string query = path;
  bool trailing = false;
  while (query.size() > 1 && isSeparator(query.back())) {
    const bool driveRoot = query.size() == 3 && query[1] == ':';
    if (driveRoot) break;
    query.pop_back();
    trailing = true;
  }

  struct _stat64 st;
  file_status_t status;
  if (!queryStatus(query, st)) {
    if (!trailing && isDeviceName(query)) {
      status.ok = true;  // kind other: never opened
      return status;
    }
    // A share root ("\\server\share\") is found only with its separator.
    if (!trailing || !queryStatus(path, st)) return status;
  }
  const unsigned type = st.st_mode & _S_IFMT;
  if (type == _S_IFDIR) {
    status.kind = file_kind_t::directory;
  } else if (type == _S_IFREG) {
    status.kind = file_kind_t::regular;
  }
  if (trailing && status.kind != file_kind_t::directory) return file_status_t{};
  status.ok = true;
  status.size = st.st_size < 0 ? 0 : static_cast<uint64_t>(st.st_size);
  return status;
}

}  // namespace dvk
