// run when memory runs out anywhere in it: every failed allocation of a whole
// run, the first, the second and so on, ends the run with status 1 and one
// "not enough memory" line, whatever step it hit.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "app_output.h"
#include "checksum/crc32.h"
#include "crc_cache.h"
#include "failing_allocation.h"
#include "program.h"
#include "reported_files.h"
#include "run.h"
#include "test_helpers.h"
#include "text/text.h"

namespace {

namespace fs = std::filesystem;

// Standard output or error into a fixed array while it lives: writing never
// allocates, so the allocation that fails is always one of the program's.
class fixed_capture_t {
 public:
  explicit fixed_capture_t(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(&buffer_)) {}
  ~fixed_capture_t() {
    stream_.rdbuf(old_);
    stream_.clear();
  }
  fixed_capture_t(fixed_capture_t const&) = delete;
  fixed_capture_t& operator=(fixed_capture_t const&) = delete;
  std::string text() const { return buffer_.text(); }

 private:
  struct buffer_t : std::streambuf {
    buffer_t() { setp(bytes.data(), bytes.data() + bytes.size()); }
    std::string text() const { return std::string(pbase(), pptr()); }
    std::array<char, std::size_t{1} << 16> bytes{};
  };
  std::ostream& stream_;
  buffer_t buffer_;
  std::streambuf* old_;
};

struct outcome_t {
  int status = 0;
  bool failed = false;  // an allocation was made to fail
  std::string out;
  std::string err;
};

std::vector<std::string> lines(std::string const& text) {
  std::vector<std::string> found;
  std::size_t begin = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', begin)) {
    found.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  if (begin != text.size()) found.push_back(text.substr(begin));
  return found;
}

// A release in the working directory: an .sfv of two intact volumes, an
// .srr storing the .nfo (intact), the .sfv, a file that differs and one that
// is missing, so that -x rewrites one and writes the other.
class RunOutOfMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    dvk::test::app_output_t::verboseCount(1);
    app::optExtract.typed = "x";
    app::rootParser.positionalArgs = {"release-with-a-long-name.sfv", "release-with-a-long-name.srr"};
    // Made before any allocation is counted.
    dvk::crc32Tables(dvk::crc32Polynomial);
  }
  void TearDown() override {
    app::optExtract.reset();
    app::rootParser.positionalArgs.clear();
    app::crcCache.clear();
    app::forgetReported();
  }

  // The release as it was before the run (a run may have written into it).
  static void prepare() {
    write("volume-with-a-long-name.r00", "first volume");
    write("volume-with-a-long-name.r01", "second volume");
    std::string const sfv = "volume-with-a-long-name.r00 " + crcHex("first volume") +
                            "\r\nvolume-with-a-long-name.r01 " + crcHex("second volume") + "\r\n";
    write("release-with-a-long-name.sfv", sfv);
    write("notes-with-a-long-name.nfo", "notes");
    write("differs-with-a-long-name.txt", "old bytes");
    fs::remove("missing-with-a-long-name.txt");
    std::string srr = block(0x69, "tarvok tests", "");
    for (auto const& [name, payload] : {std::pair<std::string, std::string>{"notes-with-a-long-name.nfo", "notes"},
                                        {"release-with-a-long-name.sfv", sfv},
                                        {"differs-with-a-long-name.txt", "new bytes"},
                                        {"missing-with-a-long-name.txt", "stored bytes"}}) {
      srr += block(0x6A, name, payload);
    }
    write("release-with-a-long-name.srr", srr);
    app::crcCache.clear();
    app::forgetReported();
  }

  // One run with the failAt-th allocation failing (0: none).
  static outcome_t runFailing(long failAt) {
    outcome_t outcome;
    fixed_capture_t const out(std::cout);
    fixed_capture_t const err(std::cerr);
    dvk::test::allocationFailed = false;
    dvk::test::allocationsUntilFailure = failAt;
    outcome.status = run(app::console);
    dvk::test::allocationsUntilFailure = 0;
    outcome.failed = dvk::test::allocationFailed;
    outcome.out = out.text();
    outcome.err = err.text();
    return outcome;
  }

  // Names the writer's temporaries would have left.
  static std::vector<std::string> strays() {
    std::vector<std::string> found;
    for (auto const& entry : fs::directory_iterator(".")) {
      std::string const name = entry.path().filename().string();
      if (name[0] == '.') found.push_back(name);
    }
    return found;
  }

 private:
  static std::string crcHex(std::string const& text) {
    uint32_t value = dvk::crc32(0, dvk::test::toBytes(text), dvk::crc32Tables(dvk::crc32Polynomial));
    std::string hex(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) hex[static_cast<std::size_t>(i)] = dvk::hexDigits[value & 0xFu];
    return hex;
  }
  static std::string le(uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i, value >>= 8) text += static_cast<char>(value & 0xFFu);
    return text;
  }
  // A block: header CRC, type, flags, header size, then for a stored file
  // (flags 0x8000) the payload size, the name and the payload.
  static std::string block(uint8_t type, std::string const& name, std::string const& payload) {
    bool const sized = type == 0x6A;
    std::string const named = le(static_cast<uint32_t>(name.size()), 2) + name;
    uint32_t const header = 7 + (sized ? 4 : 0) + static_cast<uint32_t>(named.size());
    std::string text = le(0, 2) + static_cast<char>(type) + le(sized ? 0x8000 : 0, 2) + le(header, 2);
    if (sized) text += le(static_cast<uint32_t>(payload.size()), 4);
    return text + named + payload;
  }

  static void write(std::string const& name, std::string const& bytes) {
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  dvk::test::working_dir_t dir_{"tarvok-memory-"};
  dvk::test::app_output_t output_;
};

TEST_F(RunOutOfMemory, EveryFailedAllocationEndsTheRunWithOneLine) {
  dvk::test::allocationsUntilFailure = 1;
  try {
    // A call, not a new-expression, which the compiler may leave out.
    ::operator delete(::operator new(1));
    dvk::test::allocationsUntilFailure = 0;
    GTEST_SKIP() << "operator new is not replaced in this build";
  } catch (std::bad_alloc const&) {
  }

  prepare();
  outcome_t const whole = runFailing(0);
  ASSERT_EQ(whole.status, 0) << whole.err;
  ASSERT_EQ(whole.out,
            "verify release-with-a-long-name.sfv\n"
            " == : volume-with-a-long-name.r00\n"
            " == : volume-with-a-long-name.r01\n"
            ".sfv passed (2 files)\n"
            "\n"
            "verify release-with-a-long-name.srr\n"
            " == : notes-with-a-long-name.nfo\n"
            " == : release-with-a-long-name.sfv\n"
            " ~~ : differs-with-a-long-name.txt\n"
            " ++ : missing-with-a-long-name.txt\n"
            ".srr passed (4 files)\n");
  ASSERT_EQ(whole.err, "");

  long failAt = 1;
  for (; failAt < 100000; ++failAt) {
    SCOPED_TRACE(failAt);
    prepare();
    outcome_t const outcome = runFailing(failAt);
    if (!outcome.failed) {
      EXPECT_EQ(outcome.status, 0);
      EXPECT_EQ(outcome.out, whole.out);
      EXPECT_EQ(outcome.err, "");
      break;
    }
    EXPECT_EQ(outcome.status, 1);
    std::vector<std::string> const errors = lines(outcome.err);
    ASSERT_EQ(errors.size(), 1u) << outcome.err;
    EXPECT_NE(errors[0].find("not enough memory"), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.back(), '\n');
    // No line of the report is cut short.
    EXPECT_TRUE(outcome.out.empty() || outcome.out.back() == '\n') << outcome.out;
    EXPECT_EQ(strays(), std::vector<std::string>{});
    // What the cache held may be what filled the memory; and no later check
    // of this process may take a sum of it for its file.
    if (outcome.err.find("could not be checked") != std::string::npos) {
      EXPECT_TRUE(app::crcCache.empty());
    }
  }
  // A run takes more than a few allocations; each was made to fail once.
  EXPECT_GT(failAt, 10);
  EXPECT_LT(failAt, 100000);
}

}  // namespace
