// The files this run has reported on, by identity: -x never writes one of
// them, whatever name reaches it, so the report is still true when the run ends.
#pragma once

#include <string>

#include "files/file_id.h"

namespace app {

enum class reported_as_t {
  checked,  // reported intact (" == : ") by the .sfv or the .srr check
  written,  // written by -x (" ++ : ", " ~~ : ")
  srr,      // the .srr being checked
};

struct reported_file_t {
  reported_as_t as = reported_as_t::checked;
  std::string name;  // as the report first showed it
};

// Records file as reported under name; a file already recorded keeps its
// first record, the one an error names.
void recordReported(dvk::file_id_t const& file, reported_as_t as, std::string const& name);

// The record of file, or null when this run has not reported on it.
reported_file_t const* findReported(dvk::file_id_t const& file);

// Forgets every record (a new run in the same process: the unit tests).
void forgetReported();

}  // namespace app
