// Names for the system's file calls on POSIX systems: the bytes as they are,
// but for the separators of a name from a checksum file.
#include <algorithm>

#include "files/native_path.h"
#include "files/path_rules.h"

namespace dvk::platform {

std::optional<std::filesystem::path> nativePath(std::string const& path) {
  if (hasNulByte(path)) return std::nullopt;
  // A list made on Windows separates with "\", and the name rules split there
  // too: so does the lookup, or "sub\b.r00" would name another file than
  // the one those rules let through.
  std::string spelt = path;
  std::replace(spelt.begin(), spelt.end(), '\\', '/');
  return std::filesystem::path(spelt);
}

std::optional<std::filesystem::path> typedPath(std::string const& path) {
  if (hasNulByte(path)) return std::nullopt;
  return std::filesystem::path(path);
}

std::optional<std::filesystem::path> entryPath(std::string const& entry) { return typedPath(entry); }

}  // namespace dvk::platform
