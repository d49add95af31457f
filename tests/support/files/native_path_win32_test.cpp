// On Windows every name reaches the system as its verbatim path: a device
// stem, a trailing dot or a long path is a file like any other, and a name of
// another machine or of the device namespace is never looked up at all.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "files/directory_listing.h"
#include "files/file_status.h"
#include "files/files.h"
#include "files/native_path.h"
#include "files/regular_file.h"
#include "files/write_inside.h"
#include "test_helpers.h"
#include "verbatim_scratch_win32.h"

namespace {

std::wstring currentDirectory() {
  std::wstring directory(32768, L'\0');
  directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
  return directory;
}

// Every entry of the current directory, sorted.
std::vector<std::string> listed() {
  dvk::directory_listing_t listing;
  EXPECT_FALSE(dvk::listCurrentDirectory(listing));
  std::sort(listing.entries.begin(), listing.entries.end());
  return listing.entries;
}

bool make(std::string const& name, std::string const& bytes) {
  dvk::open_result_t opened = dvk::openForWrite(name, std::ios::out | std::ios::binary | std::ios::trunc);
  if (!opened.ok) return false;
  opened.stream << bytes;
  opened.stream.close();
  return !opened.stream.fail();
}

class NativePathWin32 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(here_.root().empty()); }
  void TearDown() override { dvk::test::emptyCurrentDirectory(); }

  dvk::test::working_dir_t here_{"tarvok-verbatim-"};
};

TEST_F(NativePathWin32, IsTheVerbatimPathFromTheCurrentDirectory) {
  std::wstring const directory = currentDirectory();
  ASSERT_GE(directory.size(), 3u);
  ASSERT_EQ(directory[1], L':') << "the scratch folder is on a drive";
  auto const native = dvk::platform::nativePath("sub/./a.nfo");
  ASSERT_TRUE(native);
  EXPECT_EQ(native->native(), L"\\\\?\\" + directory + L"\\sub\\a.nfo");
}

TEST_F(NativePathWin32, DeviceStemsAndTrailingDotsAreFilesAsSpelt) {
  std::string const names[] = {"NUL",     "con",      "CONIN$", "COM1",   "Con.Air.1997.nfo",
                               "nul.txt", "lpt9.log", "a.nfo.", "b.nfo ", "PRN .sfv"};
  for (std::string const& name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(dvk::fileStatus(name).ok);
    ASSERT_TRUE(make(name, "bytes of " + name));
    dvk::file_status_t const status = dvk::fileStatus(name);
    EXPECT_TRUE(status.ok);
    EXPECT_EQ(status.kind, dvk::file_kind_t::regular);
    EXPECT_EQ(status.size, ("bytes of " + name).size());
    dvk::file_t file;
    ASSERT_TRUE(dvk::loadFile(name, file));
    EXPECT_EQ(std::string(file.data.begin(), file.data.end()), "bytes of " + name);
  }
  // A trailing dot or blank is part of the name: no other file answers.
  for (char const* other : {"a.nfo", "a.nfo..", "b.nfo", "NUL.", "con "}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(dvk::fileStatus(other).ok);
  }
  std::vector<std::string> sorted(std::begin(names), std::end(names));
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(listed(), sorted);
}

TEST_F(NativePathWin32, ATrailingSeparatorIsAnsweredByAFolderOnly) {
  ASSERT_TRUE(make("file", "x"));
  ASSERT_TRUE(CreateDirectoryW(dvk::platform::nativePath("dir")->c_str(), nullptr));
  EXPECT_FALSE(dvk::fileStatus("file/").ok);
  EXPECT_FALSE(dvk::fileStatus("file\\").ok);
  EXPECT_FALSE(dvk::regular_file_t("file/").isOpen());
  EXPECT_TRUE(dvk::isDirectory("dir/"));
  EXPECT_TRUE(dvk::isDirectory("dir\\."));
  EXPECT_TRUE(dvk::isDirectory("."));
  EXPECT_TRUE(dvk::isDirectory("/"));
}

TEST_F(NativePathWin32, NamesOfOtherMachinesAndDevicesNameNothing) {
  std::string const names[] = {"\\\\localhost\\c$\\x.rar",
                               "//localhost/c$/y.rar",
                               "\\/localhost/c$",
                               "/\\localhost",
                               "\\\\?\\UNC\\localhost\\c$\\z",
                               "\\\\.\\pipe\\x",
                               "\\\\.\\NUL",
                               "\\\\?\\GLOBALROOT\\Device\\Null",
                               "\\\\?\\C:\\windows\\win.ini",
                               "C:x",
                               "C:"};
  for (std::string const& name : names) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(dvk::platform::nativePath(name));
    EXPECT_FALSE(dvk::fileStatus(name).ok);
    EXPECT_FALSE(dvk::regular_file_t(name).isOpen());
    dvk::file_t file;
    EXPECT_FALSE(dvk::loadFile(name, file));
    EXPECT_FALSE(dvk::openForWrite(name, std::ios::out | std::ios::binary).ok);
    EXPECT_EQ(dvk::writeInside(name, nullptr, 0).outcome, dvk::write_outcome_t::leadsOutside);
  }
  EXPECT_TRUE(listed().empty());
}

TEST_F(NativePathWin32, PathsLongerThan260CharactersWork) {
  std::string folder;
  for (int i = 0; i < 12; ++i) {
    folder += (i == 0 ? "" : "/") + std::string("Some.Release.Folder.Name-") + std::to_string(i);
    ASSERT_TRUE(CreateDirectoryW(dvk::platform::nativePath(folder)->c_str(), nullptr)) << folder;
  }
  std::string const name = folder + "/Con.Air.1997.nfo";
  ASSERT_GT(dvk::platform::nativePath(name)->native().size(), 300u);
  std::string const bytes = "deep";
  EXPECT_EQ(dvk::writeInside(name, reinterpret_cast<uint8_t const*>(bytes.data()), bytes.size()).outcome,
            dvk::write_outcome_t::written);
  dvk::file_status_t const status = dvk::fileStatus(name);
  EXPECT_TRUE(status.ok);
  EXPECT_EQ(status.size, bytes.size());
  dvk::file_t file;
  ASSERT_TRUE(dvk::loadFile(name, file));
  EXPECT_EQ(std::string(file.data.begin(), file.data.end()), bytes);
}

}  // namespace
