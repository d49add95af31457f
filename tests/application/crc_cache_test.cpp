// diskCrc: chunked reading gives the whole-data CRC-32, a file is read once
// whatever name reaches it, and a sum is used only while the file it was
// taken from is still there as it was.
#include "crc_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "checksum/crc32.h"
#include "disk_crc_fixture.h"
#include "files/file_status.h"

namespace {

namespace fs = std::filesystem;
using dvk::test::DiskCrc;

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

// A sum the cache holds shows itself: cacheWritten records one that no read
// would give.
constexpr uint32_t planted = 0x12345678u;

void plant(std::string const& name) {
  dvk::file_status_t const status = dvk::fileStatus(name);
  app::cacheWritten(planted, dvk::write_result_t{dvk::write_outcome_t::written, status.id, status.size, status.stamp});
}

TEST_F(DiskCrc, AFileIsReadOnceWhateverNameReachesIt) {
  fs::create_directory("sub");
  write("sub/a.bin", {'h', 'e', 'l', 'l', 'o'});
  plant("sub/a.bin");
  for (std::string const name : {"sub/a.bin", "./sub/a.bin", "sub//a.bin", "sub\\a.bin"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(diskCrcOf(name).crc, planted);
  }
}

TEST_F(DiskCrc, ASumIsDroppedOnceItsFileChanged) {
  using changed_t = void (*)();
  struct {
    const char* what;
    changed_t change;
  } const changes[] = {
      // Another file at the name, made before the old one goes, so that it
      // cannot get the old one's identity.
      {"another file",
       [] {
         write("b.bin", {'w', 'o', 'r', 'l', 'd'});
         fs::rename("b.bin", "a.bin");
       }},
      {"another size",
       [] {
         write("a.bin", {'w', 'o', 'r', 'l', 'd', '!'});
       }},
      // Same file, same size: only the time of the change tells.
      {"another time",
       [] {
         auto const when = fs::last_write_time("a.bin");
         write("a.bin", {'w', 'o', 'r', 'l', 'd'});
         fs::last_write_time("a.bin", when - std::chrono::hours(1));
       }},
  };
  for (auto const& change : changes) {
    SCOPED_TRACE(change.what);
    write("a.bin", {'h', 'e', 'l', 'l', 'o'});
    plant("a.bin");
    ASSERT_EQ(diskCrcOf("a.bin").crc, planted);
    change.change();
    app::disk_crc_t const sum = diskCrcOf("a.bin");
    EXPECT_TRUE(sum.readable);
    EXPECT_NE(sum.crc, planted);
    EXPECT_EQ(sum.crc, diskCrcOf("./a.bin").crc);
  }
  EXPECT_EQ(output_.err(), "");
}

}  // namespace
