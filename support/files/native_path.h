// The platform layer's spelling of a name for the system's file calls: one
// implementation per platform (native_path_posix.cpp, native_path_win32.cpp),
// chosen by the build.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace dvk::platform {

// Inside the program a name is a string of UTF-8 bytes on every platform.
// This is the form the system takes it in, ready for a file stream's open or
// a wide system call (c_str()): the bytes unchanged on POSIX; on Windows the
// verbatim path of verbatimPath (verbatim_path.h), "\\?\" and the absolute
// path from the current directory in UTF-16, which Win32 leaves as spelt.
// Empty when the name can name no file here: it holds a NUL byte (the call
// would see only the part before it), or, on Windows, its bytes are not
// valid UTF-8, it is empty or drive-relative ("C:x"), or it begins with two
// separators (another machine's share, the device namespace), which is never
// handed to the system at all.
std::optional<std::filesystem::path> nativePath(std::string const& path);

// The system's spelling of a path the user typed on the command line (a
// checksum file to check), which is the user's own and is opened as the
// system would open it, not under the rules for names from a checksum file.
// POSIX: the bytes unchanged, "\" included; empty for a NUL byte. Windows:
// empty when the bytes are not UTF-8 or hold a NUL; one that begins with
// "\\?\" is taken as it is; any other goes through GetFullPathNameW, as a
// Win32 open would (so "Z:x.sfv", "\\server\share\x.sfv" and "\\.\..." name
// what they name there), then into the verbatim form of verbatimOfFullPath
// (verbatim_path.h); empty when it gives none.
std::optional<std::filesystem::path> typedPath(std::string const& path);

}  // namespace dvk::platform
