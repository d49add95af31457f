// Standard output and error captured for one application test; afterwards the
// console levels and the output options the report reads are put back.
#pragma once

#include <cstdint>
#include <iostream>
#include <string>

#include "console/console.h"
#include "program.h"
#include "test_helpers.h"

namespace dvk::test {

class app_output_t {
 public:
  app_output_t() { con::setProgramName(app::programName); }
  ~app_output_t() {
    app::optVerbose.count = 0;
    app::optQuiet.typed.clear();
    con::setVerbose(0);
    con::setQuiet(0);
  }
  app_output_t(app_output_t const&) = delete;
  app_output_t& operator=(app_output_t const&) = delete;

  // The -v count and the verbose level main derives from it.
  static void verboseCount(uint32_t count) {
    app::optVerbose.count = count;
    con::setVerbose(count + 1);
  }

  std::string out() const { return out_.text(); }
  std::string err() const { return err_.text(); }
  // Standard output so far; the capture starts empty again.
  std::string takeOut() { return out_.take(); }

 private:
  capture_t out_{std::cout};
  capture_t err_{std::cerr};
};

}  // namespace dvk::test
