// Discovery in a scratch working directory: candidates and the tie-breaks
// whose outcome does not depend on the listing order.
#include "discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <system_error>

#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

// A fresh directory with a chosen name, made the working directory for the
// test; the previous working directory comes back afterwards.
class Discovery : public ::testing::Test {
 protected:
  void enter(std::string const& dirName, std::initializer_list<const char*> files) {
    scratch_.enter(dirName);
    for (const char* file : files) {
      std::ofstream(file) << file;
    }
  }
  dvk::test::working_dir_t scratch_{"tarvok-discovery-"};
};

TEST_F(Discovery, NothingToFind) {
  enter("empty", {"notes.txt", "list.sfv.bak", ".sfv"});
  app::discovery_t const found = app::discover(".sfv");
  EXPECT_EQ(found.name, "");
  EXPECT_EQ(found.count, 0u);
}

TEST_F(Discovery, ExtensionMatchesWithoutCaseAndTheNameKeepsIt) {
  enter("release", {"Movie.SFV", "movie.sfv.bak", ".sfv", "movie.srr"});
  app::discovery_t found = app::discover(".sfv");
  EXPECT_EQ(found.name, "Movie.SFV");
  EXPECT_EQ(found.count, 1u);

  // Every entry type counts: directories too.
  fs::create_directory("d.Sfv");
  std::ofstream("c.sfv") << "c";
  found = app::discover(".sfv");
  EXPECT_EQ(found.count, 3u);
}

TEST_F(Discovery, TieBreaks) {
  struct {
    const char* dir;
    std::initializer_list<const char*> files;
    const char* chosen;
  } const cases[] = {
      // The playlist's stem decides, case counting.
      {"zzz", {"a.sfv", "b.sfv", "b.m3u"}, "b.sfv"},
      // B.m3u names no candidate; the .nfo does.
      {"zzz", {"a.sfv", "b.sfv", "B.m3u", "a.nfo"}, "a.sfv"},
      // Neither: the candidate that contains the directory's name.
      {"Artist-Album-2020", {"extra.sfv", "00-artist-album-2020.sfv"}, "00-artist-album-2020.sfv"},
      // The directory's stem stops at its last dot: "show", not "show.name-grp".
      {"Show.Name-GRP", {"name-grp.sfv", "the-show.sfv"}, "the-show.sfv"},
      // A nested .m3u lookup with several playlists picks one by the .nfo rule.
      {"zzz", {"a.sfv", "b.sfv", "a.m3u", "b.m3u", "b.nfo"}, "b.sfv"},
  };
  int n = 0;
  for (auto const& c : cases) {
    SCOPED_TRACE(c.chosen);
    enter(std::to_string(++n) + "/" + c.dir, c.files);
    app::discovery_t const found = app::discover(".sfv");
    EXPECT_EQ(found.name, c.chosen);
    EXPECT_EQ(found.count, 2u);
  }
}

TEST_F(Discovery, NestedLookupsEndWithSeveralPlaylistsAndNfos) {
  // .m3u and .nfo lookups with several candidates would consult each other
  // without end; here the directory name settles both on "b".
  enter("b", {"a.sfv", "b.sfv", "a.m3u", "b.m3u", "a.nfo", "b.nfo"});
  app::discovery_t const found = app::discover(".sfv");
  EXPECT_EQ(found.name, "b.sfv");
  EXPECT_EQ(found.count, 2u);
}

TEST_F(Discovery, VanishedWorkingDirectoryIsAFailure) {
  enter("gone", {"a.sfv"});
  std::error_code ec;
  fs::remove_all(scratch_.root() / "gone", ec);
  if (ec || fs::exists(scratch_.root() / "gone")) {
    GTEST_SKIP() << "the platform keeps the working directory";
  }
  app::discovery_t const found = app::discover(".sfv");
  EXPECT_EQ(found.failure, std::errc::no_such_file_or_directory) << found.failure.message();
  EXPECT_EQ(found.name, "");
  EXPECT_EQ(found.count, 0u);
}

TEST_F(Discovery, UnreadableWorkingDirectoryIsAFailure) {
  enter("locked", {"a.sfv", "b.sfv", "a.m3u"});
  fs::path const here = fs::current_path();
  // Searchable, not readable: the folder can be stood in but not listed.
  fs::permissions(here, fs::perms::owner_write | fs::perms::owner_exec);
  struct restore_t {
    fs::path dir;
    ~restore_t() { fs::permissions(dir, fs::perms::owner_all); }
  } const restore{here};
  std::error_code ec;
  if (fs::directory_iterator(here, ec); !ec) {
    GTEST_SKIP() << "the folder lists all the same (as root, or where permission bits are not enforced)";
  }
  app::discovery_t const found = app::discover(".sfv");
  EXPECT_EQ(found.failure, std::errc::permission_denied) << found.failure.message();
  EXPECT_EQ(found.name, "");
  EXPECT_EQ(found.count, 0u);
}

}  // namespace
