// The writer of stored files, on every platform: new and existing names,
// folders on the way (split at "/" and "\"), the names it must refuse, the
// in-place rewrite where no new entry may be made, and failed closes.
#include "files/write_inside.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/file_status.h"
#include "files/internal/write_seams.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using dvk::write_outcome_t;
using names_t = std::vector<std::string>;

// A scratch folder that is the working directory while the test runs.
class WriteInside : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(scratch_.dir().empty()); }
  void TearDown() override { dvk::internal::writeSeams() = {}; }

  static dvk::write_result_t write(std::string const& name, std::string const& bytes,
                                   dvk::keep_file_t const& keep = {}) {
    return dvk::writeInside(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), keep);
  }
  static write_outcome_t put(std::string const& name, std::string const& bytes) { return write(name, bytes).outcome; }
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
  static dvk::file_id_t idOf(std::string const& name) { return dvk::fileStatus(name).id; }
  // As in a folder that takes no new entry: only the in-place rewrite can
  // write an existing name.
  static void denyNewEntries() { dvk::internal::writeSeams().denyTemporary = true; }

  dvk::test::scratch_dir_t scratch_{"tarvok-write-"};
  dvk::test::in_directory_t here_{scratch_.dir()};
};

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
  dvk::file_id_t const old = idOf("old.bin");
  dvk::write_result_t const written = write("old.bin", "new");
  EXPECT_EQ(written.outcome, write_outcome_t::written);
  EXPECT_EQ(read("old.bin"), "new");
  EXPECT_EQ(written.file, idOf("old.bin"));
  EXPECT_NE(written.file, old);
  EXPECT_EQ(entries(), (names_t{"old.bin"}));
}

TEST_F(WriteInside, NamesInFoldersSplitAtEitherSeparator) {
  fs::create_directories(scratch_.dir() / "sub" / "deeper");
  // A list made on Windows separates with "\": the same file on every
  // platform.
  struct {
    const char* name;
    const char* lands;
  } const cases[] = {{"sub/a", "sub/a"},  {"./sub/b", "sub/b"},
                     {"sub//c", "sub/c"}, {"sub/./deeper/d", "sub/deeper/d"},
                     {"sub\\e", "sub/e"}, {"sub\\deeper/f", "sub/deeper/f"},
                     {".\\g", "g"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(put(c.name, c.name), write_outcome_t::written);
    EXPECT_EQ(read(c.lands), c.name);
  }
  EXPECT_EQ(entries(), (names_t{"g", "sub"}));
  EXPECT_EQ(entries("sub"), (names_t{"a", "b", "c", "deeper", "e"}));
  EXPECT_EQ(entries("sub/deeper"), (names_t{"d", "f"}));
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
      {"dir\\", write_outcome_t::openFailed},
      {"", write_outcome_t::openFailed},
      {".", write_outcome_t::openFailed},
      {"../outside.txt", write_outcome_t::leadsOutside},
      {"dir/../../outside.txt", write_outcome_t::leadsOutside},
      {"..\\outside.txt", write_outcome_t::leadsOutside},
      {".hidden", write_outcome_t::hiddenName},
      {"dir\\.hidden", write_outcome_t::hiddenName},
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

TEST_F(WriteInside, KeepIsAskedAboutTheFileTheNameHolds) {
  scratch_.write("file", "old bytes");
  for (bool const inPlace : {false, true}) {
    SCOPED_TRACE(inPlace ? "in place" : "renamed over");
    dvk::internal::writeSeams().denyTemporary = inPlace;
    std::vector<dvk::file_id_t> asked;
    dvk::write_result_t const kept = write("file", "new bytes", [&](dvk::file_id_t const& id) {
      asked.push_back(id);
      return true;
    });
    EXPECT_EQ(kept.outcome, write_outcome_t::keptFile);
    EXPECT_EQ(asked, (std::vector<dvk::file_id_t>{idOf("file")}));
    EXPECT_EQ(kept.file, idOf("file"));
    EXPECT_EQ(read("file"), "old bytes");
  }
  EXPECT_EQ(entries(), (names_t{"file"}));
}

TEST_F(WriteInside, AFailedCloseIsAFailedWrite) {
  scratch_.write("old", "old bytes");
  dvk::internal::writeSeams().failClose = true;
  EXPECT_EQ(put("old", "new bytes"), write_outcome_t::writeFailed);
  EXPECT_EQ(put("new", "new bytes"), write_outcome_t::writeFailed);
  EXPECT_EQ(read("old"), "old bytes");
  EXPECT_EQ(entries(), (names_t{"old"}));
  // In place the bytes are in the file already: the write still counts as
  // failed.
  denyNewEntries();
  EXPECT_EQ(put("old", "new bytes"), write_outcome_t::writeFailed);
}

TEST_F(WriteInside, InPlaceTheFileItselfIsRewritten) {
  denyNewEntries();
  for (std::string const bytes : {"shorter", "much longer than the old bytes were", ""}) {
    SCOPED_TRACE(bytes);
    scratch_.write("file", "the old bytes");
    dvk::file_id_t const id = idOf("file");
    dvk::write_result_t const written = write("file", bytes);
    EXPECT_EQ(written.outcome, write_outcome_t::written);
    EXPECT_EQ(written.file, id);
    EXPECT_EQ(idOf("file"), id);
    EXPECT_EQ(read("file"), bytes);
  }
  // A new name needs a new entry.
  EXPECT_EQ(put("new", "bytes"), write_outcome_t::openFailed);
  EXPECT_EQ(entries(), (names_t{"file"}));
}

TEST_F(WriteInside, InPlaceNeverReachesAHardLinksOtherName) {
  fs::create_directory(scratch_.dir() / "other");
  scratch_.write("other/shared", "shared bytes");
  fs::create_hard_link(scratch_.dir() / "other" / "shared", scratch_.dir() / "file");
  denyNewEntries();
  EXPECT_EQ(put("file", "new bytes"), write_outcome_t::openFailed);
  EXPECT_EQ(read("other/shared"), "shared bytes");
  EXPECT_EQ(read("file"), "shared bytes");
}

TEST_F(WriteInside, InPlaceRefusesWhatChangedAfterTheProbe) {
  struct {
    const char* what;
    void (*change)(fs::path const& file);
  } const changes[] = {
      // Moved away rather than removed: a file open elsewhere keeps its name
      // on Windows until it is closed.
      {"another file",
       [](fs::path const& file) {
         fs::rename(file, file.parent_path() / "away");
         std::ofstream(file) << "other bytes";
       }},
      {"a second name", [](fs::path const& file) { fs::create_hard_link(file, file.parent_path() / "second"); }},
      // Root could still write it; it is no longer a file anyone may change.
      {"made read-only",
       [](fs::path const& file) {
         fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                         fs::perm_options::remove);
       }},
  };
  denyNewEntries();
  for (auto const& change : changes) {
    SCOPED_TRACE(change.what);
    scratch_.write("file", "old bytes");
    fs::path const file = scratch_.dir() / "file";
    std::string after;
    dvk::internal::writeSeams().afterProbe = [&] {
      change.change(file);
      after = read("file");
    };
    EXPECT_EQ(put("file", "new bytes"), write_outcome_t::openFailed);
    EXPECT_FALSE(after.empty()) << "the seam was not run";
    EXPECT_EQ(read("file"), after);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(file);
    fs::remove(scratch_.dir() / "second");
    fs::remove(scratch_.dir() / "away");
  }
}

}  // namespace
