// On POSIX a path the user typed is its bytes: no separator but "/", and no
// rule of the names from a checksum file.
#include <gtest/gtest.h>

#include <string>

#include "files/native_path.h"

namespace {

TEST(TypedPathPosix, IsTheBytesAsTyped) {
  std::string const paths[] = {"x.sfv",      "dir\\x.sfv", "\\\\server\\share\\x.sfv", "C:x.sfv", "//host/x",
                               "../x.sfv/.", "caf\xe9.sfv"};
  for (std::string const& path : paths) {
    SCOPED_TRACE(path);
    auto const typed = dvk::platform::typedPath(path);
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->native(), path);
  }
  EXPECT_FALSE(dvk::platform::typedPath(std::string("a\0b", 3)));
}

}  // namespace
