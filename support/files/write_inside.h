// Writing a file whose name comes from a stranger (a stored file of an .srr):
// the name's folders are walked one by one without following a link, and the
// bytes go into a fresh file beside the name that is then renamed over it, so
// that a failure leaves the old file as it was. One implementation per
// platform (write_inside_posix.cpp, write_inside_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dvk {

enum class write_outcome_t {
  written,       // the name now holds exactly the bytes
  openFailed,    // a folder is missing, or the name cannot be created or written
  writeFailed,   // writing, closing or the rename failed; the name is unchanged
  throughLink,   // a folder on the way or the name itself is a symbolic link
  leadsOutside,  // the name fails staysInside; nothing was looked up
};

// Writes size bytes as the file name, relative to the current directory.
// Folders are split as the platform splits them ("/" on POSIX, "/" and "\" on
// Windows); no folder is created. An existing name must be a regular file
// that can be opened for writing (else openFailed, and nothing is written).
// The bytes go into "." + last part + "." + a random suffix in the name's
// folder, which is renamed over the name; any failure removes it again. Only
// where that folder takes no new entry but the existing file is writable is
// the file rewritten in place, and only then can a failed write leave it
// part-written. Windows also refuses device and data-stream names
// (openFailed). Prints nothing. An exception (out of memory) leaves no
// temporary file and no open handle behind.
write_outcome_t writeInside(std::string const& name, const uint8_t* bytes, std::size_t size);

}  // namespace dvk
