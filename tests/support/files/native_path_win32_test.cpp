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
#include "text/utf16.h"
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

bool make(std::string const& name, std::string const& bytes) { return dvk::test::makeVerbatim(name, bytes); }

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
    EXPECT_EQ(dvk::test::readVerbatim(name), "bytes of " + name);
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
  EXPECT_EQ(dvk::test::readVerbatim(name), bytes);
}

// What GetFullPathNameW makes of a typed path, as its verbatim path.
std::wstring fullVerbatim(std::wstring const& typed) {
  std::wstring full(32768, L'\0');
  full.resize(GetFullPathNameW(typed.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
  return L"\\\\?\\" + full;
}

std::string narrow(std::wstring const& text) { return dvk::utf16ToUtf8(std::u16string(text.begin(), text.end())); }

std::wstring typed(std::string const& path) {
  auto const native = dvk::platform::typedPath(path);
  return native ? native->native() : L"(none)";
}

TEST_F(NativePathWin32, ATypedPathNamesWhatTheSystemWouldOpen) {
  std::wstring const directory = currentDirectory();
  ASSERT_EQ(directory[1], L':') << "the scratch folder is on a drive";
  ASSERT_TRUE(make("x.sfv", "x"));
  std::wstring const here = L"\\\\?\\" + directory + L"\\x.sfv";
  struct typed_case_t {
    std::string path;
    std::wstring expected;
  };
  typed_case_t const cases[] = {
      {"x.sfv", here},
      // Win32 takes a trailing dot off and reads ".." on the way.
      {"sub\\..\\x.sfv.", here},
      {narrow(directory) + "\\x.sfv", here},
      {narrow(directory) + "/sub/../x.sfv", here},
      // The current directory of the current drive.
      {narrow(directory.substr(0, 2)) + "x.sfv", here},
      // Already verbatim: taken as it is, the trailing dot kept.
      {narrow(here) + ".", here + L"."},
      {"\\\\?\\UNC\\server\\share\\x.sfv", L"\\\\?\\UNC\\server\\share\\x.sfv"},
      {"\\\\server\\share\\x.sfv", L"\\\\?\\UNC\\server\\share\\x.sfv"},
      {"//server/share/x.sfv", L"\\\\?\\UNC\\server\\share\\x.sfv"},
      {"\\\\.\\" + narrow(directory) + "\\x.sfv", here},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(narrow(typed(c.path)), narrow(c.expected));
  }
  // The names that open here open the file.
  for (char const* path : {"x.sfv", "sub\\..\\x.sfv."}) {
    SCOPED_TRACE(path);
    EXPECT_NE(GetFileAttributesW(dvk::platform::typedPath(path)->c_str()), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_NE(GetFileAttributesW(dvk::platform::typedPath(narrow(directory.substr(0, 2)) + "x.sfv")->c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(NativePathWin32, ATypedPathOnAnotherDriveIsFromThatDrivesDirectory) {
  // Wine maps Z: to the root of the host's file system.
  if (currentDirectory()[0] == L'Z') GTEST_SKIP() << "the scratch folder is on Z:";
  EXPECT_EQ(narrow(typed("Z:x.sfv")), narrow(fullVerbatim(L"Z:x.sfv")));
  EXPECT_EQ(narrow(typed("Z:x.sfv")), "\\\\?\\Z:\\x.sfv");
  // A drive's current directory, as the process keeps it for a Win32 open.
  ASSERT_TRUE(SetEnvironmentVariableW(L"=Z:", L"Z:\\tmp"));
  std::string const there = narrow(typed("Z:x.sfv"));
  SetEnvironmentVariableW(L"=Z:", nullptr);
  EXPECT_EQ(there, "\\\\?\\Z:\\tmp\\x.sfv");
}

TEST_F(NativePathWin32, ATypedPathLongerThan260CharactersIsWhole) {
  std::string name;
  for (int i = 0; i < 12; ++i) name += "Some.Release.Folder.Name-" + std::to_string(i) + "\\";
  name += "x.sfv";
  EXPECT_EQ(narrow(typed(name)),
            narrow(L"\\\\?\\" + currentDirectory() + L"\\" + std::wstring(name.begin(), name.end())));
  EXPECT_GT(typed(name).size(), 300u);
}

TEST_F(NativePathWin32, ATypedPathThatIsNoTextNamesNothing) {
  EXPECT_FALSE(dvk::platform::typedPath(std::string("x\0.sfv", 6)));
  EXPECT_FALSE(dvk::platform::typedPath("caf\xe9.sfv"));
  EXPECT_FALSE(dvk::platform::typedPath(""));
}

}  // namespace
