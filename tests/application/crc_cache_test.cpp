// diskCrc: chunked reading gives the whole-data CRC-32, each name is read
// once, and a name that is not a regular file is never opened.
#include "crc_cache.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app_output.h"
#include "checksum/crc32.h"
#include "files/file_status.h"
#include "sfv_check.h"
#include "test_helpers.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;

// A scratch working directory; standard output and error are captured.
class DiskCrc : public ::testing::Test {
 protected:
  void SetUp() override { app::crcCache.clear(); }
  void TearDown() override { app::crcCache.clear(); }
  static void write(std::string const& name, std::vector<uint8_t> const& data) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  // diskCrc after the one status query a check makes.
  static app::disk_crc_t diskCrcOf(std::string const& name) { return app::diskCrc(name, dvk::fileStatus(name).kind); }
  dvk::test::working_dir_t dir_{"tarvok-crc-"};
  dvk::test::app_output_t output_;
};

TEST_F(DiskCrc, ChunkBoundariesGiveTheWholeDataCrc) {
  std::mt19937 bytes(20250228);
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(dvk::crc32Polynomial);
  std::size_t const chunk = app::diskChunkSize;
  for (std::size_t const size : {std::size_t{0}, std::size_t{1}, chunk - 1, chunk, chunk + 1, 2 * chunk + 7}) {
    SCOPED_TRACE(size);
    std::vector<uint8_t> data(size);
    for (uint8_t& byte : data) {
      byte = static_cast<uint8_t>(bytes());
    }
    std::string const name = "f" + std::to_string(size);
    write(name, data);
    app::disk_crc_t const sum = diskCrcOf(name);
    EXPECT_TRUE(sum.readable);
    EXPECT_EQ(sum.crc, dvk::crc32(0, data, tables));
  }
  EXPECT_EQ(output_.err(), "");
}

TEST_F(DiskCrc, EachNameIsReadOnce) {
  write("a.bin", {'h', 'e', 'l', 'l', 'o'});
  EXPECT_EQ(diskCrcOf("a.bin").crc, 0x3610a686u);
  write("a.bin", {'w', 'o', 'r', 'l', 'd'});
  EXPECT_EQ(diskCrcOf("a.bin").crc, 0x3610a686u);
  // Another spelling of the same path is another name.
  EXPECT_EQ(diskCrcOf("./a.bin").crc, 0x3a771143u);
}

TEST_F(DiskCrc, UnopenableFileIsReportedOnce) {
  write("locked.bin", {'x'});
  fs::permissions("locked.bin", fs::perms::none);
  if (std::ifstream("locked.bin")) {
    GTEST_SKIP() << "permissions do not keep this user out";
  }
  for (int i = 0; i < 2; ++i) {
    app::disk_crc_t const sum = diskCrcOf("locked.bin");
    EXPECT_FALSE(sum.readable);
    EXPECT_EQ(sum.crc, 0u);
  }
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'locked.bin'\n");
  fs::permissions("locked.bin", fs::perms::owner_all);
}

#ifndef _WIN32
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
  ASSERT_EQ(::mkfifo("swapped", 0600), 0);
  app::disk_crc_t const sum = app::diskCrc("swapped", dvk::file_kind_t::regular);
  EXPECT_FALSE(sum.readable);
  EXPECT_EQ(output_.err(), "tarvok: error: could not read from 'swapped'\n");
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
#endif

}  // namespace
