// Writing a file whose name comes from a stranger (a stored file of an .srr):
// the name's folders are walked one by one without following a link, and the
// bytes go into a fresh file beside the name that is then renamed over it, so
// that a failure leaves the old file as it was. One algorithm
// (write_inside.cpp) over the platform's system calls
// (internal/write_inside_platform.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "files/file_id.h"
#include "files/file_status.h"

namespace dvk {

enum class write_outcome_t {
  written,       // the name now holds exactly the bytes
  openFailed,    // a folder is missing, or the name cannot be created or written
  writeFailed,   // writing, closing or the rename failed; the name is unchanged
  throughLink,   // a folder on the way or the name itself is a symbolic link
  leadsOutside,  // the name fails staysInside; nothing was looked up
  hiddenName,    // a part of the name begins with "." (hasHiddenPart); nothing was looked up
  keptFile,      // the name reaches a file that keep() asked to keep; nothing was written
  othersFolder,  // only an in-place rewrite could write it, in a folder that others can change
  // Windows only, each refused before any system call on the name:
  endsInDotOrSpace,  // a part ends in "." or " ", which Windows tools cannot open or delete
  deviceName,        // a part is exactly a device name (NUL, con, COM1, CONIN$, ...)
  dataStream,        // a ":" after the drive names a data stream of another file
  notUtf8,           // the name has no UTF-16 spelling
};

// What writeInside did, and to which file.
struct write_result_t {
  write_outcome_t outcome = write_outcome_t::openFailed;
  // written: the file that now bears the name; keptFile: the existing file
  // that keep() refused to have replaced. Unset otherwise.
  file_id_t file;
  // written: that file's size and stamp as the write left it.
  uint64_t size = 0;
  file_stamp_t stamp;
};

// Asked with the identity of the file that the name reaches, before anything
// is written: true keeps that file as it is (keptFile). An empty function
// keeps nothing.
using keep_file_t = std::function<bool(file_id_t const&)>;

// Writes size bytes as the file name, relative to the current directory.
// A name that leads outside or holds a hidden part (and, on Windows, a name
// Windows would alias or take for a device or a stream) is refused before
// any system call; an existing file is refused when keep() says so.
// Folders are split at "/" and "\" on every platform (a list made on Windows
// separates with "\"); no folder is created. An existing name must be a
// regular file that can be opened for writing and has a write bit (a
// read-only file is kept even by root; else openFailed, and nothing is
// written).
// The bytes go into "." + last part + "." + a random suffix in the name's
// folder, which takes the old file's owner and group where the process may
// give them, and its read and write bits (never an execute, set-ID or sticky
// bit: the bytes are a stranger's; the group's bits only with the group), and
// is renamed over the name; any failure or an interrupt (a signal that would
// end the program, Ctrl+C) removes it again. Only where that folder takes no
// new entry is the existing file rewritten in place, and only where no one
// but this user and root can change the folder's entries (else
// othersFolder), while it is the very file probed and that name is its one
// name. Its new size is reserved first and interrupts wait until it is
// whole, so that only an I/O error in the middle can leave it part-written.
// Prints nothing. An exception (out of memory) leaves no temporary file and
// no open handle behind.
write_result_t writeInside(std::string const& name, const uint8_t* bytes, std::size_t size,
                           keep_file_t const& keep = {});

// While one lives, the cleanup of writeInside's temporary files on a signal
// stays installed from one write to the next, so that many writes in a row
// (the blocks of one .srr) change the signals' dispositions once instead of
// at every write; they are given back as they were when the last one goes.
// Without one, each write installs and gives back its own. A signal that
// comes between two writes acts as it would have.
class write_batch_t {
 public:
  write_batch_t();
  ~write_batch_t();
  write_batch_t(write_batch_t const&) = delete;
  write_batch_t& operator=(write_batch_t const&) = delete;
};

}  // namespace dvk
