// The writer of stored files, on every platform: new and existing names,
// folders on the way, and the names it must refuse.
#include "files/write_inside.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using dvk::write_outcome_t;

// A scratch folder that is the working directory while the test runs.
class WriteInside : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(scratch_.dir().empty()); }

  static write_outcome_t put(std::string const& name, std::string const& bytes) {
    return dvk::writeInside(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()).outcome;
  }
  std::string read(std::string const& name) const { return dvk::test::contents(scratch_.path(name)); }
  // Every entry of a folder of the scratch folder, sorted: shows any stray.
  std::vector<std::string> entries(std::string const& folder = "") const {
    std::vector<std::string> names;
    for (auto const& entry : fs::directory_iterator(scratch_.dir() / folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  dvk::test::scratch_dir_t scratch_{"tarvok-write-"};
  dvk::test::in_directory_t here_{scratch_.dir()};
};

using names_t = std::vector<std::string>;

TEST_F(WriteInside, NewNameIsWrittenAndNothingElse) {
  EXPECT_EQ(put("new.bin", std::string("a\0b\r\n", 5)), write_outcome_t::written);
  EXPECT_EQ(read("new.bin"), std::string("a\0b\r\n", 5));
  EXPECT_EQ(put("empty.bin", ""), write_outcome_t::written);
  EXPECT_TRUE(fs::is_regular_file(scratch_.dir() / "empty.bin"));
  EXPECT_EQ(fs::file_size(scratch_.dir() / "empty.bin"), 0u);
  EXPECT_EQ(entries(), (names_t{"empty.bin", "new.bin"}));
}

TEST_F(WriteInside, ExistingNameIsReplacedWhole) {
  scratch_.write("old.bin", "old and longer contents");
  EXPECT_EQ(put("old.bin", "new"), write_outcome_t::written);
  EXPECT_EQ(read("old.bin"), "new");
  EXPECT_EQ(entries(), (names_t{"old.bin"}));
}

TEST_F(WriteInside, NamesInFolders) {
  fs::create_directories(scratch_.dir() / "sub" / "deeper");
  for (std::string const name : {"sub/a", "./sub/b", "sub//c", "sub/./deeper/d"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(put(name, name), write_outcome_t::written);
    EXPECT_EQ(read(name), name);
  }
  EXPECT_EQ(entries("sub"), (names_t{"a", "b", "c", "deeper"}));
  EXPECT_EQ(entries("sub/deeper"), (names_t{"d"}));
}

TEST_F(WriteInside, WhatCannotBeWritten) {
  fs::create_directory(scratch_.dir() / "dir");
  scratch_.write("file", "keep");
  struct case_t {
    const char* name;
    write_outcome_t expected;
  };
  case_t const cases[] = {
      {"missing/a.txt", write_outcome_t::openFailed},  // no folder is created
      {"dir/missing/a.txt", write_outcome_t::openFailed},
      {"dir", write_outcome_t::openFailed},  // a folder is never replaced
      {"file/a.txt", write_outcome_t::openFailed},
      {"dir/", write_outcome_t::openFailed},
      {"", write_outcome_t::openFailed},
      {".", write_outcome_t::openFailed},
      {"../outside.txt", write_outcome_t::leadsOutside},
      {"dir/../../outside.txt", write_outcome_t::leadsOutside},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(put(c.name, "payload"), c.expected);
  }
  EXPECT_EQ(entries(), (names_t{"dir", "file"}));
  EXPECT_TRUE(entries("dir").empty());
  EXPECT_EQ(read("file"), "keep");
  EXPECT_FALSE(fs::exists(scratch_.dir().parent_path() / "outside.txt"));
}

}  // namespace
