// Seams of the writer for its unit tests: what only a race or a failing
// system call shows. The program leaves them as they are built.
#pragma once

#include <functional>
#include <string>

namespace dvk::internal {

struct write_seams_t {
  // Run after an existing name was probed and before anything is written
  // (a test swaps a link, a FIFO or another file in here).
  std::function<void()> afterProbe;
  // Creating the temporary file is denied, as in a folder that takes no new
  // entry: the existing file is rewritten in place, where that is allowed.
  bool denyTemporary = false;
  // Run once the bytes are in the temporary file, before it is closed and
  // moved into place; given the temporary's name in its folder.
  std::function<void(std::string const& temporary)> afterWrite;
  // Closing the written file reports a failure (the file is still closed).
  bool failClose = false;
};

// The one set of seams, empty at start-up.
write_seams_t& writeSeams();

}  // namespace dvk::internal
