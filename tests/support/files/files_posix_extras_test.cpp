// Tests of writeFile under a file-size limit, which the system applies only
// when the buffered bytes reach the file. POSIX only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <iostream>
#include <string>

#include "files/files_extras.h"
#include "test_helpers.h"

namespace {

using dvk::test::capture_t;

const std::string tenBytes = "0123456789";
constexpr std::ios_base::openmode binaryOut = std::ios::out | std::ios::binary;

std::string failedWrite(std::string const& path) {
  return "error: failure while trying to write to \"" + path + "\"\n";
}

// A soft file-size limit for this process while it lives, with SIGXFSZ
// ignored so that passing the limit fails the write instead of ending the
// process; both are restored at the end.
class file_size_limit_t {
 public:
  explicit file_size_limit_t(rlim_t bytes) {
    if (getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    set_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~file_size_limit_t() {
    if (set_) setrlimit(RLIMIT_FSIZE, &old_);
    if (oldHandler_ != SIG_ERR) signal(SIGXFSZ, oldHandler_);
  }
  file_size_limit_t(file_size_limit_t const&) = delete;
  file_size_limit_t& operator=(file_size_limit_t const&) = delete;
  bool set() const { return set_; }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_ERR;
  bool set_ = false;
};

TEST(WriteFileLimits, FileSizeLimitFailsTheWriteThatPassesIt) {
  dvk::test::scratch_dir_t scratch("tarvok-write-limit-");
  struct row_t {
    rlim_t limit;
    bool written;
  };
  for (row_t const row : {row_t{0, false}, row_t{4, false}, row_t{9, false}, row_t{10, true}, row_t{64, true}}) {
    SCOPED_TRACE("limit " + std::to_string(row.limit));
    std::string const path = scratch.path("limited" + std::to_string(row.limit) + ".bin");
    capture_t err(std::cerr);
    bool written = false;
    {
      file_size_limit_t const limit(row.limit);
      ASSERT_TRUE(limit.set());
      written = dvk::writeFile(path, tenBytes.data(), 10, binaryOut);
    }
    EXPECT_EQ(written, row.written);
    EXPECT_EQ(err.text(), row.written ? "" : failedWrite(path));
    if (row.written) {
      EXPECT_EQ(dvk::test::contents(path), tenBytes);
    }
  }
}

}  // namespace
