// Finishing the program: a report that was lost must not end with status 0.
#include "finish.h"

#include <algorithm>
#include <iostream>

#include "console/console.h"
#include "program.h"

namespace app {

int finish(int status) {
  // The stream keeps a failure it met earlier, so one test at the end covers
  // every write of the run. A broken pipe is not reported here: SIGPIPE ends
  // the program inside the write, as it does other tools in a pipeline.
  std::cout.flush();
  int const highest = 255;
  if (!std::cout.fail()) return std::min(status, highest);
  // Help returns before main sets the message prefix.
  dvk::con::setProgramName(programName);
  dvk::con::error([] { std::cerr << "could not write to standard output."; });
  return std::clamp(status, 1, highest);
}

}  // namespace app
