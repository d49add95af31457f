// Tests of the text extras: case, trimming, splitting, line views, replacing,
// markers, size formatting, hex, wildcards and path joining.
#include "text/text_extras.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytes(std::string const& text) { return {text.begin(), text.end()}; }

std::vector<std::string> asStrings(std::vector<std::string_view> const& views) { return {views.begin(), views.end()}; }

TEST(ToUpper, ChangesOnlyAsciiLettersAndLeavesTheArgument) {
  const std::string original = "abz AZ 09 _-\x80\xe4\xff";
  const std::string upper = dvk::toUpper(original);
  EXPECT_EQ(upper, "ABZ AZ 09 _-\x80\xe4\xff");
  EXPECT_EQ(original, "abz AZ 09 _-\x80\xe4\xff");

  std::string inPlace = "mixed Case";
  dvk::toUpperInPlace(inPlace);
  EXPECT_EQ(inPlace, "MIXED CASE");
}

TEST(Trim, RemovesWhiteSpaceAtTheEndsOnly) {
  struct row_t {
    std::string text, left, right, both;
  };
  const std::vector<row_t> rows = {
      {" \t\r\n\v\fx y\t\r z \n", "x y\t\r z \n", " \t\r\n\v\fx y\t\r z", "x y\t\r z"},
      {"  \t\n ", "", "", ""},
      {"", "", "", ""},
      {"a\tb", "a\tb", "a\tb", "a\tb"},
  };
  for (row_t const& row : rows) {
    std::string left = row.text, right = row.text, both = row.text;
    dvk::trimLeft(left);
    dvk::trimRight(right);
    dvk::trim(both);
    EXPECT_EQ(left, row.left) << row.text;
    EXPECT_EQ(right, row.right) << row.text;
    EXPECT_EQ(both, row.both) << row.text;
    EXPECT_EQ(dvk::trim(std::string(row.text)), row.both) << row.text;
  }
}

TEST(Split, FieldsWithAndWithoutEmptyOnes) {
  using fields_t = std::vector<std::string>;
  struct row_t {
    std::string text;
    fields_t dropEmpty, keepEmpty;
  };
  const std::vector<row_t> rows = {
      {"a;;b", {"a", "b"}, {"a", "", "b"}},
      {";a;", {"a"}, {"", "a", ""}},
      {";", {}, {"", ""}},
      {"", {}, {}},
      {"abc", {"abc"}, {"abc"}},
      {"a;b;", {"a", "b"}, {"a", "b", ""}},
  };
  for (row_t const& row : rows) {
    EXPECT_EQ(dvk::split(row.text, ';', false), row.dropEmpty) << row.text;
    EXPECT_EQ(dvk::split(row.text, ';', true), row.keepEmpty) << row.text;
  }
}

TEST(Split, WorkerAppendsToWhatTheVectorHeld) {
  std::vector<std::string> fields = {"old"};
  dvk::splitWorker("x,y", ',', fields, false);
  EXPECT_EQ(fields, (std::vector<std::string>{"old", "x", "y"}));
}

TEST(LineViews, FollowTheLineRules) {
  struct row_t {
    std::string data;
    std::vector<std::string> lines;
  };
  const std::vector<row_t> rows = {
      {"a\r\nb\n\nc", {"a", "b", "", "c"}},
      {"a\n", {"a"}},
      {"\r", {""}},
      {"\n\r", {"", ""}},
      {"", {}},
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("x\0y", 3), {std::string("x\0y", 3)}},
  };
  for (row_t const& row : rows) {
    const std::vector<uint8_t> data = bytes(row.data);
    EXPECT_EQ(asStrings(dvk::splitLineViews(data)), row.lines);
    // The views are those of splitLines, pointing into the buffer.
    const std::vector<dvk::line_t> lines = dvk::splitLines(data);
    const std::vector<std::string_view> views = dvk::splitLineViews(data);
    ASSERT_EQ(lines.size(), views.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(reinterpret_cast<const uint8_t*>(views[i].data()), lines[i].begin);
      EXPECT_EQ(views[i].size(), static_cast<std::size_t>(lines[i].end - lines[i].begin));
    }
  }
}

TEST(NextLine, MovesTheCursorPastOneTerminator) {
  const std::vector<uint8_t> data = bytes("ab\r\ncd\r");
  const uint8_t* const end = data.data() + data.size();
  const uint8_t* cursor = data.data();

  const dvk::line_t first = dvk::nextLine(data, cursor);
  EXPECT_EQ(first.begin, data.data());
  EXPECT_EQ(first.end, data.data() + 2);
  EXPECT_EQ(cursor, data.data() + 4);

  EXPECT_EQ(dvk::nextLineView(data, cursor), "cd");
  EXPECT_EQ(cursor, end);  // a CR as the last byte moves to the end

  const dvk::line_t atEnd = dvk::nextLine(data, cursor);
  EXPECT_EQ(atEnd.begin, end);
  EXPECT_EQ(atEnd.end, end);
  EXPECT_EQ(cursor, end);
}

TEST(ReplaceAll, LeftToRightWithoutRescanningReplacements) {
  EXPECT_EQ(dvk::replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(dvk::replaceAll("xyx", "x", "xx"), "xxyxx");
  EXPECT_EQ(dvk::replaceAll("no match", "zz", "y"), "no match");
  EXPECT_EQ(dvk::replaceAll("a.b.c", ".", ""), "abc");
  EXPECT_EQ(dvk::replaceAll("unchanged", "", "x"), "unchanged");
}

TEST(ExpandMarkers, NamesValuesAndUnterminatedMarkers) {
  const std::map<std::string, std::string> table = {
      {"user", "joe"}, {"", "EMPTY"}, {"a{^b", "nested"}, {"loop", "{^user^}"}};
  struct row_t {
    std::string text, keep, drop;
  };
  const std::vector<row_t> rows = {
      {"Hi {^user^}!", "Hi joe!", "Hi joe!"},
      {"Hi {^who^}!", "Hi who!", "Hi !"},
      {"ends in {^user", "ends in {^user", "ends in {^user"},
      {"a{^}b", "a{^}b", "a{^}b"},
      {"{^a{^b^}", "nested", "nested"},
      {"{^^}", "EMPTY", "EMPTY"},
      {"x^}y {^user^}^}", "x^}y joe^}", "x^}y joe^}"},
      {"{^loop^}", "{^user^}", "{^user^}"},  // values are not scanned again
      {"{^user^}{^user^}", "joejoe", "joejoe"},
  };
  for (row_t const& row : rows) {
    EXPECT_EQ(dvk::expandMarkers(row.text, table, true), row.keep) << row.text;
    EXPECT_EQ(dvk::expandMarkers(row.text, table, false), row.drop) << row.text;
  }
}

TEST(FormatSize, UnitsScalingAndSinglePrecision) {
  struct row_t {
    uint64_t size;
    int decimals;
    const char* text;
  };
  const uint64_t kib = 1024, mib = kib * kib, gib = mib * kib, tib = gib * kib;
  const std::vector<row_t> rows = {
      {0, 1, "0"},
      {1023, 1, "1023"},
      {1024, 1, "1.0K"},
      {1536, 1, "1.5K"},
      {1023999, 1, "1000.0K"},
      {1024000, 1, "0.977M"},
      {1048524, 1, "0.999M"},
      {1048525, 1, "1.0M"},
      {mib, 1, "1.0M"},
      {1048575999, 1, "1000.0M"},
      {1048576000, 1, "0.977G"},
      {gib, 1, "1.000G"},
      {1099457941503ull, 1, "1023.949G"},
      {1099457941504ull, 1, "0.999T"},
      {tib, 1, "1.000T"},
      {tib * kib, 1, "1024.000T"},
      {tib * mib, 1, "1024.000P"},
      {~uint64_t{0}, 1, "16383.999P"},
      {((uint64_t{1} << 24) + 3) << 30, 1, "16384.004T"},
      // Single precision rounds to nearest, ties to the even neighbour.
      {((uint64_t{1} << 24) + 1) << 30, 4, "16384.000000T"},
      {((uint64_t{1} << 25) + 2) << 30, 4, "32768.000000T"},
      {((uint64_t{1} << 25) + 3) << 30, 4, "32768.003906T"},
      {((uint64_t{1} << 25) + 6) << 30, 4, "32768.007812T"},
      {1536, 0, "2K"},
      {2560, 0, "2K"},
      {3584, 0, "4K"},
      {1536, 3, "1.500K"},
      {1025, 12, "1.000976562500K"},
      {1536, -4, "2K"},
  };
  for (row_t const& row : rows) {
    EXPECT_EQ(dvk::formatSize(row.size, row.decimals), row.text) << row.size << " decimals " << row.decimals;
  }
}

TEST(HexToBytes, DigitGroupsAndSeparators) {
  using b = std::vector<uint8_t>;
  EXPECT_EQ(dvk::hexToBytes("deadBEEF"), (b{0xde, 0xad, 0xbe, 0xef}));
  EXPECT_EQ(dvk::hexToBytes("de:ad"), (b{0xde, 0xad}));
  EXPECT_EQ(dvk::hexToBytes("abc"), (b{0xab, 0x0c}));
  EXPECT_EQ(dvk::hexToBytes("a b"), (b{0x0a, 0x0b}));
  EXPECT_EQ(dvk::hexToBytes("0x1f"), (b{0x00, 0x1f}));
  EXPECT_EQ(dvk::hexToBytes("zz"), b{});
  EXPECT_EQ(dvk::hexToBytes(""), b{});
  EXPECT_EQ(dvk::hexToBytes("\xff"
                            "9"),
            b{0x09});
}

TEST(HexText, TwoLowerCaseDigitsPerByteAndBack) {
  const std::vector<uint8_t> data = {0x00, 0x0a, 0xff};
  EXPECT_EQ(dvk::toString(data), "000aff");
  EXPECT_EQ(dvk::toString(std::string("\x00\x0a\xff\x7f", 4)), "000aff7f");
  EXPECT_EQ(dvk::toString(std::vector<uint8_t>{}), "");
  EXPECT_EQ(dvk::toString(std::string()), "");
  EXPECT_EQ(dvk::hexToBytes(dvk::toString(data)), data);
}

TEST(WildcardMatch, StarsQuestionMarksAndBacktracking) {
  struct row_t {
    const char* text;
    const char* pattern;
    bool matches;
  };
  const std::vector<row_t> rows = {
      {"abcxd", "abc*d", true},
      {"abcd", "abc*bcd", false},
      {"cbc", "?b*bc", false},
      {"", "*", true},
      {"", "**", true},
      {"", "?", false},
      {"", "", true},
      {"a", "", false},
      {"a", "?*", true},
      {"a", "*?", true},
      {"ab", "a", false},
      {"a", "ab", false},
      {"a*b", "a?b", true},
      {"axb", "a\\*b", false},  // no escape character
      {"Readme.TXT", "*.txt", false},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*issip*i", true},
      {"aaab", "*a*b", true},
      {"abcabd", "*abd", true},
      {"release.part01.rar", "*.part??.rar", true},
      {"release.part1.rar", "*.part??.rar", false},
      {"x", "***", true},
      {"abc", "a**c", true},
  };
  for (row_t const& row : rows) {
    EXPECT_EQ(dvk::wildcardMatch(row.text, row.pattern), row.matches)
        << "'" << row.text << "' against '" << row.pattern << "'";
  }
}

TEST(JoinPath, CleansOnlyTheSeam) {
  struct row_t {
    const char* first;
    const char* second;
    const char* joined;
  };
  const std::vector<row_t> rows = {
      {"a/b/", "/c", "a/b/c"}, {"a\\b", "c\\d", "a/b/c/d"}, {"/", "x", "/x"},    {"a", "", "a"},
      {"a\\", "", "a"},        {"", "x\\y", "x\\y"},        {"a//", "//", "a/"}, {"a//b", "c//d", "a//b/c//d"},
      {"//", "", ""},
  };
  for (row_t const& row : rows) {
    EXPECT_EQ(dvk::joinPath(row.first, row.second), row.joined) << row.first << " + " << row.second;
  }
}

}  // namespace
