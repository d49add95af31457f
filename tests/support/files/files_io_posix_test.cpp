// The status query on POSIX systems meets devices, which no caller ever opens:
// reading or writing one can block.
#include <gtest/gtest.h>

#include <string>

#include "files/file_status.h"
#include "files/files.h"
#include "test_helpers.h"

namespace {

TEST(FilesIoPosix, DevicesExistAsNeitherFileNorDirectory) {
  for (std::string const device : {"/dev/null", "/dev/zero"}) {
    SCOPED_TRACE(device);
    dvk::file_status_t const status = dvk::fileStatus(device);
    EXPECT_TRUE(status.ok);
    EXPECT_EQ(status.kind, dvk::file_kind_t::other);
  }
  // Names that only begin like a device are ordinary names.
  dvk::test::scratch_dir_t const scratch("tarvok-devices-");
  for (char const* name : {"nully", "com10", "console.sfv", "lpt10"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(dvk::exists(scratch.path(name)));
  }
}

}  // namespace
