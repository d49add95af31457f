// The writer of stored files on POSIX: links anywhere on the way, hard links,
// FIFOs, read-only files and folders, what a replaced file keeps, what is
// swapped in after the probe, taken temporary names, and failed writes.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "failing_allocation.h"
#include "files/internal/temporary_name.h"
#include "files/internal/write_seams.h"
#include "files/write_inside.h"
#include "test_helpers.h"

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
  void TearDown() override {
    dvk::internal::writeSeams() = {};
    here_.reset();
  }

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
  // Root writes through permission bits, so a folder of mode 0555 takes its
  // new entries: the seam denies them as the folder would deny anyone else.
  static void useInPlaceAsRoot() {
    if (asRoot()) dvk::internal::writeSeams().denyTemporary = true;
  }
  static struct stat status(fs::path const& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
  }
  // A folder that takes no new entry, holding file with bytes.
  void fixedFolder(std::string const& folder, std::string const& bytes) const {
    fs::create_directory(work_ / folder);
    scratch_.write("work/" + folder + "/file", bytes);
    ::chmod((work_ / folder).c_str(), 0555);
  }

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
  // "\" separates as "/" does: "c\d" is the folder d of c.
  fs::create_directories(work_ / "c" / "d");
  fs::create_directory_symlink("../../../outside", work_ / "c" / "d" / "lnk");
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
  // Root could write every one of them; none is replaced all the same.
  for (mode_t const mode : {0444u, 0400u, 0555u, 0000u}) {
    SCOPED_TRACE(mode);
    std::string const name = "locked-" + std::to_string(mode);
    scratch_.write("work/" + name, "locked bytes");
    ASSERT_EQ(::chmod(name.c_str(), mode), 0);
    EXPECT_EQ(put(name, "payload"), write_outcome_t::openFailed);
    EXPECT_EQ(status(work_ / name).st_mode & 07777, mode);
    ::chmod(name.c_str(), 0600);
    EXPECT_EQ(dvk::test::contents(work_ / name), "locked bytes");
    EXPECT_EQ(entries(work_), (names_t{name}));
    fs::remove(work_ / name);
  }
}

TEST_F(WriteInsidePosix, AFolderWithoutNewEntriesRewritesInPlace) {
  useInPlaceAsRoot();
  fs::create_directory(work_ / "fixed");
  scratch_.write("work/fixed/file", "old bytes");
  fs::permissions(work_ / "fixed", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(put("fixed/file", "new"), write_outcome_t::written);
  EXPECT_EQ(put("fixed/other", "new"), write_outcome_t::openFailed);
  fs::permissions(work_ / "fixed", fs::perms::owner_all);
  EXPECT_EQ(dvk::test::contents(work_ / "fixed" / "file"), "new");
  EXPECT_EQ(entries(work_ / "fixed"), (names_t{"file"}));
}

TEST_F(WriteInsidePosix, TheInPlaceRewriteNeverReachesAHardLinksOtherName) {
  useInPlaceAsRoot();
  scratch_.write("outside/shared", "shared bytes");
  fs::create_directory(work_ / "fixed");
  fs::create_hard_link(outside_ / "shared", work_ / "fixed" / "file");
  ::chmod((work_ / "fixed").c_str(), 0555);
  EXPECT_EQ(put("fixed/file", "new bytes"), write_outcome_t::openFailed);
  EXPECT_EQ(dvk::test::contents(outside_ / "shared"), "shared bytes");
  EXPECT_EQ(dvk::test::contents(work_ / "fixed" / "file"), "shared bytes");
  EXPECT_EQ(entries(work_ / "fixed"), (names_t{"file"}));
  ::chmod((work_ / "fixed").c_str(), 0755);
}

// What a swap after the probe puts at work/<folder>/file.
struct swap_t {
  const char* what;
  void (*swapIn)(fs::path const& file, fs::path const& outside);
  write_outcome_t inPlace;  // what the in-place rewrite answers
};

swap_t const swaps[] = {
    {"a link to an outside file",
     [](fs::path const& file, fs::path const& outside) {
       fs::remove(file);
       fs::create_symlink(outside / "target", file);
     },
     write_outcome_t::throughLink},
    {"a FIFO",
     [](fs::path const& file, fs::path const& /*outside*/) {
       fs::remove(file);
       ::mkfifo(file.c_str(), 0666);
     },
     write_outcome_t::openFailed},
    {"another file",
     [](fs::path const& file, fs::path const& /*outside*/) {
       fs::remove(file);
       std::ofstream(file) << "other bytes";
       ::chmod(file.c_str(), 0666);
     },
     write_outcome_t::openFailed},
    {"a hard link to an outside file",
     [](fs::path const& file, fs::path const& outside) {
       fs::remove(file);
       fs::create_hard_link(outside / "target", file);
     },
     write_outcome_t::openFailed},
    {"a second name for the file",
     [](fs::path const& file, fs::path const& outside) { fs::create_hard_link(file, outside / "second"); },
     write_outcome_t::openFailed},
};

// What a swap left at file: its kind and, for a regular file, its bytes.
std::string leftAt(fs::path const& file) {
  fs::file_status const kind = fs::symlink_status(file);
  if (fs::is_symlink(kind)) return "link to " + fs::read_symlink(file).string();
  if (fs::is_fifo(kind)) return "fifo";
  return "file: " + dvk::test::contents(file);
}

TEST_F(WriteInsidePosix, TheInPlaceRewriteRefusesWhatIsSwappedInAfterTheProbe) {
  useInPlaceAsRoot();
  scratch_.write("outside/target", "outside bytes");
  int index = 0;
  for (swap_t const& swap : swaps) {
    SCOPED_TRACE(swap.what);
    std::string const folder = "fixed" + std::to_string(++index);
    fixedFolder(folder, "old bytes");
    fs::path const file = work_ / folder / "file";
    fs::path const outside = outside_;
    std::string swapped;
    dvk::internal::writeSeams().afterProbe = [&] {
      ::chmod(file.parent_path().c_str(), 0755);
      swap.swapIn(file, outside);
      ::chmod(file.parent_path().c_str(), 0555);
      swapped = leftAt(file);
    };
    EXPECT_EQ(put(folder + "/file", "new bytes"), swap.inPlace);
    EXPECT_FALSE(swapped.empty()) << "the seam was not run";
    EXPECT_EQ(leftAt(file), swapped);
    EXPECT_EQ(dvk::test::contents(outside_ / "target"), "outside bytes");
    EXPECT_EQ(entries(work_ / folder), (names_t{"file"}));
    ::chmod((work_ / folder).c_str(), 0755);
    fs::remove(outside_ / "second");
  }
}

TEST_F(WriteInsidePosix, TheRenameReplacesWhatIsSwappedInAfterTheProbe) {
  scratch_.write("outside/target", "outside bytes");
  int index = 0;
  for (swap_t const& swap : swaps) {
    SCOPED_TRACE(swap.what);
    std::string const folder = "open" + std::to_string(++index);
    fs::create_directory(work_ / folder);
    scratch_.write("work/" + folder + "/file", "old bytes");
    fs::path const file = work_ / folder / "file";
    fs::path const outside = outside_;
    bool ran = false;
    dvk::internal::writeSeams().afterProbe = [&] {
      swap.swapIn(file, outside);
      ran = true;
    };
    EXPECT_EQ(put(folder + "/file", "new bytes"), write_outcome_t::written);
    EXPECT_TRUE(ran) << "the seam was not run";
    // Only the entry was replaced: whatever it led to keeps its bytes.
    EXPECT_EQ(leftAt(file), "file: new bytes");
    EXPECT_EQ(dvk::test::contents(outside_ / "target"), "outside bytes");
    EXPECT_EQ(entries(work_ / folder), (names_t{"file"}));
    if (fs::exists(outside_ / "second")) {
      EXPECT_EQ(dvk::test::contents(outside_ / "second"), "old bytes");
    }
    fs::remove(outside_ / "second");
  }
}

TEST_F(WriteInsidePosix, KeepIsAskedAboutTheFileTheNameHolds) {
  scratch_.write("work/file", "old bytes");
  fs::create_directory(work_ / "fixed");
  scratch_.write("work/fixed/file", "old bytes");
  ::chmod((work_ / "fixed").c_str(), 0555);  // the in-place path
  useInPlaceAsRoot();
  for (std::string const name : {"file", "fixed/file"}) {
    SCOPED_TRACE(name);
    struct stat const before = status(work_ / name);
    std::vector<dvk::file_id_t> asked;
    auto const keepIt = [&](dvk::file_id_t const& id) {
      asked.push_back(id);
      return true;
    };
    std::string const bytes = "new bytes";
    dvk::write_result_t const kept =
        dvk::writeInside(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), keepIt);
    EXPECT_EQ(kept.outcome, write_outcome_t::keptFile);
    dvk::file_id_t const id{static_cast<uint64_t>(before.st_dev), static_cast<uint64_t>(before.st_ino)};
    EXPECT_EQ(asked, (std::vector<dvk::file_id_t>{id}));
    EXPECT_EQ(kept.file, id);
    EXPECT_EQ(dvk::test::contents(work_ / name), "old bytes");
  }
  ::chmod((work_ / "fixed").c_str(), 0755);
}

TEST_F(WriteInsidePosix, AReplacedFileKeepsItsPermissionBits) {
  struct {
    mode_t before, after;
  } const cases[] = {{0600, 0600},
                     {0640, 0640},
                     {0666, 0666},
                     {0620, 0620},
                     // Bytes from a stranger are never a program, nor run
                     // with another's rights.
                     {0751, 0640},
                     {0755, 0644},
                     {04755, 0644},
                     {02775, 0664},
                     {01777, 0666}};
  mode_t const saved = ::umask(022);
  for (auto const& c : cases) {
    SCOPED_TRACE(c.before);
    std::string const name = "file-" + std::to_string(c.before);
    scratch_.write("work/" + name, "old bytes");
    ASSERT_EQ(::chmod(name.c_str(), c.before), 0);
    if ((status(work_ / name).st_mode & 07777) != c.before) continue;  // a bit this user may not set
    ino_t const old = status(work_ / name).st_ino;
    EXPECT_EQ(put(name, "new bytes"), write_outcome_t::written);
    EXPECT_NE(status(work_ / name).st_ino, old);
    EXPECT_EQ(status(work_ / name).st_mode & 07777, c.after);
    EXPECT_EQ(dvk::test::contents(work_ / name), "new bytes");
  }
  ::umask(saved);
}

TEST_F(WriteInsidePosix, AReplacedFileKeepsItsOwnerAndGroup) {
  if (!asRoot()) GTEST_SKIP() << "only root may give a file to another user";
  scratch_.write("work/theirs", "old bytes");
  if (::chown("theirs", 4242, 4343) != 0) GTEST_SKIP() << "no such ids here";
  ::chmod("theirs", 0640);
  EXPECT_EQ(put("theirs", "new bytes"), write_outcome_t::written);
  struct stat const after = status(work_ / "theirs");
  EXPECT_EQ(after.st_uid, 4242u);
  EXPECT_EQ(after.st_gid, 4343u);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(dvk::test::contents(work_ / "theirs"), "new bytes");
}

TEST_F(WriteInsidePosix, ATakenTemporaryNameIsNeverWrittenThrough) {
  scratch_.write("outside/target", "outside bytes");
  struct {
    const char* what;
    void (*plant)(fs::path const& at, fs::path const& outside);
  } const plants[] = {
      {"a hard link",
       [](fs::path const& at, fs::path const& outside) { fs::create_hard_link(outside / "target", at); }},
      {"a link", [](fs::path const& at, fs::path const& outside) { fs::create_symlink(outside / "target", at); }},
      {"a dangling link",
       [](fs::path const& at, fs::path const& outside) { fs::create_symlink(outside / "nothing", at); }},
      {"a FIFO", [](fs::path const& at, fs::path const& /*outside*/) { ::mkfifo(at.c_str(), 0666); }},
  };
  for (auto const& plant : plants) {
    SCOPED_TRACE(plant.what);
    dvk::internal::seedTemporaryNames(7);
    std::string const next = dvk::internal::temporaryName("file");
    dvk::internal::seedTemporaryNames(7);
    plant.plant(work_ / next, outside_);
    std::string const planted = leftAt(work_ / next);
    EXPECT_EQ(put("file", "new bytes"), write_outcome_t::written);
    EXPECT_EQ(dvk::test::contents(work_ / "file"), "new bytes");
    EXPECT_EQ(leftAt(work_ / next), planted);
    EXPECT_EQ(dvk::test::contents(outside_ / "target"), "outside bytes");
    EXPECT_EQ(entries(work_), (names_t{next, "file"}));
    fs::remove(work_ / next);
  }
}

TEST_F(WriteInsidePosix, WhenEveryTemporaryNameIsTakenNothingIsWrittenOrRemoved) {
  scratch_.write("work/file", "old bytes");
  dvk::internal::seedTemporaryNames(11);
  names_t taken;
  for (int i = 0; i < 64; ++i) taken.push_back(dvk::internal::temporaryName("file"));
  dvk::internal::seedTemporaryNames(11);
  for (std::string const& name : taken) scratch_.write("work/" + name, "theirs");
  EXPECT_EQ(put("file", "new bytes"), write_outcome_t::openFailed);
  EXPECT_EQ(dvk::test::contents(work_ / "file"), "old bytes");
  for (std::string const& name : taken) EXPECT_EQ(dvk::test::contents(work_ / name), "theirs") << name;
  EXPECT_EQ(entries(work_).size(), taken.size() + 1);
}

void noteSignal(int /*number*/) {}

TEST_F(WriteInsidePosix, TheSignalsAreLeftAsTheyWere) {
  // As a program started under nohup, with a handler of its own for SIGTERM.
  int const interrupts[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
  struct sigaction saved[4];
  for (int i = 0; i < 4; ++i) ::sigaction(interrupts[i], nullptr, &saved[i]);
  ::signal(SIGHUP, SIG_IGN);
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGQUIT, SIG_DFL);
  ::signal(SIGTERM, noteSignal);
  scratch_.write("work/old", "old bytes");
  EXPECT_EQ(put("old", "new bytes"), write_outcome_t::written);
  EXPECT_EQ(put("new", "new bytes"), write_outcome_t::written);
  dvk::internal::writeSeams().failClose = true;
  EXPECT_EQ(put("failed", "new bytes"), write_outcome_t::writeFailed);
  using handler_t = void (*)(int);
  handler_t const expected[] = {SIG_IGN, SIG_DFL, SIG_DFL, noteSignal};
  for (int i = 0; i < 4; ++i) {
    struct sigaction now {};
    ::sigaction(interrupts[i], nullptr, &now);
    EXPECT_EQ(now.sa_handler, expected[i]) << interrupts[i];
    ::sigaction(interrupts[i], &saved[i], nullptr);
  }
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
      dvk::test::allocationsUntilFailure = failAt;
      try {
        write_outcome_t const outcome = put(name, "new bytes");
        dvk::test::allocationsUntilFailure = 0;
        EXPECT_EQ(outcome, write_outcome_t::written);
      } catch (std::bad_alloc const&) {
        dvk::test::allocationsUntilFailure = 0;
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

TEST_F(WriteInsidePosix, AFileOnlyItsGroupMayWriteIsNoReadOnlyFile) {
  if (!asRoot()) GTEST_SKIP() << "its owner may not write a file of mode 0060; root may";
  scratch_.write("work/group-only", "old bytes");
  ASSERT_EQ(::chmod("group-only", 0060), 0);
  EXPECT_EQ(put("group-only", "new bytes"), write_outcome_t::written);
  EXPECT_EQ(status(work_ / "group-only").st_mode & 07777, 0060u);
  EXPECT_EQ(dvk::test::contents(work_ / "group-only"), "new bytes");
}

TEST_F(WriteInsidePosix, InPlaceOnlyWhereNoOneElseCanChangeTheFolder) {
  if (!asRoot()) GTEST_SKIP() << "needs folders of other owners";
  struct {
    const char* what;
    mode_t mode;
    uid_t owner;
    write_outcome_t expected;
  } const cases[] = {
      {"root's, 0755", 0755, 0, write_outcome_t::written},
      {"root's, 0555", 0555, 0, write_outcome_t::written},
      {"its group may write", 0775, 0, write_outcome_t::othersFolder},
      {"others may write", 0757, 0, write_outcome_t::othersFolder},
      {"others may write, sticky", 01777, 0, write_outcome_t::othersFolder},
      {"another user's", 0755, 4242, write_outcome_t::othersFolder},
  };
  dvk::internal::writeSeams().denyTemporary = true;
  int index = 0;
  for (auto const& c : cases) {
    SCOPED_TRACE(c.what);
    std::string const folder = "f" + std::to_string(++index);
    fs::create_directory(work_ / folder);
    scratch_.write("work/" + folder + "/file", "old bytes");
    ASSERT_EQ(::chown((work_ / folder).c_str(), c.owner, 0), 0);
    ASSERT_EQ(::chmod((work_ / folder).c_str(), c.mode), 0);
    EXPECT_EQ(put(folder + "/file", "new bytes"), c.expected);
    bool const written = c.expected == write_outcome_t::written;
    EXPECT_EQ(dvk::test::contents(work_ / folder / "file"), written ? "new bytes" : "old bytes");
  }
}

TEST_F(WriteInsidePosix, InPlaceTheSizeLimitFailsBeforeAByteChanges) {
  scratch_.write("work/old", "old bytes");
  dvk::internal::writeSeams().denyTemporary = true;
  std::string const big(std::size_t{64} * 1024, 'x');
  write_outcome_t outcome;
  {
    file_size_limit_t const limit(1000);
    outcome = put("old", big);
  }
  EXPECT_EQ(outcome, write_outcome_t::writeFailed);
  EXPECT_EQ(dvk::test::contents(work_ / "old"), "old bytes");
}

TEST_F(WriteInsidePosix, AWritePastTheSizeLimitFailsThoughItsSignalWouldEndTheProgram) {
  scratch_.write("work/old", "old bytes");
  std::string const big(std::size_t{64} * 1024, 'x');
  EXPECT_EXIT(
      {
        ::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::_Exit(put("old", big) == write_outcome_t::writeFailed ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(dvk::test::contents(work_ / "old"), "old bytes");
  EXPECT_EQ(entries(work_), (names_t{"old"}));
}

TEST_F(WriteInsidePosix, WhatBearsTheTemporarysNameAtTheRenameIsNotTakenForTheFileWritten) {
  scratch_.write("work/file", "old bytes");
  dvk::internal::writeSeams().afterWrite = [&](std::string const& temporary) {
    fs::rename(work_ / temporary, work_ / "moved");
    scratch_.write("work/" + temporary, "planted bytes");
  };
  EXPECT_EQ(put("file", "new bytes"), write_outcome_t::writeFailed);
  EXPECT_EQ(dvk::test::contents(work_ / "moved"), "new bytes");
}

// Runs body in a child process as the user 4242, whose groups are 4242 and
// 4343; body's status, or 100 when the child could not become that user.
int asUserWithTwoGroups(std::function<int()> const& body) {
  pid_t const child = ::fork();
  if (child == 0) {
    gid_t const groups[] = {4242, 4343};
    if (::setgroups(2, groups) != 0 || ::setresgid(4242, 4242, 4242) != 0 || ::setresuid(4242, 4242, 4242) != 0) {
      std::_Exit(100);
    }
    std::_Exit(body());
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 101;
  return WEXITSTATUS(status);
}

TEST_F(WriteInsidePosix, AsAnotherUserTheGroupIsKeptWhenOnlyTheGroupCanBe) {
  if (!asRoot()) GTEST_SKIP() << "root makes the files of other users";
  ASSERT_EQ(::chown(work_.c_str(), 4242, 4242), 0);
  // Root's file, which the user may write as a member of its group: the user
  // cannot give the replacement to root, but keeps the group, and with it
  // the group's bits.
  scratch_.write("work/theirs", "old bytes");
  ASSERT_EQ(::chown("theirs", 0, 4343), 0);
  ASSERT_EQ(::chmod("theirs", 0660), 0);
  int const outcome = asUserWithTwoGroups([] { return static_cast<int>(put("theirs", "new bytes")); });
  ASSERT_NE(outcome, 100) << "could not run as the user 4242";
  EXPECT_EQ(outcome, static_cast<int>(write_outcome_t::written));
  struct stat const after = status(work_ / "theirs");
  EXPECT_EQ(after.st_uid, 4242u);
  EXPECT_EQ(after.st_gid, 4343u);
  EXPECT_EQ(after.st_mode & 07777, 0660u);
  EXPECT_EQ(dvk::test::contents(work_ / "theirs"), "new bytes");
}

TEST_F(WriteInsidePosix, AsAnotherUserInASetGroupIdFolderAGroupThatCannotBeKeptTakesItsBitsAlong) {
  if (!asRoot()) GTEST_SKIP() << "root makes the files of other users";
  ASSERT_EQ(::chown(work_.c_str(), 4242, 4242), 0);
  fs::create_directory(work_ / "shared");
  ASSERT_EQ(::chown((work_ / "shared").c_str(), 4242, 4444), 0);
  ASSERT_EQ(::chmod((work_ / "shared").c_str(), 02775), 0);
  // The user's file of a group the user is not in: its replacement is made in
  // the folder's group, which must not read it.
  scratch_.write("work/shared/mine", "old bytes");
  ASSERT_EQ(::chown("shared/mine", 4242, 4545), 0);
  ASSERT_EQ(::chmod("shared/mine", 0660), 0);
  int const outcome = asUserWithTwoGroups([] { return static_cast<int>(put("shared/mine", "new bytes")); });
  ASSERT_NE(outcome, 100) << "could not run as the user 4242";
  EXPECT_EQ(outcome, static_cast<int>(write_outcome_t::written));
  struct stat const after = status(work_ / "shared" / "mine");
  EXPECT_EQ(after.st_gid, 4444u);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_EQ(dvk::test::contents(work_ / "shared" / "mine"), "new bytes");
}

}  // namespace
