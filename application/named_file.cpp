// The status of a name from a checksum file, and why it could not be had.
#include "named_file.h"

#include "console/console.h"
#include "files/system_reason.h"

namespace app {

named_file_t findNamed(std::string const& name) {
  named_file_t named;
  named.status = dvk::fileStatus(name);
  dvk::file_status_t const& status = named.status;
  if (status.ok) {
    named.found = status.kind == dvk::file_kind_t::directory ? found_t::directory : found_t::present;
  } else if (status.remote) {
    named.found = found_t::remote;
    dvk::con::error("'" + name + "' was not opened: it leads to another machine.");
  } else if (status.error) {
    named.found = found_t::failed;
    dvk::con::error("'" + name + "' could not be checked: " + dvk::systemReason(status.error) + ".");
  }
  return named;
}

}  // namespace app
