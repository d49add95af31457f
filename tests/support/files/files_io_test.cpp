// Loading whole files, status tests and opening for writing, on a scratch folder.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "files/file_status.h"
#include "files/files.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t GiB = uint64_t{1} << 30;

// A fresh folder per test, removed with everything in it afterwards.
class FilesIo : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }

  std::string at(std::string const& name) const { return scratch_.path(name); }
  std::string write(std::string const& name, std::string const& bytes) const { return scratch_.write(name, bytes); }

  // A file of the given length without its blocks: costs no disk space.
  std::string sparse(std::string const& name, uint64_t length) const {
    std::string path = write(name, "");
    std::error_code ec;
    fs::resize_file(path, length, ec);
    EXPECT_FALSE(ec) << ec.message();
    return path;
  }

  dvk::test::scratch_dir_t scratch_{"tarvok-files-"};
  fs::path const dir_ = scratch_.dir();
};

std::string asString(std::vector<uint8_t> const& data) { return std::string(data.begin(), data.end()); }

TEST_F(FilesIo, LoadReadsEveryByteAndSetsDirAndName) {
  // Bytes that text mode would change or stop at.
  std::string const bytes("a\r\nb\n\x1a\x00\xff z", 10);
  std::string const path = write("data.bin", bytes);
  dvk::file_t file;
  file.data.assign(100, 0x55);  // longer than the file: the tail must go
  ASSERT_TRUE(dvk::loadFile(path, file));
  EXPECT_EQ(asString(file.data), bytes);
  EXPECT_EQ(file.dir, dvk::dirName(path));
  EXPECT_EQ(file.name, "data.bin");
  EXPECT_EQ(file.dir + file.name, path);

  dvk::file_t viaPointer;
  ASSERT_TRUE(dvk::loadFile(path.c_str(), viaPointer));
  EXPECT_EQ(viaPointer.data, file.data);
  EXPECT_EQ(viaPointer.name, file.name);
}

TEST_F(FilesIo, LoadEmptyFileSucceedsWithEmptyData) {
  // A success like any other: the old bytes go and dir and name are replaced.
  std::string const path = write("empty.sfv", "");
  dvk::file_t file{"old/", "old.sfv", std::vector<uint8_t>(8, 1), {}};
  ASSERT_TRUE(dvk::loadFile(path, file));
  EXPECT_TRUE(file.data.empty());
  EXPECT_EQ(file.dir, dvk::dirName(path));
  EXPECT_EQ(file.name, "empty.sfv");
}

TEST_F(FilesIo, LoadFailureLeavesRecordUntouched) {
  std::string const existing = write("real.sfv", "abc");
  // A NUL names no file: not the existing file before it, nor the directory.
  for (std::string const& path : {at("missing.sfv"), at("nodir/missing.sfv"), std::string(),
                                  existing + std::string(1, '\0') + "tail", dir_.string() + std::string(1, '\0')}) {
    SCOPED_TRACE(testing::PrintToString(path));
    dvk::file_t file{"old/", "old.sfv", {1, 2, 3}, {}};
    EXPECT_FALSE(dvk::loadFile(path, file));
    EXPECT_EQ(file.dir, "old/");
    EXPECT_EQ(file.name, "old.sfv");
    EXPECT_EQ(file.data, (std::vector<uint8_t>{1, 2, 3}));
  }
}

TEST_F(FilesIo, LoadDirectoryFailsWithoutAllocating) {
  for (std::string const& path : {dir_.string(), at("")}) {
    SCOPED_TRACE(path);
    dvk::file_t file{"old/", "old.sfv", {9}, {}};
    EXPECT_FALSE(dvk::loadFile(path, file));
    EXPECT_EQ(file.dir, "old/");
    EXPECT_EQ(file.name, "old.sfv");
    EXPECT_EQ(file.data, std::vector<uint8_t>{9});
  }
}

TEST_F(FilesIo, LoadPathWithoutSeparator) {
  write("plain.srr", "xyz");
  dvk::test::in_directory_t here(dir_);
  dvk::file_t file{"old/", "old", {}, {}};
  ASSERT_TRUE(dvk::loadFile("plain.srr", file));
  EXPECT_EQ(file.dir, "");
  EXPECT_EQ(file.name, "plain.srr");
  EXPECT_EQ(asString(file.data), "xyz");
}

TEST_F(FilesIo, LoadTooLargeForAddressSpaceFails) {
  if (sizeof(std::size_t) > 4) GTEST_SKIP() << "only a 32-bit size_t cannot hold these lengths";
  // 3 GiB fits size_t but no vector; the others would wrap to 0, 1 and 1 GiB.
  for (uint64_t const length : {3 * GiB, 4 * GiB, 4 * GiB + 1, 5 * GiB}) {
    SCOPED_TRACE(length);
    std::string const path = sparse("huge.bin", length);
    dvk::file_t file{"old/", "old.bin", {7}, {}};
    EXPECT_FALSE(dvk::loadFile(path, file));
    EXPECT_EQ(file.dir, "old/");
    EXPECT_EQ(file.name, "old.bin");
    fs::remove(path);
  }
}

TEST_F(FilesIo, StatusOfFileDirectoryAndMissing) {
  std::string const file = write("a.sfv", "abc");
  struct {
    std::string path;
    bool exists;
    bool directory;
  } const cases[] = {
      {file, true, false},
      {dir_.string(), true, true},
      {dir_.string() + "/", true, true},
      {at("missing"), false, false},
      {at("missing/"), false, false},
      {file + "/x", false, false},  // through a regular file
      {"", false, false},
      {file + std::string(1, '\0') + "tail", false, false},  // not the file before the NUL
      {dir_.string() + std::string(1, '\0'), false, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(dvk::exists(c.path), c.exists);
    EXPECT_EQ(dvk::isDirectory(c.path), c.directory);
  }

  dvk::file_status_t const status = dvk::fileStatus(file);
  EXPECT_TRUE(status.ok);
  EXPECT_EQ(status.kind, dvk::file_kind_t::regular);
  EXPECT_EQ(status.size, 3u);
  EXPECT_EQ(dvk::fileStatus(dir_.string()).kind, dvk::file_kind_t::directory);
  EXPECT_FALSE(dvk::fileStatus(at("missing")).ok);
}

TEST_F(FilesIo, StatusFollowsSymbolicLinks) {
  write("target", "x");
  std::error_code ec;
  fs::create_symlink(dir_ / "target", dir_ / "link", ec);
  if (!ec) fs::create_directory_symlink(dir_, dir_ / "dirlink", ec);
  if (!ec) fs::create_symlink(dir_ / "gone", dir_ / "dangling", ec);
  if (ec) GTEST_SKIP() << "symbolic links unavailable: " << ec.message();

  EXPECT_TRUE(dvk::exists(at("link")));
  EXPECT_EQ(dvk::fileStatus(at("link")).kind, dvk::file_kind_t::regular);
  EXPECT_TRUE(dvk::isDirectory(at("dirlink")));
  EXPECT_FALSE(dvk::exists(at("dangling")));
}

TEST_F(FilesIo, StatusOfFileOver4GiB) {
  std::string const path = sparse("big.rar", 5 * GiB);
  dvk::file_status_t const status = dvk::fileStatus(path);
  EXPECT_TRUE(status.ok);
  EXPECT_EQ(status.kind, dvk::file_kind_t::regular);
  EXPECT_EQ(status.size, 5 * GiB);
  EXPECT_TRUE(dvk::exists(path));
  EXPECT_FALSE(dvk::isDirectory(path));
  fs::remove(path);
}

TEST_F(FilesIo, OpenForWriteInMissingDirectoryGivesError) {
  std::string const path = at("nodir/out.bin");
  dvk::test::capture_t capture(std::cerr);
  std::function<void()> print;
  {
    std::string transient = path;  // print must not depend on this string
    dvk::open_result_t result = dvk::openForWrite(transient, std::ios::out | std::ios::binary);
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(result.error.code, 0);
    print = result.error.print;
    transient.assign(transient.size(), '#');
  }
  EXPECT_EQ(capture.text(), "") << "openForWrite reports nothing itself";
  ASSERT_TRUE(print);
  print();
  EXPECT_EQ(capture.text(), "'" + path + "': could not be opened for writing");
  EXPECT_FALSE(fs::exists(dir_ / "nodir"));
}

TEST_F(FilesIo, OpenForWritePassesModeUnchanged) {
  struct {
    const char* name;
    std::ios_base::openmode mode;
    const char* afterOpen;
    const char* afterWrite;
  } const cases[] = {
      {"out", std::ios::out | std::ios::binary, "", "\r\n\x1a"},
      {"inout", std::ios::in | std::ios::out | std::ios::binary, "hello", "\r\n\x1alo"},
      {"append", std::ios::out | std::ios::app | std::ios::binary, "hello", "hello\r\n\x1a"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    std::string const path = write(c.name, "hello");
    {
      dvk::open_result_t result = dvk::openForWrite(path, c.mode);
      ASSERT_TRUE(result.ok);
      EXPECT_EQ(dvk::test::contents(path), c.afterOpen);  // truncation, if any, happens at the open
      result.stream.write("\r\n\x1a", 3);
    }  // destroying the result flushes and closes
    EXPECT_EQ(dvk::test::contents(path), c.afterWrite);
  }

  // in|out does not create a missing file, so the open fails.
  dvk::open_result_t const missing = dvk::openForWrite(at("absent"), std::ios::in | std::ios::out);
  EXPECT_FALSE(missing.ok);
  EXPECT_FALSE(fs::exists(dir_ / "absent"));
}

TEST_F(FilesIo, OpenForWriteRefusesPathWithNul) {
  // Opened as far as the NUL, the name would create or truncate another file.
  std::string const before = write("keep.bin", "keep");
  std::string const path = before + std::string(1, '\0') + ".part";
  dvk::open_result_t const result = dvk::openForWrite(path, std::ios::out | std::ios::binary);
  ASSERT_FALSE(result.ok);
  EXPECT_EQ(dvk::test::contents(before), "keep");
  dvk::test::capture_t capture(std::cerr);
  result.error.print();
  EXPECT_EQ(capture.text(), "'" + path + "': could not be opened for writing");

  dvk::open_result_t const fresh = dvk::openForWrite(at("new") + std::string(1, '\0'), std::ios::out);
  EXPECT_FALSE(fresh.ok);
  EXPECT_FALSE(fs::exists(dir_ / "new"));
}

TEST_F(FilesIo, OpenResultMovesItsAlternative) {
  std::string const path = at("moved.bin");
  {
    dvk::open_result_t first = dvk::openForWrite(path, std::ios::out | std::ios::binary);
    ASSERT_TRUE(first.ok);
    dvk::open_result_t second(std::move(first));
    ASSERT_TRUE(second.ok);
    second.stream << "moved";
  }
  EXPECT_EQ(dvk::test::contents(path), "moved");

  dvk::open_result_t failed = dvk::openForWrite(at("nodir/x"), std::ios::out);
  dvk::open_result_t moved(std::move(failed));
  ASSERT_FALSE(moved.ok);
  dvk::test::capture_t capture(std::cerr);
  moved.error.print();
  EXPECT_EQ(capture.text(), "'" + at("nodir/x") + "': could not be opened for writing");
}

}  // namespace
