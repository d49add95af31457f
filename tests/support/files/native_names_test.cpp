// Names are UTF-8 bytes inside the program on every platform: loading, status
// and opening for writing reach the file whose name spells them, and a name
// the platform cannot spell is never looked up or opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "files/file_status.h"
#include "files/files.h"
#include "files/native_path.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

// Two, three and four bytes a character.
const std::string utf8Name = "\xc3\xa9-\xe6\x97\xa5\xe6\x9c\xac-\xf0\x9d\x84\x9e.bin";

class NativeNames : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(scratch_.dir().empty()); }

  std::string at(std::string const& name) const { return scratch_.dir().u8string() + "/" + name; }

  // The names in the folder, as UTF-8, sorted.
  std::vector<std::string> listed() const {
    std::vector<std::string> names;
    for (fs::directory_entry const& entry : fs::directory_iterator(scratch_.dir())) {
      names.push_back(entry.path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Every byte of the folder's file name, read through the standard library.
  std::string read(std::string const& name) const {
    std::ifstream in(scratch_.dir() / fs::u8path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  dvk::test::scratch_dir_t scratch_{"tarvok-names-"};
};

TEST_F(NativeNames, Utf8NamesReachTheFileTheySpell) {
  // Made through the standard library's own UTF-8 conversion.
  std::ofstream(scratch_.dir() / fs::u8path(utf8Name), std::ios::binary) << "abc";

  dvk::file_status_t const status = dvk::fileStatus(at(utf8Name));
  EXPECT_TRUE(status.ok);
  EXPECT_EQ(status.kind, dvk::file_kind_t::regular);
  EXPECT_EQ(status.size, 3u);

  dvk::file_t file;
  ASSERT_TRUE(dvk::loadFile(at(utf8Name), file));
  EXPECT_EQ(std::string(file.data.begin(), file.data.end()), "abc");
  EXPECT_EQ(file.name, utf8Name);

  std::string const written = "new-" + utf8Name;
  {
    dvk::open_result_t opened = dvk::openForWrite(at(written), std::ios::out | std::ios::binary);
    ASSERT_TRUE(opened.ok);
    opened.stream << "xyz";
  }
  EXPECT_EQ(listed(), (std::vector<std::string>{written, utf8Name}));
  EXPECT_EQ(read(written), "xyz");
}

TEST_F(NativeNames, ANameWithANulByteIsNeverOpened) {
  // The system's calls would see only the part before it: another name.
  std::string const cut("a\0b", 3);
  scratch_.write("a", "abc");
  EXPECT_FALSE(dvk::platform::nativePath(cut).has_value());
  EXPECT_FALSE(dvk::fileStatus(at(cut)).ok);
  EXPECT_FALSE(dvk::exists(at(cut)));
  dvk::file_t file;
  EXPECT_FALSE(dvk::loadFile(at(cut), file));
  EXPECT_FALSE(dvk::openForWrite(at(cut), std::ios::out | std::ios::binary).ok);
  EXPECT_EQ(listed(), std::vector<std::string>{"a"});
  EXPECT_EQ(read("a"), "abc");
}

}  // namespace
