// Finding the checksum file in the current working directory.
#pragma once

#include <cstdint>
#include <string>

namespace app {

struct discovery_t {
  std::string name;    // file name of the chosen candidate; "" when none
  uint32_t count = 0;  // number of candidates
};

// ext in lower case with its dot: ".sfv", ".srr", ".m3u" or ".nfo".
discovery_t discover(std::string const& ext);

}  // namespace app
