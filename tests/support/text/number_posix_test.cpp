// parseUnsigned at the width of the Linux deliverable's unsigned long.
#include <gtest/gtest.h>

#include "text/text.h"

namespace {

// 32 bits in the Linux deliverable, even when built for x86-64.
TEST(ParseUnsigned, TheLinuxDeliverablesWidthIs32Bits) {
  EXPECT_EQ(dvk::parseUnsigned("100000000", 16), 4294967295);
  EXPECT_EQ(dvk::parseUnsigned("-1", 10), 4294967295);
}

}  // namespace
