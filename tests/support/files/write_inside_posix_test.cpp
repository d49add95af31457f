// The writer of stored files on POSIX: links anywhere on the way, hard links,
// FIFOs, read-only files and folders, and failed writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "files/write_inside.h"
#include "test_helpers.h"

namespace {

// When not 0, the allocation that brings it to 0 throws std::bad_alloc.
long allocationsUntilFailure = 0;

}  // namespace

// Every allocation of this test binary, so that one can be made to fail.
// Not inlined: GCC would take the free of a block from operator new for a
// mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
  if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t /*size*/) noexcept { std::free(block); }

namespace {

namespace fs = std::filesystem;
using dvk::write_outcome_t;

// A work folder beside an outside folder; the work folder is the working
// directory while the test runs.
class WriteInsidePosix : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.dir().empty());
    fs::create_directory(outside_);
    fs::create_directory(work_);
    here_ = std::make_unique<dvk::test::in_directory_t>(work_);
  }
  void TearDown() override { here_.reset(); }

  static write_outcome_t put(std::string const& name, std::string const& bytes) {
    return dvk::writeInside(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()).outcome;
  }
  static std::vector<std::string> entries(fs::path const& folder) {
    std::vector<std::string> names;
    for (auto const& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static bool asRoot() { return ::geteuid() == 0; }

  dvk::test::scratch_dir_t scratch_{"tarvok-write-posix-"};
  fs::path const outside_ = scratch_.dir() / "outside";
  fs::path const work_ = scratch_.dir() / "work";
  std::unique_ptr<dvk::test::in_directory_t> here_;
};

using names_t = std::vector<std::string>;

TEST_F(WriteInsidePosix, NoLinkIsFollowedAnywhere) {
  dvk::test::scratch_dir_t const& s = scratch_;
  s.write("outside/target", "outside bytes");
  fs::create_directories(work_ / "a" / "b");
  fs::create_directories(work_ / "inside");
  fs::create_directory_symlink("../outside", work_ / "first");
  fs::create_directory_symlink("../../../outside", work_ / "a" / "b" / "middle");
  fs::create_symlink("../outside/target", work_ / "last");
  fs::create_symlink("../outside/nothing", work_ / "dangling");
  fs::create_directory_symlink("inside", work_ / "toinside");
  // "\" is an ordinary byte of a name here: the folder "c\d" holds a link.
  fs::create_directory(work_ / "c\\d");
  fs::create_directory_symlink("../../outside", work_ / "c\\d" / "lnk");
  for (std::string const name : {"first/new", "first/target", "a/b/middle/new", "a/b/middle/target", "last", "dangling",
                                 "toinside/new", "c\\d/lnk/new", "c\\d/lnk/target"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(put(name, "payload"), write_outcome_t::throughLink);
  }
  EXPECT_EQ(entries(outside_), (names_t{"target"}));
  EXPECT_EQ(dvk::test::contents(outside_ / "target"), "outside bytes");
  EXPECT_TRUE(entries(work_ / "inside").empty());
  EXPECT_TRUE(fs::is_symlink(work_ / "last"));
  EXPECT_TRUE(fs::is_symlink(work_ / "dangling"));
}

TEST_F(WriteInsidePosix, AHardLinksOtherNameKeepsItsBytes) {
  scratch_.write("outside/shared", "shared bytes");
  fs::create_hard_link(outside_ / "shared", work_ / "linked");
  EXPECT_EQ(put("linked", "new bytes"), write_outcome_t::written);
  EXPECT_EQ(dvk::test::contents(work_ / "linked"), "new bytes");
  EXPECT_EQ(dvk::test::contents(outside_ / "shared"), "shared bytes");
}

TEST_F(WriteInsidePosix, NewFilesTakeTheUmask) {
  mode_t const saved = ::umask(027);
  write_outcome_t const outcome = put("masked", "x");
  ::umask(saved);
  ASSERT_EQ(outcome, write_outcome_t::written);
  struct stat info {};
  ASSERT_EQ(::stat("masked", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(WriteInsidePosix, AFifoIsNeverOpened) {
  ASSERT_EQ(::mkfifo("pipe", 0666), 0);
  EXPECT_EQ(put("pipe", "payload"), write_outcome_t::openFailed);  // would block if opened
  EXPECT_TRUE(fs::is_fifo(work_ / "pipe"));
  EXPECT_EQ(entries(work_), (names_t{"pipe"}));
}

TEST_F(WriteInsidePosix, AReadOnlyFileStays) {
  if (asRoot()) GTEST_SKIP() << "root writes through permission bits";
  scratch_.write("work/locked", "locked bytes");
  fs::permissions(work_ / "locked", fs::perms::owner_read);
  EXPECT_EQ(put("locked", "payload"), write_outcome_t::openFailed);
  EXPECT_EQ(dvk::test::contents(work_ / "locked"), "locked bytes");
  EXPECT_EQ(entries(work_), (names_t{"locked"}));
}

TEST_F(WriteInsidePosix, AFolderWithoutNewEntriesRewritesInPlace) {
  if (asRoot()) GTEST_SKIP() << "root writes through permission bits";
  fs::create_directory(work_ / "fixed");
  scratch_.write("work/fixed/file", "old bytes");
  fs::permissions(work_ / "fixed", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(put("fixed/file", "new"), write_outcome_t::written);
  EXPECT_EQ(put("fixed/other", "new"), write_outcome_t::openFailed);
  fs::permissions(work_ / "fixed", fs::perms::owner_all);
  EXPECT_EQ(dvk::test::contents(work_ / "fixed" / "file"), "new");
  EXPECT_EQ(entries(work_ / "fixed"), (names_t{"file"}));
}

// Writes past limit bytes fail with EFBIG while it lives, instead of a signal.
class file_size_limit_t {
 public:
  explicit file_size_limit_t(rlim_t limit) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~file_size_limit_t() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }
  file_size_limit_t(file_size_limit_t const&) = delete;
  file_size_limit_t& operator=(file_size_limit_t const&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int);
};

TEST_F(WriteInsidePosix, AFailedWriteLeavesTheOldBytesAndNoTemporary) {
  scratch_.write("work/old", "old bytes");
  std::string const big(std::size_t{64} * 1024, 'x');
  write_outcome_t replaced;
  write_outcome_t created;
  {
    file_size_limit_t const limit(1000);
    replaced = put("old", big);
    created = put("new", big);
  }
  EXPECT_EQ(replaced, write_outcome_t::writeFailed);
  EXPECT_EQ(created, write_outcome_t::writeFailed);
  EXPECT_EQ(dvk::test::contents(work_ / "old"), "old bytes");
  EXPECT_EQ(entries(work_), (names_t{"old"}));
}

// Open descriptors of this process.
std::size_t openDescriptors() {
  std::size_t count = 0;
  for (auto const& entry : fs::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST_F(WriteInsidePosix, AnAllocationThatFailsLeavesNothingBehind) {
  // Names too long for a string's own small buffer, so that every step
  // that copies one allocates.
  std::string const folder = "a-folder-with-a-long-name";
  std::string const old = folder + "/an-old-file-with-a-long-name";
  std::string const fresh = folder + "/a-new-file-with-a-long-name";
  fs::create_directory(work_ / folder);
  std::size_t const descriptors = openDescriptors();
  // Fails the first allocation, then the second, ... until both calls need
  // fewer than that and succeed.
  long failures = 0;
  bool finished = false;
  for (long failAt = 1; !finished && failAt < 1000; ++failAt) {
    SCOPED_TRACE(failAt);
    scratch_.write("work/" + old, "old bytes");
    finished = true;
    for (std::string const& name : {old, fresh}) {
      allocationsUntilFailure = failAt;
      try {
        write_outcome_t const outcome = put(name, "new bytes");
        allocationsUntilFailure = 0;
        EXPECT_EQ(outcome, write_outcome_t::written);
      } catch (std::bad_alloc const&) {
        allocationsUntilFailure = 0;
        ++failures;
        finished = false;
        EXPECT_EQ(dvk::test::contents(work_ / name), name == old ? "old bytes" : "");
      }
    }
    std::vector<std::string> const left = entries(work_ / folder);
    EXPECT_TRUE(left.size() <= 2 && std::count(left.begin(), left.end(), "an-old-file-with-a-long-name") == 1);
    EXPECT_EQ(std::count_if(left.begin(), left.end(), [](std::string const& n) { return n[0] == '.'; }), 0);
    EXPECT_EQ(openDescriptors(), descriptors);
    fs::remove(work_ / fresh);
  }
  EXPECT_TRUE(finished);
  EXPECT_GT(failures, 2);
}

}  // namespace
