// Tests of line splitting, lower-casing, the escaping for a terminal and
// plural suffixes.
#include "text/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/utf16.h"

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

TEST(EscapeControlBytes, ControlCharactersBidirectionalControlsAndBytesThatAreNoUtf8) {
  struct {
    const char* label;
    std::string text;
    std::string shown;
  } const cases[] = {
      {"empty", "", ""},
      {"plain", "movie.mkv", "movie.mkv"},
      {"backslash", "\\x41", "\\x41"},
      // C0 and DEL; 0x20 and 0x7E are the printable edges.
      {"ESC", "\x1b[1A == : x", "\\x1b[1A == : x"},
      {"CR LF tab", "a\r\nb\t", "a\\x0d\\x0ab\\x09"},
      {"NUL and C0 edge", std::string("\0\x01\x1f", 3), "\\x00\\x01\\x1f"},
      {"DEL", "\x7f", "\\x7f"},
      {"space and tilde", " ~", " ~"},
      // C1, U+0080 to U+009F, as their two bytes; U+00A0 is the first kept.
      {"U+0080", "a\xc2\x80z", "a\\xc2\\x80z"},
      {"U+009F", "a\xc2\x9fz", "a\\xc2\\x9fz"},
      {"CSI",
       "\xc2\x9b"
       "2J",
       "\\xc2\\x9b2J"},
      {"OSC title",
       "\xc2\x9d"
       "0;title\xc2\x9c",
       "\\xc2\\x9d0;title\\xc2\\x9c"},
      {"U+00A0", "a\xc2\xa0z", "a\xc2\xa0z"},
      // Valid printable characters of two, three and four bytes.
      {"two bytes", "caf\xc3\xa9", "caf\xc3\xa9"},
      {"three bytes", "\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},
      {"four bytes", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
      {"U+10FFFF", "\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},
      // The bidirectional controls, each range's ends escaped and the
      // characters just outside them kept.
      {"U+061B", "\xd8\x9b", "\xd8\x9b"},
      {"U+061C ALM", "\xd8\x9c", "\\xd8\\x9c"},
      {"U+061D", "\xd8\x9d", "\xd8\x9d"},
      {"U+200D", "\xe2\x80\x8d", "\xe2\x80\x8d"},
      {"U+200E LRM", "\xe2\x80\x8e", "\\xe2\\x80\\x8e"},
      {"U+200F RLM", "\xe2\x80\x8f", "\\xe2\\x80\\x8f"},
      {"U+2010", "\xe2\x80\x90", "\xe2\x80\x90"},
      {"U+2029", "\xe2\x80\xa9", "\xe2\x80\xa9"},
      {"U+202A LRE", "\xe2\x80\xaa", "\\xe2\\x80\\xaa"},
      {"U+202C PDF", "\xe2\x80\xac", "\\xe2\\x80\\xac"},
      {"U+202E RLO", "\xe2\x80\xae", "\\xe2\\x80\\xae"},
      {"U+202F", "\xe2\x80\xaf", "\xe2\x80\xaf"},
      {"U+2065", "\xe2\x81\xa5", "\xe2\x81\xa5"},
      {"U+2066 LRI", "\xe2\x81\xa6", "\\xe2\\x81\\xa6"},
      {"U+2069 PDI", "\xe2\x81\xa9", "\\xe2\\x81\\xa9"},
      {"U+206A", "\xe2\x81\xaa", "\xe2\x81\xaa"},
      {"an override in a name", "bidi\xe2\x80\xaeofn.exe", "bidi\\xe2\\x80\\xaeofn.exe"},
      // Bytes that are no UTF-8, each escaped; what follows is read afresh.
      {"raw 9B",
       "\x9b"
       "2J",
       "\\x9b2J"},
      {"stray continuation", "a\x80\xbfz", "a\\x80\\xbfz"},
      {"Latin-1", "caf\xe9.bin", "caf\\xe9.bin"},
      {"FF", "\xff\xfe", "\\xff\\xfe"},
      {"C2 at the end", "a\xc2", "a\\xc2"},
      {"C2 before ASCII",
       "\xc2"
       "a",
       "\\xc2a"},
      {"cut-off three", "\xe6\x97", "\\xe6\\x97"},
      {"cut-off four", "\xf0\x9f\x98z", "\\xf0\\x9f\\x98z"},
      {"cut-off then valid", "\xe6\xc3\xa9", "\\xe6\xc3\xa9"},
      {"overlong slash", "\xc0\xaf", "\\xc0\\xaf"},
      {"overlong ESC", "\xc0\x9b", "\\xc0\\x9b"},
      {"overlong three", "\xe0\x80\xaf", "\\xe0\\x80\\xaf"},
      {"overlong four", "\xf0\x80\x80\xaf", "\\xf0\\x80\\x80\\xaf"},
      {"surrogate low edge", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
      {"surrogate high edge", "\xed\xbf\xbf", "\\xed\\xbf\\xbf"},
      {"before the surrogates", "\xed\x9f\xbf", "\xed\x9f\xbf"},
      {"above U+10FFFF", "\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
      {"F5 lead", "\xf5\x80\x80\x80", "\\xf5\\x80\\x80\\x80"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(dvk::escapeControlBytes(c.text), c.shown) << testing::PrintToString(c.text);
  }
}

TEST(EscapeControlBytes, EveryResultIsValidUtf8WithoutControls) {
  // Every two-byte text, escaped, keeps only printable ASCII and characters
  // the UTF-16 conversion takes; none is a C1 control.
  for (unsigned first = 0; first < 256; ++first) {
    for (unsigned second = 0; second < 256; ++second) {
      std::string const text{static_cast<char>(first), static_cast<char>(second)};
      std::string const shown = dvk::escapeControlBytes(text);
      std::optional<std::u16string> const wide = dvk::utf8ToUtf16(shown);
      ASSERT_TRUE(wide.has_value()) << testing::PrintToString(text);
      for (char16_t const unit : *wide) {
        ASSERT_FALSE(unit < 0x20 || (unit >= 0x7F && unit < 0xA0)) << testing::PrintToString(text);
      }
    }
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
