// parseUnsigned at the width of the Windows deliverable's unsigned long.
#include <gtest/gtest.h>

#include "text/text.h"

namespace {

// 64 bits in the Windows deliverable.
TEST(ParseUnsigned, TheWindowsDeliverablesWidthIs64Bits) {
  EXPECT_EQ(dvk::parseUnsigned("100000000", 16), 4294967296);
  EXPECT_EQ(dvk::parseUnsigned("-1", 10), -1);
}

}  // namespace
