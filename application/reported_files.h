// The files this run has reported on, by identity: -x never writes one of
// them, whatever name reaches it, so the report is still true when the run
// ends. The records live in the one table of known files (known_files.h).
#pragma once

#include <string>

#include "files/file_id.h"
#include "files/name_from.h"
#include "known_files.h"

namespace app {

// Records file as reported under name, which comes from from (see
// reported_file_t); a file already recorded keeps its first record, the one
// an error names.
void recordReported(dvk::file_id_t const& file, reported_as_t as, std::string const& name,
                    dvk::name_from_t from = dvk::name_from_t::list);

// The record of file, or null when this run has not reported on it.
reported_file_t const* findReported(dvk::file_id_t const& file);

// True when file is one this run reported on and is still the file that its
// record's name reaches. A record whose name now reaches another file or none
// (the file was replaced, and the system gave its identity to another) is
// no longer true: it is dropped, and keeps nothing.
bool keepReported(dvk::file_id_t const& file);

// Forgets everything the run knew (a new run in the same process: the unit
// tests).
void forgetReported();

}  // namespace app
