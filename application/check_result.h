// The outcome of one check, shared by the .sfv and .srr checks and by run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

struct result_t {
  bool passed = false;       // ok == checked and unparseable == 0, set at the end
  uint32_t checked = 0;      // entries taken up
  uint32_t ok = 0;           // intact on disk (or written by extraction)
  uint32_t mismatch = 0;     // present with other contents, or unreadable
  uint32_t missing = 0;      // absent, or a directory
  uint32_t unparseable = 0;  // .sfv lines that did not parse; a damaged .srr
  std::vector<std::string> mismatchedNames;
  std::vector<std::string> missingNames;
};

}  // namespace app
