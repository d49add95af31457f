// Tests of the UTF-8 <-> UTF-16 conversion.
#include "text/utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8ToUtf16, ValidTextOfEveryLength) {
  struct {
    const char* utf8;
    std::u16string utf16;
  } const cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"\xc3\xa9.bin", u"\u00e9.bin"},                                           // two bytes
      {"\xe6\x97\xa5\xe6\x9c\xac", u"\u65e5\u672c"},                             // three bytes
      {"\xf0\x9f\x8e\xb5", std::u16string{char16_t(0xD83C), char16_t(0xDFB5)}},  // four: a pair
      {"\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf", u"\u007f\u0080\u07ff\u0800\uffff"},
      {"\xf4\x8f\xbf\xbf", std::u16string{char16_t(0xDBFF), char16_t(0xDFFF)}},  // U+10FFFF
      {"\xed\x9f\xbf\xee\x80\x80", u"\ud7ff\ue000"},                             // beside the surrogates
      {"\xf0\x90\x80\x80", std::u16string{char16_t(0xD800), char16_t(0xDC00)}},  // U+10000
  };
  for (auto const& c : cases) {
    std::optional<std::u16string> const wide = dvk::utf8ToUtf16(c.utf8);
    ASSERT_TRUE(wide.has_value()) << c.utf8;
    EXPECT_EQ(*wide, c.utf16) << c.utf8;
    EXPECT_EQ(dvk::utf16ToUtf8(*wide), c.utf8);
  }
}

TEST(Utf8ToUtf16, InvalidBytesHaveNoSpelling) {
  for (const char* bad : {
           "\xe9.bin",              // a Latin-1 byte
           "\x80",                  // a continuation alone
           "\xc3",                  // cut off
           "\xe6\x97",              // cut off
           "\xc0\xaf",              // overlong
           "\xc1\xbf",              // overlong: the highest two-byte one
           "\xe0\x80\xaf",          // overlong
           "\xe0\x9f\xbf",          // overlong: the highest three-byte one
           "\xf0\x80\x80\x80",      // overlong
           "\xf0\x8f\xbf\xbf",      // overlong: the highest four-byte one
           "\xed\xa0\x80",          // a surrogate: the lowest
           "\xed\xbf\xbf",          // a surrogate: the highest
           "\xf4\x90\x80\x80",      // above U+10FFFF
           "\xf7\xbf\xbf\xbf",      // above U+10FFFF: the highest four bytes carry
           "\xf8\x88\x80\x80\x80",  // five bytes
           "ok\xff",
       }) {
    EXPECT_FALSE(dvk::utf8ToUtf16(bad).has_value()) << testing::PrintToString(std::string(bad));
  }
  EXPECT_FALSE(dvk::utf8ToUtf16(std::string_view("a\0\xc3", 3)).has_value());
  EXPECT_EQ(dvk::utf8ToUtf16(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16ToUtf8, LoneSurrogatesBecomeTheReplacementCharacter) {
  EXPECT_EQ(dvk::utf16ToUtf8(std::u16string{char16_t(0xD800), u'x'}), "\xef\xbf\xbdx");
  EXPECT_EQ(dvk::utf16ToUtf8(std::u16string{u'x', char16_t(0xDC00)}), "x\xef\xbf\xbd");
  EXPECT_EQ(dvk::utf16ToUtf8(std::u16string{char16_t(0xDBFF)}), "\xef\xbf\xbd");
}

TEST(Utf8ToUtf16Replacing, EachByteThatStartsNoCharacterShowsAsTheReplacement) {
  struct {
    std::string utf8;
    std::u16string shown;
  } const cases[] = {
      {"\xc3\xa9.bin", u"\u00e9.bin"},
      {"\xe9.bin", u"\ufffd.bin"},              // a Latin-1 byte
      {"a\xe6\x97", u"a\ufffd\ufffd"},          // cut off: each byte on its own
      {"\xc0\xaf!", u"\ufffd\ufffd!"},          // overlong
      {"\xed\xa0\x80", u"\ufffd\ufffd\ufffd"},  // a surrogate
      {"\xff\xf0\x9f\x8e\xb5", std::u16string{u'\ufffd', char16_t(0xD83C), char16_t(0xDFB5)}},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.utf8));
    EXPECT_EQ(dvk::utf8ToUtf16Replacing(c.utf8), c.shown);
    if (auto const exact = dvk::utf8ToUtf16(c.utf8)) {
      EXPECT_EQ(*exact, c.shown);
    }
  }
}

TEST(CompleteUtf8Length, ACharacterCutOffAtTheEndWaitsForTheNextPiece) {
  struct {
    std::string utf8;
    std::size_t complete;
  } const cases[] = {
      {"", 0},
      {"abc", 3},
      {"a\xc3", 1},
      {"a\xc3\xa9", 3},
      {"\xe6\x97", 0},
      {"\xe6\x97\xa5", 3},
      {"x\xf0\x9f\x8e", 1},
      {"x\xf0\x9f\x8e\xb5", 5},
      {"\x80\x80\x80\x80", 4},  // stray continuations: nothing to wait for
      {"a\xff", 2},             // starts nothing
      {"a\xc3\xa9\xa9", 4},     // a continuation too many
  };
  for (auto const& c : cases) {
    EXPECT_EQ(dvk::completeUtf8Length(c.utf8), c.complete) << testing::PrintToString(c.utf8);
  }
}

}  // namespace
