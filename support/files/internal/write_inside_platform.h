// The platform's half of writeInside: the system calls that the steps of the
// one algorithm (write_inside.cpp) need, written once per platform in
// write_inside_posix.cpp and write_inside_win32.cpp. Every rule of what is
// written, kept or refused lives in the algorithm; a step here only asks the
// system and tells what it found. Names and parts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "files/file_id.h"
#include "files/file_status.h"
#include "files/internal/os_handle.h"
#include "files/write_inside.h"

namespace dvk::internal {

// A folder on the way, held open from the current directory inward. On POSIX
// every entry is opened relative to its descriptor; on Windows, where a
// folder can be held but not opened relative to, it is held so that no one
// can rename or replace it, and its entries are spelt from the current
// directory and then tested by handle.
struct folder_t {
  owned_handle_t handle;
  std::string spelt;  // as spelt from the current directory: "" or "a/b/"
};

// What the system tells of an open file or of an entry.
struct file_facts_t {
  file_id_t id;
  uint64_t size = 0;
  file_stamp_t stamp;
  uint64_t links = 0;
  // A regular file that someone may write: POSIX, a write bit for anyone
  // (a file that nobody may write is kept even by root, who could);
  // Windows, a file on a disk that is not read-only.
  bool replaceable = false;
  // What a replacement takes over: the mode bits, owner and group on POSIX;
  // the attributes on Windows.
  uint32_t permissions = 0;
  uint32_t owner = 0;
  uint32_t group = 0;
};

// The name rules of the platform alone, on the text: on Windows a data
// stream, a device name, a part that ends in "." or " ", bytes that are not
// UTF-8; none on POSIX.
std::optional<write_outcome_t> refusedByPlatform(std::string const& name);

// Holds the current directory (written, or openFailed).
write_outcome_t openCurrentFolder(folder_t& folder);

// Holds the folder part inside parent, never through a link: written,
// throughLink or openFailed (missing, not a folder, no access).
write_outcome_t openFolder(folder_t const& parent, std::string const& part, folder_t& folder);

enum class entry_t { absent, link, failed, present };

// What the entry part of folder is, without following or opening it for
// anything but its status: present fills facts.
entry_t lookAt(folder_t const& folder, std::string const& part, file_facts_t& facts);

enum class open_for_t {
  probe,    // to learn that this user may write it; others may go on using it
  rewrite,  // to write it in place; Windows lets no one else write it meanwhile
};

// Opens the existing file last of folder for writing, without following a
// link, truncating or waiting (a FIFO swapped in), and fills facts from what
// was opened: written, throughLink or openFailed. Opened for probe, file then
// pins the file (on Windows by a handle for its attributes alone), so that no
// other file can be given its identity while it is held; it must go before
// the file is replaced, for a file that is open cannot be replaced on
// Windows.
write_outcome_t openExisting(folder_t const& folder, std::string const& last, open_for_t purpose, owned_handle_t& file,
                             file_facts_t& facts);

// The facts of an open file.
bool identify(os_handle_t file, file_facts_t& facts);

// True when no one but this user and root can change the entries of folder
// (POSIX: it is owned by the effective user or root and writable by neither
// its group nor others); always true on Windows.
bool folderIsPrivate(folder_t const& folder);

// The temporary file beside a name.
struct temporary_file_t {
  std::string leaf;       // its name in the folder
  owned_handle_t file;    // open for writing
  owned_handle_t keeper;  // Windows: renames and removes it by handle once file is closed
};

enum class created_t { created, taken, denied, failed };

// Creates temporary.leaf in folder, exclusively and never through a link:
// readable by this user alone when replacing (the old file's permissions
// come next), else as the umask says. taken: something bears the name;
// denied: the folder takes no new entry; failed: anything else, and nothing
// is left.
created_t createTemporary(folder_t const& folder, temporary_file_t& temporary, bool replacing);

// True when the temporary that was created lies in folder under its leaf
// name. On Windows it is created by a path, which a folder swapped for a link
// above the held ones sends elsewhere; on POSIX always, as it is created
// relative to the folder's descriptor.
bool liesIn(folder_t const& folder, temporary_file_t const& temporary);

// The handle by which an interrupt removes the temporary (see
// recordTemporary): Windows, the keeper; POSIX, none (by its name).
os_handle_t removalHandle(temporary_file_t const& temporary);

// Removes the temporary: POSIX by its name in the held folder; Windows by
// handle, wherever it lies now.
void removeTemporary(folder_t const& folder, temporary_file_t& temporary);

// Moves the temporary over the entry last of folder, whatever it is now (a
// link or a FIFO swapped in is replaced, never written through). Windows
// moves the file it holds; POSIX moves what bears its name.
bool renameTemporary(folder_t const& folder, temporary_file_t const& temporary, std::string const& last);

// Gives the fresh file (facts fresh) what it takes over from the file old
// that it replaces: POSIX the owner and group where this process may give
// them, and the read and write bits (the group's only with the group);
// Windows the attributes.
bool takeOver(os_handle_t file, file_facts_t const& fresh, file_facts_t const& old);

// Writes up to size bytes at offset; the number written, or -1.
int64_t writeAt(os_handle_t file, const uint8_t* bytes, std::size_t size, uint64_t offset);

enum class reserved_t { reserved, unsupported, failed };

// Reserves room for size bytes without changing what the file holds, so that
// a full disk or a file size limit fails here, before the first byte
// changes: failed when there is no room or the limit is lower (POSIX:
// RLIMIT_FSIZE); unsupported where the system reserves nothing.
reserved_t reserveSize(os_handle_t file, std::size_t size);

// Makes size the end of the file.
bool setEnd(os_handle_t file, std::size_t size);

}  // namespace dvk::internal
