// Standard output and error captured for one test; afterwards the streams, the
// console levels and the output options the report reads are put back.
#pragma once

#include <cstdint>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "console/console.h"
#include "program.h"

class CapturedOutput {
 public:
  CapturedOutput() : savedOut_(std::cout.rdbuf(out_.rdbuf())), savedErr_(std::cerr.rdbuf(err_.rdbuf())) {
    dvk::con::setProgramName(app::programName);
  }
  ~CapturedOutput() {
    std::cout.rdbuf(savedOut_);
    std::cerr.rdbuf(savedErr_);
    app::optVerbose.count = 0;
    app::optQuiet.typed.clear();
    dvk::con::setVerbose(0);
    dvk::con::setQuiet(0);
  }
  CapturedOutput(CapturedOutput const&) = delete;
  CapturedOutput& operator=(CapturedOutput const&) = delete;

  // The -v count and the verbose level main derives from it.
  static void verboseCount(uint32_t count) {
    app::optVerbose.count = count;
    dvk::con::setVerbose(count + 1);
  }

  std::string out() const { return out_.str(); }
  std::string err() const { return err_.str(); }
  // Standard output so far; the capture starts empty again.
  std::string takeOut() {
    std::string text = out_.str();
    out_.str("");
    return text;
  }

 private:
  // Declared before the saved buffers: they exist when the constructor swaps them in.
  std::ostringstream out_;
  std::ostringstream err_;
  std::streambuf* savedOut_;
  std::streambuf* savedErr_;
};
