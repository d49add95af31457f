// The platform layer's spelling of a name for the system's file calls: one
// implementation per platform (native_path_posix.cpp, native_path_win32.cpp),
// chosen by the build.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace dvk::platform {

// Inside the program a name is a string of UTF-8 bytes on every platform.
// This is the form the system takes it in: the bytes unchanged on POSIX,
// their UTF-16 spelling on Windows, ready for a file stream's open or a wide
// system call (c_str()). Empty when the name can name no file here: it holds
// a NUL byte (the call would see only the part before it), or, on Windows,
// its bytes are not valid UTF-8 and so have no UTF-16 spelling at all.
std::optional<std::filesystem::path> nativePath(std::string const& path);

}  // namespace dvk::platform
