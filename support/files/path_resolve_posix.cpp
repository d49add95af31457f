// Path resolution on POSIX systems.
#include <cstdlib>

#include "files/path_resolve.h"

namespace dvk::platform {

std::optional<std::string> resolvePath(const char* path) {
  if (path == nullptr) return std::nullopt;
  // Without a caller buffer realpath allocates one of the right size.
  char* resolved = ::realpath(path, nullptr);
  if (resolved == nullptr) return std::nullopt;
  std::string name(resolved);
  std::free(resolved);
  return name;
}

}  // namespace dvk::platform
