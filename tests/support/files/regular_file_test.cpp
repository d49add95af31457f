// regular_file_t: a regular file is read to its end in pieces; anything else
// is never opened.
#include "files/regular_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "test_helpers.h"

namespace {

using namespace std::string_literals;

// Everything the file gives, read in pieces of the given size; false when a
// read failed.
bool readAll(dvk::regular_file_t& file, std::size_t piece, std::string& bytes) {
  std::vector<uint8_t> buffer(piece);
  for (;;) {
    int64_t const got = file.read(buffer.data(), buffer.size());
    if (got < 0) return false;
    if (got == 0) return true;
    bytes.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  }
}

TEST(RegularFile, ReadsEveryByteInPiecesOfAnySize) {
  dvk::test::scratch_dir_t scratch("tarvok-regular-");
  std::string const data = "first line\r\nsecond\0line\n"s + std::string(5000, 'x');
  std::string const path = scratch.write("data.bin", data);
  for (std::size_t const piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, data.size() + 1}) {
    SCOPED_TRACE(piece);
    dvk::regular_file_t file(path);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.size(), data.size());
    std::string bytes;
    EXPECT_TRUE(readAll(file, piece, bytes));
    EXPECT_EQ(bytes, data);
  }
  dvk::regular_file_t empty(scratch.write("empty", ""));
  ASSERT_TRUE(empty.isOpen());
  EXPECT_EQ(empty.size(), 0u);
  uint8_t byte = 0;
  EXPECT_EQ(empty.read(&byte, 1), 0);
}

TEST(RegularFile, ReadsNoMoreThanTheSizeItHadWhenOpened) {
  dvk::test::scratch_dir_t scratch("tarvok-regular-");
  std::string const path = scratch.write("growing", "as opened");
  dvk::regular_file_t file(path);
  ASSERT_TRUE(file.isOpen());
  {
    std::ofstream more(path, std::ios::binary | std::ios::app);
    more << " and what came later";
  }
  std::string bytes;
  EXPECT_TRUE(readAll(file, 4, bytes));
  EXPECT_EQ(bytes, "as opened");
}

TEST(RegularFile, OneFileHasOneIdentityWhateverItsName) {
  dvk::test::scratch_dir_t scratch("tarvok-regular-");
  std::string const path = scratch.write("one", "x");
  std::string const other = scratch.write("other", "x");
  dvk::regular_file_t first(path);
  dvk::regular_file_t again(scratch.path("./one"));
  dvk::regular_file_t second(other);
  ASSERT_TRUE(first.isOpen() && again.isOpen() && second.isOpen());
  EXPECT_EQ(first.id(), again.id());
  EXPECT_NE(first.id(), second.id());
}

TEST(RegularFile, WhatIsNoRegularFileIsNotOpened) {
  dvk::test::scratch_dir_t scratch("tarvok-regular-");
  std::string const file = scratch.write("file", "x");
  for (std::string const& name :
       {scratch.path("missing"), scratch.dir().string(), file + std::string(1, '\0') + "x", file + "/"}) {
    SCOPED_TRACE(testing::PrintToString(name));
    dvk::regular_file_t opened(name);
    EXPECT_FALSE(opened.isOpen());
    uint8_t byte = 0;
    EXPECT_EQ(opened.read(&byte, 1), -1);
  }
}

}  // namespace
