// The records of reported files: the first record of a file stays, and a
// record keeps its file only while its name still reaches that file.
#include "reported_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/file_status.h"
#include "files/name_from.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

class ReportedFiles : public ::testing::Test {
 protected:
  void SetUp() override { app::forgetReported(); }
  void TearDown() override { app::forgetReported(); }
  static void write(std::string const& name, std::string const& bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc) << bytes;
  }
  static dvk::file_id_t idOf(std::string const& name) { return dvk::fileStatus(name).id; }

  dvk::test::working_dir_t dir_{"tarvok-reported-"};
};

TEST_F(ReportedFiles, TheFirstRecordOfAFileStays) {
  write("a.nfo", "notes");
  dvk::file_id_t const id = idOf("a.nfo");
  app::recordReported(id, app::reported_as_t::checked, "a.nfo");
  // The same file under another spelling, then written: the error that a
  // refusal prints still names the first report.
  app::recordReported(id, app::reported_as_t::checked, "./a.nfo");
  app::recordReported(id, app::reported_as_t::written, "a.nfo");
  app::reported_file_t const* const record = app::findReported(id);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->name, "a.nfo");
  EXPECT_EQ(record->as, app::reported_as_t::checked);
  EXPECT_TRUE(app::keepReported(id));
}

TEST_F(ReportedFiles, ARecordNoLongerTrueKeepsNothing) {
  using change_t = void (*)();
  struct {
    const char* what;
    change_t change;
  } const changes[] = {
      // Replaced by another file: the system may give the freed identity to
      // a file under another name, which no report showed.
      {"replaced",
       [] {
         write("b.nfo", "other");
         fs::rename("b.nfo", "a.nfo");
       }},
      {"removed", [] { fs::remove("a.nfo"); }},
  };
  for (auto const& c : changes) {
    SCOPED_TRACE(c.what);
    write("a.nfo", "notes");
    dvk::file_id_t const id = idOf("a.nfo");
    app::recordReported(id, app::reported_as_t::written, "a.nfo");
    c.change();
    EXPECT_FALSE(app::keepReported(id));
    EXPECT_EQ(app::findReported(id), nullptr);
    fs::remove("a.nfo");
  }
}

TEST_F(ReportedFiles, AChecksumFileIsLookedUpByThePathTheRunWasGiven) {
  fs::create_directory("sub");
  write("sub/list.sfv", "a.nfo 00000000\r\n");
  dvk::file_id_t const id = idOf("sub/list.sfv");
  app::recordReported(id, app::reported_as_t::list, "sub/list.sfv", dvk::name_from_t::user);
  EXPECT_TRUE(app::keepReported(id));
}

}  // namespace
