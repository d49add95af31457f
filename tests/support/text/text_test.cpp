// Tests of line splitting, lower-casing and plural suffixes.
#include "text/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(std::vector<uint8_t> const& data) {
  std::vector<std::string> out;
  for (dvk::line_t const& line : dvk::splitLines(data)) out.emplace_back(line.begin, line.end);
  return out;
}

std::vector<uint8_t> bytes(std::string const& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

struct TerminatorCase {
  std::string data;
  std::vector<std::string> lines;
};

const TerminatorCase terminatorCases[] = {
    {"", {}},
    {"a", {"a"}},
    {"a\n", {"a"}},
    {"a\n\n", {"a", ""}},
    {"\n", {""}},
    {"\r", {""}},
    {"\r\n", {""}},
    {"a\r\nb", {"a", "b"}},
    {"a\rb", {"a", "b"}},
    {"a\n\rb", {"a", "", "b"}},
    {"a\r\r\nb", {"a", "", "b"}},
    {"a\r", {"a"}},
    {"a\r\n\r\n", {"a", ""}},
    {"a\r\n\n", {"a", ""}},
    {std::string("x\0y\nz", 5), {std::string("x\0y", 3), "z"}},
};

TEST(SplitLines, EveryMixOfTerminators) {
  for (TerminatorCase const& c : terminatorCases) {
    EXPECT_EQ(linesOf(bytes(c.data)), c.lines) << "data: " << testing::PrintToString(c.data);
  }
}

TEST(SplitLines, LinesPointIntoTheBuffer) {
  std::vector<uint8_t> const data = bytes("ab\r\ncd");
  std::vector<dvk::line_t> const lines = dvk::splitLines(data);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].begin, data.data());
  EXPECT_EQ(lines[0].end, data.data() + 2);
  EXPECT_EQ(lines[1].begin, data.data() + 4);
  EXPECT_EQ(lines[1].end, data.data() + data.size());
}

TEST(TakeLine, WalksTheLinesOfSplitLines) {
  for (TerminatorCase const& c : terminatorCases) {
    SCOPED_TRACE(testing::PrintToString(c.data));
    std::vector<uint8_t> const data = bytes(c.data);
    std::vector<dvk::line_t> const split = dvk::splitLines(data);
    const uint8_t* cursor = data.data();
    const uint8_t* const end = cursor + data.size();
    std::size_t taken = 0;
    dvk::line_t line{};
    while (dvk::takeLine(cursor, end, line)) {
      ASSERT_LT(taken, split.size());
      EXPECT_EQ(line.begin, split[taken].begin);
      EXPECT_EQ(line.end, split[taken].end);
      ++taken;
    }
    EXPECT_EQ(taken, split.size());
    EXPECT_EQ(cursor, end);
  }
}

TEST(TakeLine, AtTheEndLeavesTheLineAlone) {
  std::vector<uint8_t> const data = bytes("a");
  const uint8_t* cursor = data.data() + 1;
  dvk::line_t line{data.data(), data.data()};
  EXPECT_FALSE(dvk::takeLine(cursor, data.data() + 1, line));
  EXPECT_EQ(line.begin, data.data());
  EXPECT_EQ(cursor, data.data() + 1);
}

TEST(EscapeControlBytes, OnlyControlBytesAndDelete) {
  struct {
    std::string text;
    std::string shown;
  } const cases[] = {
      {"", ""},
      {"movie.mkv", "movie.mkv"},
      {"\x1b[1A == : x", "\\x1b[1A == : x"},
      {"a\r\nb\t", "a\\x0d\\x0ab\\x09"},
      {std::string("\0\x01\x1f", 3), "\\x00\\x01\\x1f"},
      {"\x7f", "\\x7f"},
      {" ~", " ~"},                              // 0x20 and 0x7E stay
      {"\xc3\xa9\x80\xff", "\xc3\xa9\x80\xff"},  // UTF-8 and other high bytes stay
      {"\\x41", "\\x41"},                        // a backslash is no control byte
  };
  for (auto const& c : cases) {
    EXPECT_EQ(dvk::escapeControlBytes(c.text), c.shown) << testing::PrintToString(c.text);
  }
}

TEST(ToLower, ClassicLocale) {
  // Nothing in this test binary changes the locale, so only A to Z change.
  EXPECT_EQ(dvk::toLower("AbC-XYZ.SFV@[`"), "abc-xyz.sfv@[`");
  EXPECT_EQ(dvk::toLower(std::string("\xC4\xD6\0Q", 4)), std::string("\xC4\xD6\0q", 4));
  EXPECT_EQ(dvk::toLower(""), "");
}

TEST(Plural, OnlyOneTakesNoSuffix) {
  EXPECT_EQ(dvk::plural("s", 1), "");
  EXPECT_EQ(dvk::plural("s", 0), "s");
  EXPECT_EQ(dvk::plural("es", 2), "es");
  EXPECT_EQ(dvk::plural("es", static_cast<std::size_t>(-1)), "es");
}

}  // namespace
