// diskCrc on POSIX: a FIFO is never opened, not even one swapped in after the
// status query, and a file this user may not read is reported once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "crc_cache.h"
#include "disk_crc_fixture.h"
#include "files/file_status.h"
#include "sfv_check.h"

namespace {

namespace fs = std::filesystem;
using dvk::test::DiskCrc;

TEST_F(DiskCrc, UnopenableFileIsReportedOnce) {
  write("locked.bin", {'x'});
  fs::permissions("locked.bin", fs::perms::none);
  // Root reads it all the same: this case runs again as an unprivileged user.
  if (std::ifstream("locked.bin")) GTEST_SKIP() << "permissions do not keep this user out";
  for (std::string const name : {"locked.bin", "./locked.bin"}) {
    app::disk_crc_t const sum = diskCrcOf(name);
    EXPECT_FALSE(sum.readable);
    EXPECT_EQ(sum.crc, 0u);
  }
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'locked.bin'\n");
  fs::permissions("locked.bin", fs::perms::owner_all);
}

TEST_F(DiskCrc, FifoIsNeverOpenedAndReportedOnce) {
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  for (int i = 0; i < 2; ++i) {
    app::disk_crc_t const sum = diskCrcOf("pipe");
    EXPECT_FALSE(sum.readable);
    EXPECT_EQ(sum.crc, 0u);
  }
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'pipe'\n");
}

// The status query said "regular file", then the name became a FIFO: the
// read must neither wait for a writer nor take the FIFO for the file.
TEST_F(DiskCrc, FifoSwappedInAfterTheStatusQueryIsNotRead) {
  write("swapped", {'x'});
  dvk::file_status_t const status = dvk::fileStatus("swapped");
  ASSERT_EQ(status.kind, dvk::file_kind_t::regular);
  fs::remove("swapped");
  ASSERT_EQ(::mkfifo("swapped", 0600), 0);
  app::disk_crc_t const sum = app::diskCrc("swapped", status);
  EXPECT_FALSE(sum.readable);
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'swapped'\n");
}

TEST_F(DiskCrc, AFifoAtANameThatHeldASumIsNotTakenForTheFile) {
  write("name", {'x'});
  dvk::file_status_t const status = dvk::fileStatus("name");
  app::cacheWritten(0x12345678u,
                    dvk::write_result_t{dvk::write_outcome_t::written, status.id, status.size, status.stamp});
  fs::remove("name");
  ASSERT_EQ(::mkfifo("name", 0600), 0);
  app::disk_crc_t const sum = diskCrcOf("name");
  EXPECT_FALSE(sum.readable);
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'name'\n");
}

TEST_F(DiskCrc, UnreadableNameIsAMismatchEvenForCrcZero) {
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  dvk::test::app_output_t::verboseCount(2);
  dvk::file_t list;
  list.name = "list.sfv";
  std::string const text = "pipe 00000000\r\npipe 00000000\r\n";
  list.data.assign(text.begin(), text.end());
  app::result_t const result = app::check(list);
  EXPECT_EQ(result.mismatch, 2u);
  EXPECT_EQ(result.ok, 0u);
  EXPECT_EQ(output_.out(),
            "verify list.sfv\n"
            " != : {00} pipe\n"
            " != : {00} pipe\n"
            ".sfv failed (2 mismatches; 0 passed out of 2 checked)\n");
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'pipe'\n");
}

}  // namespace
