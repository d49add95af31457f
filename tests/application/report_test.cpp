// The CRC column's hex widths, the per-file line fields by verbose level, the
// failure bookkeeping, and the summary line forms.
#include "report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app_output.h"

namespace {

// Captures standard output and sets the levels the report reads; restores all.
class Report : public ::testing::Test {
 protected:
  std::string take() { return output_.takeOut(); }
  dvk::test::app_output_t output_;
};

TEST(Hex, WidthFollowsTheBytesTheValueNeeds) {
  struct {
    uint32_t value;
    const char* text;
  } const cases[] = {
      {0, "00"},
      {0x7, "07"},
      {0xff, "ff"},
      {0x100, "0100"},
      {0x1a2, "01a2"},
      {0x1234, "1234"},
      {0xffff, "ffff"},
      {0x10000, "00010000"},
      {0x12345, "00012345"},
      {0xABCDEF, "00abcdef"},
      {0xdeadbeef, "deadbeef"},
      {0xffffffff, "ffffffff"},
  };
  for (auto const& c : cases) {
    EXPECT_EQ(app::hex(c.value), c.text) << std::hex << c.value;
  }
}

TEST_F(Report, LineFieldsAppearByVerboseLevel) {
  struct {
    uint32_t verboseCount;  // 0 is the default level 1
    const char* crcLine;
    const char* nameLine;
  } const cases[] = {
      {0, "", ""},
      {1, " == : a.bin\n", " -- : b.bin\n"},
      {2, " == : {1234} a.bin\n", " -- :            b.bin\n"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.verboseCount);
    dvk::test::app_output_t::verboseCount(c.verboseCount);
    app::printCrcLine(app::markerMatch, 0x1234, "a.bin");
    EXPECT_EQ(take(), c.crcLine);
    app::printNameLine(app::markerMissing, "b.bin");
    EXPECT_EQ(take(), c.nameLine);
  }
}

TEST_F(Report, VerifyLineNeedsNormalOutput) {
  dvk::con::setVerbose(0);
  app::printVerifyLine("x.sfv");
  EXPECT_EQ(take(), "");
  dvk::con::setVerbose(1);
  app::printVerifyLine("x.sfv");
  EXPECT_EQ(take(), "verify x.sfv\n");
}

TEST_F(Report, FailuresAreCountedAndNamedInOrder) {
  dvk::test::app_output_t::verboseCount(1);
  app::result_t result;
  app::countMissing(result, "gone.bin");
  app::countMismatch(result, 0xdeadbeef, "bad.bin");
  app::countMissing(result, "sub");
  EXPECT_EQ(take(), " -- : gone.bin\n != : bad.bin\n -- : sub\n");
  EXPECT_EQ(result.missing, 2u);
  EXPECT_EQ(result.mismatch, 1u);
  EXPECT_EQ(result.ok, 0u);
  EXPECT_EQ(result.checked, 0u);  // taking an entry up is the check's count
  EXPECT_EQ(result.missingNames, (std::vector<std::string>{"gone.bin", "sub"}));
  EXPECT_EQ(result.mismatchedNames, (std::vector<std::string>{"bad.bin"}));

  // The counts hold whether or not the lines are shown.
  dvk::test::app_output_t::verboseCount(0);
  app::countMismatch(result, 0, "quiet.bin");
  EXPECT_EQ(take(), "");
  EXPECT_EQ(result.mismatch, 2u);
  EXPECT_EQ(result.mismatchedNames.back(), "quiet.bin");
}

app::result_t counts(uint32_t checked, uint32_t ok, uint32_t mismatch, uint32_t missing, uint32_t unparseable) {
  app::result_t result;
  result.checked = checked;
  result.ok = ok;
  result.mismatch = mismatch;
  result.missing = missing;
  result.unparseable = unparseable;
  result.passed = ok == checked && unparseable == 0;
  return result;
}

TEST_F(Report, SummaryForms) {
  struct {
    const char* kind;
    app::result_t result;
    bool withUnparseable;
    const char* line;
  } const cases[] = {
      {".sfv", counts(1, 1, 0, 0, 0), true, ".sfv passed (1 file)\n"},
      {".sfv", counts(3, 3, 0, 0, 0), true, ".sfv passed (3 files)\n"},
      {".sfv", counts(8, 5, 2, 1, 1), true,
       ".sfv failed (2 mismatches; 1 missing; 5 passed out of 8 checked; also found 1 unparseable line)\n"},
      {".sfv", counts(3, 3, 0, 0, 2), true,
       ".sfv failed (3 passed out of 3 checked; also found 2 unparseable lines)\n"},
      {".sfv", counts(1, 0, 1, 0, 0), true, ".sfv failed (1 mismatch; 0 passed out of 1 checked)\n"},
      {".sfv", counts(4, 1, 0, 3, 0), true, ".sfv failed (3 missing; 1 passed out of 4 checked)\n"},
      {".srr", counts(2, 2, 0, 0, 0), false, ".srr passed (2 files)\n"},
      {".srr", counts(2, 1, 1, 0, 1), false, ".srr failed (1 mismatch; 1 passed out of 2 checked)\n"},
      {".sfv", counts(0, 0, 0, 0, 4), true, ""},  // nothing checked: no summary
  };
  dvk::con::setVerbose(1);
  for (auto const& c : cases) {
    app::printSummary(c.kind, c.result, c.withUnparseable);
    EXPECT_EQ(take(), c.line);
  }
}

TEST_F(Report, SummaryFollowsTheQuietOptionNotTheVerboseLevel) {
  app::result_t const passed = counts(1, 1, 0, 0, 0);
  dvk::con::setVerbose(0);  // written directly: the verbose level does not gate it
  app::printSummary(".sfv", passed, true);
  EXPECT_EQ(take(), ".sfv passed (1 file)\n");
  app::optQuiet.typed = "q";
  dvk::con::setVerbose(2);
  app::printSummary(".sfv", passed, true);
  EXPECT_EQ(take(), "");
}

}  // namespace
