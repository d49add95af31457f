// The listing of the current directory, for finding a checksum file in it:
// one implementation per platform (directory_listing_posix.cpp,
// directory_listing_win32.cpp), chosen by the build.
#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace dvk {

struct directory_listing_t {
  std::string name;                  // the directory's own name, its last part ("" at a root)
  std::vector<std::string> entries;  // every entry but "." and "..", in the system's order
};

// Lists the current directory; names are UTF-8 (on Windows, a name without a
// UTF-8 spelling, which only a damaged name has, is left out: this program
// could not open it either). The system's error when the directory cannot be
// found or listed to its end (a folder that may be searched but not read
// gives "permission denied"), else an empty error code. On Windows it is
// listed by its verbatim path (see nativePath), so a folder deeper than 260
// characters lists too, and an error is a system error code (GetLastError).
[[nodiscard]] std::error_code listCurrentDirectory(directory_listing_t& listing);

}  // namespace dvk
