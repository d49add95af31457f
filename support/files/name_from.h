// Where a name comes from, which decides how the system is asked for it.
#pragma once

namespace dvk {

// A name from a checksum file is a stranger's and keeps the strict rules of
// nativePath; a path the user typed (a checksum file named on the command
// line) is opened as the system itself would open it (typedPath); an entry
// that the listing of the current directory gave is that entry, as it is
// (entryPath).
enum class name_from_t { list, user, directory };

}  // namespace dvk
