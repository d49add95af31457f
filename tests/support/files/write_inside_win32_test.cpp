// The Windows writer: the names it refuses on the text, the identity it hands
// out for every spelling of a file, the walk it holds until the file is in
// place, and what a replaced file keeps.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "files/file_id.h"
#include "files/files.h"
#include "files/internal/temporary_name.h"
#include "files/internal/write_seams.h"
#include "files/native_path.h"
#include "files/regular_file.h"
#include "files/write_inside.h"
#include "test_helpers.h"
#include "verbatim_scratch_win32.h"

namespace {

using dvk::write_outcome_t;
using names_t = std::vector<std::string>;

std::wstring verbatim(std::string const& name) { return dvk::platform::nativePath(name)->native(); }

dvk::write_result_t put(std::string const& name, std::string const& bytes, dvk::keep_file_t const& keep = {}) {
  return dvk::writeInside(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), keep);
}

std::string read(std::string const& name) { return dvk::test::readVerbatim(name); }

dvk::file_id_t idOf(std::string const& name) {
  dvk::regular_file_t const file(name);
  EXPECT_TRUE(file.isOpen()) << name;
  return file.id();
}

// Every entry of a folder of the current directory, sorted: shows any stray.
names_t entries(std::string const& folder = ".") {
  std::wstring const pattern = verbatim(folder + "/") + L"*";
  WIN32_FIND_DATAW found;
  HANDLE const search = FindFirstFileW(pattern.c_str(), &found);
  names_t names;
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring const name = found.cFileName;
    if (name != L"." && name != L"..") names.emplace_back(name.begin(), name.end());  // ASCII names only
  } while (FindNextFileW(search, &found) != 0);
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// The 8.3 short name of an entry of the current directory; empty when the
// file system keeps none.
std::string shortName(std::string const& name) {
  std::wstring spelt(1024, L'\0');
  spelt.resize(GetShortPathNameW(verbatim(name).c_str(), spelt.data(), static_cast<DWORD>(spelt.size())));
  std::wstring const last = spelt.substr(spelt.rfind(L'\\') + 1);
  std::string const narrow(last.begin(), last.end());
  return narrow == name ? std::string() : narrow;
}

class WriteInsideWin32 : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(here_.root().empty()); }
  void TearDown() override {
    dvk::internal::writeSeams() = dvk::internal::write_seams_t{};
    dvk::test::emptyCurrentDirectory();
  }

  dvk::test::working_dir_t here_{"tarvok-write-win32-"};
};

TEST_F(WriteInsideWin32, NamesRefusedOnTheTextAlone) {
  ASSERT_TRUE(CreateDirectoryW(verbatim("sub").c_str(), nullptr));
  struct case_t {
    const char* name;
    write_outcome_t expected;
  };
  case_t const cases[] = {
      {"\\\\localhost\\c$\\x.nfo", write_outcome_t::leadsOutside},
      {"//localhost/c$/x.nfo", write_outcome_t::leadsOutside},
      {"\\\\?\\UNC\\localhost\\c$\\x", write_outcome_t::leadsOutside},
      {"\\\\.\\pipe\\x", write_outcome_t::leadsOutside},
      {"\\\\?\\GLOBALROOT\\Device\\Null", write_outcome_t::leadsOutside},
      {"a.nfo.", write_outcome_t::endsInDotOrSpace},
      {"a.nfo ", write_outcome_t::endsInDotOrSpace},
      {"a.nfo. .", write_outcome_t::endsInDotOrSpace},
      {"sub./a.nfo", write_outcome_t::endsInDotOrSpace},
      {"NUL", write_outcome_t::deviceName},
      {"sub/con", write_outcome_t::deviceName},
      {"CONIN$", write_outcome_t::deviceName},
      {"com1", write_outcome_t::deviceName},
      {"LPT\xC2\xB9", write_outcome_t::deviceName},
      {"nul/x", write_outcome_t::deviceName},
      {"a.nfo:hidden", write_outcome_t::dataStream},
      {"NUL:", write_outcome_t::dataStream},
      {"caf\xe9.nfo", write_outcome_t::notUtf8},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(put(c.name, "payload").outcome, c.expected);
  }
  EXPECT_EQ(entries(), names_t{"sub"});
  EXPECT_TRUE(entries("sub").empty());
}

TEST_F(WriteInsideWin32, DeviceStemsWithMoreAfterThemAreWritten) {
  ASSERT_TRUE(CreateDirectoryW(verbatim("sub").c_str(), nullptr));
  names_t const names = {"Aux.Files.1999.nfo", "Con.Air.1997.nfo", "nul.txt", "sub/Prn.Release.r00"};
  for (std::string const& name : names) {
    SCOPED_TRACE(name);
    dvk::write_result_t const written = put(name, name);
    EXPECT_EQ(written.outcome, write_outcome_t::written);
    EXPECT_EQ(read(name), name);
    EXPECT_EQ(written.file, idOf(name));
  }
  EXPECT_EQ(entries(), (names_t{"Aux.Files.1999.nfo", "Con.Air.1997.nfo", "nul.txt", "sub"}));
}

TEST_F(WriteInsideWin32, EverySpellingOfAFileHasItsIdentity) {
  std::string const name = "Long Release Name.nfo";
  ASSERT_EQ(put(name, "first").outcome, write_outcome_t::written);
  ASSERT_EQ(put("other.nfo", "other").outcome, write_outcome_t::written);
  dvk::file_id_t const id = idOf(name);
  EXPECT_NE(id, idOf("other.nfo"));
  names_t spellings = {"LONG RELEASE NAME.NFO", "long release name.nfo", "./Long Release Name.nfo"};
  std::string const shortSpelling = shortName(name);
  if (shortSpelling.empty()) {
    std::cout << "(the file system keeps no short names)\n";
  } else {
    spellings.push_back(shortSpelling);
  }
  for (std::string const& spelling : spellings) {
    SCOPED_TRACE(spelling);
    EXPECT_EQ(idOf(spelling), id);
    dvk::file_t file;
    ASSERT_TRUE(dvk::loadFile(spelling, file));
    EXPECT_EQ(file.id, id);
    // The writer asks about the file the spelling reaches, with the same
    // identity, before anything is written.
    dvk::file_id_t asked;
    dvk::write_result_t const kept = put(spelling, "second", [&](dvk::file_id_t const& found) {
      asked = found;
      return true;
    });
    EXPECT_EQ(kept.outcome, write_outcome_t::keptFile);
    EXPECT_EQ(asked, id);
    EXPECT_EQ(kept.file, id);
    EXPECT_EQ(read(name), "first");
  }
  EXPECT_EQ(entries(), (names_t{name, "other.nfo"}));
}

TEST_F(WriteInsideWin32, NoFolderOnTheWayCanBeRenamedWhileTheWriterHoldsIt) {
  ASSERT_TRUE(CreateDirectoryW(verbatim("sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(verbatim("sub/deeper").c_str(), nullptr));
  ASSERT_EQ(put("sub/deeper/file.nfo", "old").outcome, write_outcome_t::written);
  std::wstring const here = verbatim(".");
  std::wstring const moved = verbatim("../moved-" + std::to_string(GetCurrentProcessId()));
  struct attempt_t {
    std::wstring from;
    std::wstring to;
    DWORD error = ERROR_SUCCESS;
  };
  std::vector<attempt_t> attempts = {{verbatim("sub"), verbatim("other")},
                                     {verbatim("sub/deeper"), verbatim("sub/other")},
                                     {here.substr(0, here.size() - 1), moved}};
  dvk::internal::writeSeams().afterProbe = [&] {
    for (attempt_t& attempt : attempts) {
      attempt.error = MoveFileExW(attempt.from.c_str(), attempt.to.c_str(), 0) != 0 ? ERROR_SUCCESS : GetLastError();
    }
  };
  EXPECT_EQ(put("sub/deeper/file.nfo", "new").outcome, write_outcome_t::written);
  for (attempt_t const& attempt : attempts) {
    EXPECT_NE(attempt.error, static_cast<DWORD>(ERROR_SUCCESS))
        << std::string(attempt.from.begin(), attempt.from.end()) << " was renamed";
  }
  EXPECT_EQ(read("sub/deeper/file.nfo"), "new");
  EXPECT_EQ(entries("sub"), names_t{"deeper"});
  EXPECT_EQ(entries("sub/deeper"), names_t{"file.nfo"});
  // Once the file is in place the folders are free again.
  EXPECT_NE(MoveFileExW(verbatim("sub").c_str(), verbatim("other").c_str(), 0), 0);
}

TEST_F(WriteInsideWin32, AFileLinkedAtTheNextTemporaryNameIsNeverWrittenThrough) {
  ASSERT_EQ(put("outside.bin", "outside bytes").outcome, write_outcome_t::written);
  dvk::internal::seedTemporaryNames(7);
  std::string const planted = dvk::internal::temporaryName("file.bin");
  dvk::internal::seedTemporaryNames(7);
  ASSERT_TRUE(CreateHardLinkW(verbatim(planted).c_str(), verbatim("outside.bin").c_str(), nullptr));
  EXPECT_EQ(put("file.bin", "payload").outcome, write_outcome_t::written);
  EXPECT_EQ(read("file.bin"), "payload");
  EXPECT_EQ(read("outside.bin"), "outside bytes");
  EXPECT_EQ(read(planted), "outside bytes");
  EXPECT_EQ(entries(), (names_t{planted, "file.bin", "outside.bin"}));
}

TEST_F(WriteInsideWin32, AFailedCloseKeepsTheOldBytesAndLeavesNoTemporary) {
  ASSERT_EQ(put("old.bin", "old").outcome, write_outcome_t::written);
  dvk::internal::writeSeams().failClose = true;
  EXPECT_EQ(put("old.bin", "new bytes").outcome, write_outcome_t::writeFailed);
  EXPECT_EQ(put("new.bin", "new bytes").outcome, write_outcome_t::writeFailed);
  EXPECT_EQ(read("old.bin"), "old");
  EXPECT_EQ(entries(), names_t{"old.bin"});
}

TEST_F(WriteInsideWin32, AReplacedFileKeepsItsAttributesAndAReadOnlyFileStays) {
  ASSERT_EQ(put("hidden.nfo", "old").outcome, write_outcome_t::written);
  ASSERT_TRUE(SetFileAttributesW(verbatim("hidden.nfo").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(put("hidden.nfo", "new").outcome, write_outcome_t::written);
  EXPECT_EQ(read("hidden.nfo"), "new");
  EXPECT_NE(GetFileAttributesW(verbatim("hidden.nfo").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

  ASSERT_EQ(put("locked.nfo", "locked").outcome, write_outcome_t::written);
  ASSERT_TRUE(SetFileAttributesW(verbatim("locked.nfo").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(put("locked.nfo", "new").outcome, write_outcome_t::openFailed);
  EXPECT_EQ(read("locked.nfo"), "locked");
  SetFileAttributesW(verbatim("locked.nfo").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(entries(), (names_t{"hidden.nfo", "locked.nfo"}));
}

TEST_F(WriteInsideWin32, NoOneMovesTheTemporaryWhileItIsWritten) {
  ASSERT_EQ(put("file.bin", "old").outcome, write_outcome_t::written);
  // Another process would move it away and plant its own file at its name,
  // for a rename by name to put that file in place.
  bool ran = false;
  DWORD moved = ERROR_SUCCESS;
  dvk::internal::writeSeams().afterWrite = [&](std::string const& temporary) {
    ran = true;
    moved = MoveFileExW(verbatim(temporary).c_str(), verbatim("moved.bin").c_str(), 0) != 0 ? ERROR_SUCCESS
                                                                                            : GetLastError();
  };
  dvk::write_result_t const written = put("file.bin", "new bytes");
  EXPECT_TRUE(ran) << "the seam was not run";
  EXPECT_NE(moved, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(written.outcome, write_outcome_t::written);
  EXPECT_EQ(read("file.bin"), "new bytes");
  EXPECT_EQ(written.file, idOf("file.bin"));
  EXPECT_EQ(entries(), names_t{"file.bin"});
}

}  // namespace
