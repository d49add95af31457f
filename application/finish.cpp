// Finishing the program: a report that was lost must not end with status 0.
#include "finish.h"

#include <algorithm>
#include <iostream>

#include "console/console.h"
#include "program.h"

namespace app {

int exitStatus(uint64_t count) {
  constexpr uint64_t highest = 255;
  return static_cast<int>(std::min(count, highest));
}

int finish(int status) {
  // The stream keeps a failure it met earlier, so one test at the end covers
  // every write of the run. A broken pipe is not reported here: SIGPIPE ends
  // the program inside the write, as it does other tools in a pipeline.
  std::cout.flush();
  uint64_t const count = status < 0 ? 0 : static_cast<uint64_t>(status);
  if (!std::cout.fail()) return exitStatus(count);
  // Help returns before main sets the message prefix.
  dvk::con::setProgramName(programName);
  dvk::con::error([] { std::cerr << "could not write to standard output."; });
  return exitStatus(std::max(count, uint64_t{1}));
}

}  // namespace app
