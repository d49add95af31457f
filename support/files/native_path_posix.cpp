// Names for the system's file calls on POSIX systems: the bytes as they are.
#include "files/native_path.h"
#include "files/path_rules.h"

namespace dvk::platform {

std::optional<std::filesystem::path> nativePath(std::string const& path) {
  if (hasNulByte(path)) return std::nullopt;
  return std::filesystem::path(path);
}

// Kept apart from nativePath: a typed "\" is part of a POSIX name, whatever
// nativePath makes of names from a list.
std::optional<std::filesystem::path> typedPath(std::string const& path) {
  if (hasNulByte(path)) return std::nullopt;
  return std::filesystem::path(path);
}

}  // namespace dvk::platform
