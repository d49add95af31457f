// Seams of the platform writers for their unit tests: what only a race or a
// failing system call shows. The program leaves them as they are built.
#pragma once

#include <functional>

namespace dvk::internal {

struct write_seams_t {
  // Run after an existing name was probed and before anything is written
  // (a test swaps a link, a FIFO or another file in here).
  std::function<void()> afterProbe;
  // Closing the written file reports a failure (the file is still closed).
  bool failClose = false;
};

// The one set of seams, empty at start-up.
write_seams_t& writeSeams();

}  // namespace dvk::internal
