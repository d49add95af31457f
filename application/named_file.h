// What the disk holds at a name from a checksum file, as both checks test it:
// one status query, and the error line where the query itself failed.
#pragma once

#include <string>

#include "files/file_status.h"

namespace app {

enum class found_t {
  absent,     // nothing is there
  directory,  // a folder: never a file of the release
  remote,     // a link to another machine, never followed (after an error line)
  failed,     // the query failed for another reason (after an error line)
  present,    // a file (status tells its kind)
};

struct named_file_t {
  found_t found = found_t::absent;
  dvk::file_status_t status;
};

// Queries name. A failure other than the name's absence (no access to a
// folder on the way, a loop of links, a name too long, an I/O error) gets the
// error "'" + name + "' could not be checked: " + the system's reason + ".";
// a link to another machine "'" + name + "' was not opened: it leads to
// another machine.".
named_file_t findNamed(std::string const& name);

}  // namespace app
