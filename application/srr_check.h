// The .srr check: stored files and sample descriptions against the disk, and
// extraction of stored files that are missing or wrong.
#pragma once

#include "check_result.h"
#include "files/files.h"

namespace app {

// The caller records srr as reported (reported_as_t::srr) first, so that no
// block replaces the file being checked.
result_t checkSrr(dvk::file_t const& srr);

}  // namespace app
