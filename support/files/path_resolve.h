// The platform layer's path resolution: one implementation per platform
// (path_resolve_posix.cpp, path_resolve_win32.cpp), chosen by the build.
#pragma once

#include <optional>
#include <string>

namespace dvk::platform {

// The absolute name of an existing path with ".", ".." and symbolic links
// resolved (realpath on POSIX; the final path of an opened handle on Windows,
// in drive-letter form). Empty when the path does not resolve: missing, no
// access, a component that is not a directory, or a null path.
std::optional<std::string> resolvePath(const char* path);

}  // namespace dvk::platform
