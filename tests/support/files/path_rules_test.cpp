// The rules for names from a checksum file, and the names of temporary files.
#include "files/path_rules.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "files/internal/temporary_name.h"

namespace {

struct rule_case_t {
  std::string name;
  bool expected;
};

TEST(PathRules, StaysInside) {
  rule_case_t const cases[] = {
      {"a.txt", true},
      {"sub/a.txt", true},
      {"a\\b/c", true},
      {"..foo", true},
      {"a..b", true},
      {"./x", true},
      {"...", true},
      {"", true},
      {"..", false},
      {"../x", false},
      {"sub/../x", false},
      {"sub/..", false},
      {"..\\x", false},
      {"a/..\\b", false},  // "\" splits too, on every platform
      {"/abs", false},
      {"\\abs", false},
      {"C:x", false},
      {"z:/x", false},
      {std::string("ok\0tail", 7), false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dvk::staysInside(c.name), c.expected);
  }
}

TEST(PathRules, HasHiddenPart) {
  rule_case_t const cases[] = {
      {".a", true},         {".bashrc", true},    {"sub/.git/config", true},
      {"a\\.ssh\\x", true},  // "\" splits too
      {"a/.b", true},       {"...", true},        {".", false},
      {"./a", false},       {".\\bashrc", false},  // the file bashrc here
      {"a/./b", false},     {"a.b", false},       {"a./b", false},
      {"", false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dvk::hasHiddenPart(c.name), c.expected);
  }
}

TEST(PathRules, TwoSeparatorsFirst) {
  rule_case_t const cases[] = {
      {"\\\\host\\share\\x.rar", true},
      {"//host/share/y.rar", true},
      {"\\/host", true},
      {"/\\host", true},
      {"\\\\?\\UNC\\host\\s\\z", true},
      {"\\\\.\\pipe\\x", true},
      {"\\\\?\\GLOBALROOT\\Device\\x", true},
      {"\\\\", true},
      {"\\x", false},
      {"/x", false},
      {"a//b", false},
      {"./\\x", false},
      {"\\", false},
      {"", false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dvk::beginsWithTwoSeparators(c.name), c.expected);
  }
}

TEST(PathRules, DeviceNames) {
  rule_case_t const cases[] = {
      {"CON", true},
      {"con", true},
      {"Prn", true},
      {"aux", true},
      {"NUL", true},
      {"COM0", true},
      {"LPT0", true},
      {"lpt9", true},
      {"COM\xC2\xB9", true},
      {"lpt\xC2\xB2", true},
      {"CONIN$", true},
      {"conout$", true},
      {"sub/dir/com9", true},
      {"sub\\con", true},
      {"NUL/x", true},  // a folder part too
      {"a/CON/b", true},
      // A device name with more after it is a name like any other.
      {"Con.Air.1997.nfo", false},
      {"Aux.Files.1999.nfo", false},
      {"nul.txt", false},
      {"NUL.tar.gz", false},
      {"COM\xC2\xB3.txt", false},
      {"sub/Prn.Release.r00", false},
      {"NUL ", false},  // the ending is endsInDotOrSpace's
      {"NUL.", false},
      {"COM1:", false},  // the ":" is namesDataStream's
      {"C:NUL", false},
      {"CONX", false},
      {"COM", false},
      {"COM10", false},
      {"COM1x", false},
      {"COM\xC2\xB4", false},  // an acute accent, not a superscript
      {"NULL", false},
      {"xNUL", false},
      {"a.NUL", false},
      {"sub/", false},
      {"", false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dvk::isDeviceName(c.name), c.expected);
  }
}

TEST(PathRules, EndsInDotOrSpace) {
  rule_case_t const cases[] = {
      {"a.", true},         {"a.nfo.", true}, {"a.nfo ", true}, {"a.nfo. .", true}, {"x.srr.", true},
      {"rel.sfv. .", true}, {"sub./a", true}, {"sub /a", true}, {"a\\b./c", true},  {"...", true},
      {" ", true},          {"a.nfo", false}, {".", false},     {"./a.nfo", false}, {"..", false},  // staysInside's
      {"sub/../a", false},  {" a", false},    {"a b", false},   {"sub/", false},    {"", false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dvk::endsInDotOrSpace(c.name), c.expected);
  }
}

TEST(PathRules, DataStreams) {
  rule_case_t const cases[] = {
      {"a.txt:x", true}, {"a.txt::$DATA", true}, {"NUL:", true}, {"1:b", true},     {"sub/a:b", true},
      {"C:a:b", true},   {"a.txt", false},       {"C:a", false}, {"sub\\a", false}, {"", false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(dvk::namesDataStream(c.name), c.expected);
  }
}

TEST(TemporaryName, HiddenBesideTheNameWithAFreshSuffix) {
  std::string const first = dvk::internal::temporaryName("file.bin");
  ASSERT_EQ(first.size(), std::string(".file.bin.").size() + 8);
  EXPECT_EQ(first.compare(0, 10, ".file.bin."), 0);
  EXPECT_EQ(first.find_first_not_of("0123456789abcdef", 10), std::string::npos);
  EXPECT_NE(dvk::internal::temporaryName("file.bin"), first);
}

TEST(TemporaryName, LongNamesAreCutAtACharacterBoundary) {
  // "a" then 150 two-byte characters: a cut at 200 bytes would split one.
  std::string last = "a";
  for (int i = 0; i < 150; ++i) last += "\xC3\xA9";
  std::string const name = dvk::internal::temporaryName(last);
  EXPECT_LE(name.size(), std::size_t{255});
  std::string const kept = name.substr(1, name.size() - 10);
  EXPECT_EQ(last.compare(0, kept.size(), kept), 0);
  EXPECT_EQ(kept.size() % 2, 1u) << "ends inside a character";
  EXPECT_EQ(name[name.size() - 9], '.');
}

}  // namespace
