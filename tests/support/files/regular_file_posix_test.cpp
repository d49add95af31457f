// regular_file_t on POSIX: a FIFO or a device at the name is refused at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "files/regular_file.h"
#include "test_helpers.h"

namespace {

TEST(RegularFilePosix, AFifoWithoutWriterOrADeviceIsRefusedWithoutWaiting) {
  dvk::test::scratch_dir_t scratch("tarvok-regular-");
  std::string const fifo = scratch.path("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A blocking open would wait here for a writer that never comes.
  EXPECT_FALSE(dvk::regular_file_t(fifo).isOpen());
  EXPECT_FALSE(dvk::regular_file_t("/dev/null").isOpen());
}

}  // namespace
