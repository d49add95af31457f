// On Windows a name whose bytes are not UTF-8 has no UTF-16 spelling: it is
// never looked up, loaded or opened, and the file that a narrow call in the
// ANSI code page would have reached instead stays as it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "files/file_status.h"
#include "files/files.h"
#include "files/native_path.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

TEST(NativeNamesWin32, ANameThatIsNotUtf8IsNeverOpened) {
  dvk::test::scratch_dir_t const scratch("tarvok-names-");
  // The Latin-1 bytes of "café.bin".
  std::string const notUtf8 = "caf\xe9.bin";
  std::string const at = scratch.dir().u8string() + "/" + notUtf8;
  EXPECT_FALSE(dvk::platform::nativePath(notUtf8).has_value());
  EXPECT_FALSE(dvk::platform::typedPath(notUtf8).has_value());

  std::string const otherReading = "caf\xc3\xa9.bin";
  std::ofstream(scratch.dir() / fs::u8path(otherReading), std::ios::binary) << "abc";

  EXPECT_FALSE(dvk::fileStatus(at).ok);
  EXPECT_FALSE(dvk::exists(at));
  dvk::file_t file;
  EXPECT_FALSE(dvk::loadFile(at, file));
  dvk::open_result_t const opened = dvk::openForWrite(at, std::ios::out | std::ios::binary);
  ASSERT_FALSE(opened.ok);
  dvk::test::capture_t capture(std::cerr);
  opened.error.print();
  EXPECT_EQ(capture.text(), "'" + at + "': could not be opened for writing");

  std::vector<std::string> names;
  for (fs::directory_entry const& entry : fs::directory_iterator(scratch.dir())) {
    names.push_back(entry.path().filename().u8string());
  }
  EXPECT_EQ(names, std::vector<std::string>{otherReading});
  std::ifstream in(scratch.dir() / fs::u8path(otherReading), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "abc");
}

}  // namespace
