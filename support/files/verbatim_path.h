// The one spelling every Windows file call gets for a name: "\\?\" and the
// absolute path. Pure text, so that it is tested on every platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dvk {

// The verbatim path of name (UTF-8, "/" and "\" both separate) seen from
// currentDirectory (UTF-16, as GetCurrentDirectoryW gives it: "C:\dir",
// "\\server\share\dir", or either in the verbatim form "\\?\C:\dir",
// "\\?\UNC\server\share\dir"). Win32 hands a verbatim path to the file
// system as it is: no device names ("\\?\C:\dir\NUL" is a file), no
// trailing dots or spaces taken off, no length limit. So this does what
// Win32 would otherwise do, on the text alone:
//   "C:\x", "C:/x"  absolute on drive C: "\\?\C:\x";
//   "\x"            on the drive or share of the current directory;
//   anything else   inside the current directory ("\\?\C:\dir\x",
//                   "\\?\UNC\server\share\dir\x").
// Every "/" becomes "\", empty and "." parts are dropped, and ".." drops the
// part before it (never the drive or the share). A name that ends in a
// separator, "." or ".." keeps one "\" at the end, so that only a folder
// answers to it, as on POSIX. The drive or share root always ends in "\"
// ("\\?\C:" without it would name the volume itself).
//
// Empty when the name can name no file:
//   - it begins with two separators ("\\host\share", "//host", "\\?\...",
//     "\\.\pipe\..."): another machine or the device namespace, never asked;
//   - it is drive-relative ("C:x", "C:"): each drive's own current directory
//     is hidden process state, so such a name is taken to name nothing;
//   - it is empty, holds a NUL, or is not UTF-8;
//   - the current directory is neither on a drive nor on a share.
std::optional<std::u16string> verbatimPath(std::u16string_view currentDirectory, std::string const& name);

// The verbatim path of a full path as GetFullPathNameW gives it, for a name
// the user typed, which Win32 has made absolute as it would for its own open:
//   "C:\x"              "\\?\C:\x";
//   "\\server\share\x"  "\\?\UNC\server\share\x";
//   "\\?\..."           as it is;
//   "\\.\..."           "\\?\...": the device namespace, which GetFullPathNameW
//                       keeps ("\\.\C:\x", or "\\.\NUL" for a typed "NUL").
// Empty for anything else: empty, relative, rooted without a drive ("\x"),
// drive-relative ("C:x"), a share without its server or its share name, or
// a prefix with nothing after it.
std::optional<std::u16string> verbatimOfFullPath(std::u16string_view fullPath);

}  // namespace dvk
