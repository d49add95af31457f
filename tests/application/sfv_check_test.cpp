// The .sfv check on a scratch release: counts, name lists and the report at
// each verbose level.
#include "sfv_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app_output.h"
#include "console/console.h"
#include "crc_cache.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;

// A scratch working directory holding good.bin ("hello"), bad.bin ("world")
// and the directory sub; standard output is captured.
class SfvCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream("good.bin", std::ios::binary) << "hello";
    std::ofstream("bad.bin", std::ios::binary) << "world";
    fs::create_directory("sub");
    app::crcCache.clear();
  }
  void TearDown() override { app::crcCache.clear(); }
  static dvk::file_t sfv(std::string const& text) {
    dvk::file_t file;
    file.name = "list.sfv";
    file.data.assign(text.begin(), text.end());
    return file;
  }
  dvk::test::working_dir_t dir_{"tarvok-sfv-"};
  dvk::test::app_output_t output_;
};

// Every kind of line, with CR LF, LF and a lone CR as line ends.
const std::string mixedList =
    "; made by hand\r\n"             // 1 comment
    "good.bin 3610A686\r\n"          // 2 match
    "bad.bin 00000000\r\n"           // 3 mismatch
    "sub 12345678\r\n"               // 4 directory
    "absent.bin 12345678\r\n"        // 5 missing
    "short\r\n"                      // 6 ignored
    "this line has no checksum\r\n"  // 7 unparseable
    "good.bin 3610a686\n"            // 8 match, read once
    "\r"                             // 9 empty
    " good.bin 3610a686\r\n"         // 10 leading blank: another name
    "zz 1234567\r\n";                // 11 unparseable

TEST_F(SfvCheck, CountsEveryOutcome) {
  dvk::con::setVerbose(1);
  app::result_t const result = app::check(sfv(mixedList));
  EXPECT_FALSE(result.passed);
  EXPECT_EQ(result.checked, 6u);
  EXPECT_EQ(result.ok, 2u);
  EXPECT_EQ(result.mismatch, 1u);
  EXPECT_EQ(result.missing, 3u);
  EXPECT_EQ(result.unparseable, 2u);
  EXPECT_EQ(result.mismatchedNames, (std::vector<std::string>{"bad.bin"}));
  EXPECT_EQ(result.missingNames, (std::vector<std::string>{"sub", "absent.bin", " good.bin"}));
  EXPECT_EQ(output_.out(),
            "verify list.sfv\n"
            ".sfv failed (1 mismatch; 3 missing; 2 passed out of 6 checked; also found 2 unparseable lines)\n");
}

TEST_F(SfvCheck, ReportByVerboseLevel) {
  struct {
    uint32_t verboseCount;
    const char* out;
  } const cases[] = {
      {1,
       "verify list.sfv\n"
       " == : good.bin\n"
       " != : bad.bin\n"
       " -- : sub\n"
       " -- : absent.bin\n"
       " xx : {.sfv line #7 couldn't be parsed as expected}\n"
       " == : good.bin\n"
       " -- :  good.bin\n"
       " xx : {.sfv line #11 couldn't be parsed as expected}\n"
       ".sfv failed (1 mismatch; 3 missing; 2 passed out of 6 checked; also found 2 unparseable lines)\n"},
      {2,
       "verify list.sfv\n"
       " == : {3610a686} good.bin\n"
       " != : {3a771143} bad.bin\n"
       " -- :            sub\n"
       " -- :            absent.bin\n"
       " xx : {.sfv line #7 couldn't be parsed as expected}\n"
       " == : {3610a686} good.bin\n"
       " -- :             good.bin\n"
       " xx : {.sfv line #11 couldn't be parsed as expected}\n"
       ".sfv failed (1 mismatch; 3 missing; 2 passed out of 6 checked; also found 2 unparseable lines)\n"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.verboseCount);
    dvk::test::app_output_t::verboseCount(c.verboseCount);
    output_.takeOut();
    app::check(sfv(mixedList));
    EXPECT_EQ(output_.out(), c.out);
  }
}

TEST_F(SfvCheck, QuietPrintsNothing) {
  app::optQuiet.typed = "q";
  dvk::con::setVerbose(0);
  app::result_t const result = app::check(sfv("good.bin 3610a686\r\n"));
  EXPECT_TRUE(result.passed);
  EXPECT_EQ(result.ok, 1u);
  EXPECT_EQ(output_.out(), "");
}

TEST_F(SfvCheck, WithoutEntriesThereIsNoSummary) {
  dvk::con::setVerbose(1);
  app::result_t result = app::check(sfv("; only a comment\r\nshort\r\n\r\n"));
  EXPECT_TRUE(result.passed);
  EXPECT_EQ(result.checked, 0u);
  result = app::check(sfv("no hex here\r\n"));
  EXPECT_EQ(result.checked, 0u);
  EXPECT_EQ(result.unparseable, 1u);
  EXPECT_EQ(output_.out(), "verify list.sfv\nverify list.sfv\n");
}

}  // namespace
