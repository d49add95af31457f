// The end of main: a standard output that lost a write makes the status non-zero.
#include "finish.h"

#include <gtest/gtest.h>

#include <iostream>

#include "app_output.h"

namespace {

TEST(Finish, StatusAfterStandardOutput) {
  struct {
    bool lost;
    int status;
    int finished;
  } const cases[] = {
      {false, 0, 0}, {false, 2, 2}, {false, 300, 255}, {true, 0, 1}, {true, 1, 1}, {true, 7, 7}, {true, 300, 255},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(testing::Message() << "lost " << c.lost << ", status " << c.status);
    dvk::test::app_output_t output;
    std::cout << "report\n";
    if (c.lost) std::cout.setstate(std::ios::badbit);
    EXPECT_EQ(app::finish(c.status), c.finished);
    std::cout.clear();
    EXPECT_EQ(output.err(), c.lost ? "tarvok: error: could not write to standard output.\n" : "");
  }
}

}  // namespace
