// Finding the checksum file in the current working directory.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace app {

struct discovery_t {
  std::string name;         // file name of the chosen candidate; "" when none
  uint32_t count = 0;       // number of candidates
  std::error_code failure;  // why the directory could not be listed; empty when it was
};

// ext in lower case with its dot: ".sfv", ".srr", ".m3u" or ".nfo". When the
// current directory cannot be listed to its end, no candidate and the
// listing's failure: it was never looked in. A tie-break's own listing that
// fails after the first one listed (the directory changed in between) only
// leaves that tie-break without a candidate.
discovery_t discover(std::string const& ext);

}  // namespace app
