// The verbatim spelling every Windows file call gets, on the text alone: the
// same on every platform.
#include "files/verbatim_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "text/utf16.h"

namespace {

struct verbatim_case_t {
  std::u16string directory;
  std::string name;
  std::optional<std::u16string> expected;
};

// The UTF-8 of text, for the trace and the failure messages.
std::string shown(std::optional<std::u16string> const& text) {
  return text ? "'" + dvk::utf16ToUtf8(*text) + "'" : std::string("(none)");
}

void check(verbatim_case_t const& c) {
  SCOPED_TRACE("'" + dvk::utf16ToUtf8(c.directory) + "' + '" + c.name + "'");
  std::optional<std::u16string> const got = dvk::verbatimPath(c.directory, c.name);
  EXPECT_EQ(shown(got), shown(c.expected));
}

TEST(VerbatimPath, NamesInsideTheCurrentDirectory) {
  verbatim_case_t const cases[] = {
      {u"C:\\rel", "a.nfo", u"\\\\?\\C:\\rel\\a.nfo"},
      {u"C:\\rel", "sub/a.nfo", u"\\\\?\\C:\\rel\\sub\\a.nfo"},
      {u"C:\\rel", "sub\\deeper/a", u"\\\\?\\C:\\rel\\sub\\deeper\\a"},
      {u"C:\\rel", "./sub//./a", u"\\\\?\\C:\\rel\\sub\\a"},
      // Spelt exactly: no device, no ending taken off, no case folded.
      {u"C:\\rel", "NUL", u"\\\\?\\C:\\rel\\NUL"},
      {u"C:\\rel", "Con.Air.1997.nfo", u"\\\\?\\C:\\rel\\Con.Air.1997.nfo"},
      {u"C:\\rel", "a.nfo.", u"\\\\?\\C:\\rel\\a.nfo."},
      {u"C:\\rel", "a.nfo. .", u"\\\\?\\C:\\rel\\a.nfo. ."},
      {u"C:\\rel", "X.SRR", u"\\\\?\\C:\\rel\\X.SRR"},
      {u"C:\\rel", "a.txt:s", u"\\\\?\\C:\\rel\\a.txt:s"},
      {u"C:\\rel", "\xc3\xa9-\xf0\x9d\x84\x9e", u"\\\\?\\C:\\rel\\\u00e9-\U0001D11E"},
      // A trailing separator, "." or ".." leaves one "\" at the end: only a
      // folder answers to it.
      {u"C:\\rel", "sub/", u"\\\\?\\C:\\rel\\sub\\"},
      {u"C:\\rel", "sub/.", u"\\\\?\\C:\\rel\\sub\\"},
      {u"C:\\rel", ".", u"\\\\?\\C:\\rel\\"},
      {u"C:\\rel\\", "a", u"\\\\?\\C:\\rel\\a"},
      // ".." on the text, never above the root.
      {u"C:\\rel\\cd1", "../a", u"\\\\?\\C:\\rel\\a"},
      {u"C:\\rel", "sub/../../x", u"\\\\?\\C:\\x"},
      {u"C:\\rel", "../../../x", u"\\\\?\\C:\\x"},
      {u"C:\\rel", "..", u"\\\\?\\C:\\"},
      {u"C:\\", "a", u"\\\\?\\C:\\a"},
      {u"C:\\", ".", u"\\\\?\\C:\\"},
      // The current directory on a share, or already verbatim.
      {u"\\\\server\\share\\rel", "a.nfo", u"\\\\?\\UNC\\server\\share\\rel\\a.nfo"},
      {u"\\\\server\\share", "a.nfo", u"\\\\?\\UNC\\server\\share\\a.nfo"},
      {u"\\\\server\\share\\rel", "../../x", u"\\\\?\\UNC\\server\\share\\x"},
      {u"\\\\?\\UNC\\server\\share\\rel", "a", u"\\\\?\\UNC\\server\\share\\rel\\a"},
      {u"\\\\?\\D:\\rel", "a", u"\\\\?\\D:\\rel\\a"},
  };
  for (auto const& c : cases) check(c);
}

TEST(VerbatimPath, RootedAndAbsoluteNames) {
  verbatim_case_t const cases[] = {
      {u"C:\\rel", "\\x", u"\\\\?\\C:\\x"},
      {u"C:\\rel", "/x/y", u"\\\\?\\C:\\x\\y"},
      {u"C:\\rel", "/", u"\\\\?\\C:\\"},
      {u"\\\\server\\share\\rel", "\\x", u"\\\\?\\UNC\\server\\share\\x"},
      {u"C:\\rel", "D:\\x", u"\\\\?\\D:\\x"},
      {u"C:\\rel", "d:/x/../y", u"\\\\?\\d:\\y"},
      {u"\\\\server\\share", "C:\\x", u"\\\\?\\C:\\x"},
      {u"C:\\rel", "C:\\", u"\\\\?\\C:\\"},
  };
  for (auto const& c : cases) check(c);
}

TEST(VerbatimPath, NamesThatNameNoFile) {
  verbatim_case_t const cases[] = {
      // Another machine or the device namespace, whatever the separators.
      {u"C:\\rel", "\\\\attacker\\share\\x.rar", std::nullopt},
      {u"C:\\rel", "//attacker/share/y.rar", std::nullopt},
      {u"C:\\rel", "\\/attacker/share", std::nullopt},
      {u"C:\\rel", "/\\attacker\\share", std::nullopt},
      {u"C:\\rel", "\\\\?\\UNC\\attacker\\s\\z", std::nullopt},
      {u"C:\\rel", "\\\\.\\pipe\\x", std::nullopt},
      {u"C:\\rel", "\\\\?\\GLOBALROOT\\Device\\x", std::nullopt},
      {u"C:\\rel", "\\\\?\\C:\\x", std::nullopt},
      // Drive-relative: the drive's own current directory is not ours to use.
      {u"C:\\rel", "C:x", std::nullopt},
      {u"C:\\rel", "C:", std::nullopt},
      {u"C:\\rel", "", std::nullopt},
      {u"C:\\rel", std::string("a\0b", 3), std::nullopt},
      {u"C:\\rel", "caf\xe9.bin", std::nullopt},
      // A current directory on neither a drive nor a share.
      {u"\\\\.\\C:\\rel", "a", std::nullopt},
      {u"\\\\server", "a", std::nullopt},
      {u"rel", "a", std::nullopt},
      {u"", "a", std::nullopt},
  };
  for (auto const& c : cases) check(c);
}

TEST(VerbatimOfFullPath, WhatGetFullPathNameWGives) {
  struct full_case_t {
    std::u16string full;
    std::optional<std::u16string> expected;
  };
  full_case_t const cases[] = {
      {u"C:\\x.sfv", u"\\\\?\\C:\\x.sfv"},
      {u"z:\\", u"\\\\?\\z:\\"},
      {u"C:\\rel\\Con.Air.1997.nfo", u"\\\\?\\C:\\rel\\Con.Air.1997.nfo"},
      {u"\\\\server\\share\\x.sfv", u"\\\\?\\UNC\\server\\share\\x.sfv"},
      {u"\\\\server\\share", u"\\\\?\\UNC\\server\\share"},
      {u"\\\\server\\share\\", u"\\\\?\\UNC\\server\\share\\"},
      // Already verbatim: not a character changed, "." and ".." included.
      {u"\\\\?\\C:\\rel\\..\\x.", u"\\\\?\\C:\\rel\\..\\x."},
      {u"\\\\?\\UNC\\server\\share\\x", u"\\\\?\\UNC\\server\\share\\x"},
      {u"\\\\?\\Volume{3c1e5a52-0000-0000-0000-100000000000}\\x",
       u"\\\\?\\Volume{3c1e5a52-0000-0000-0000-100000000000}\\x"},
      // The device namespace, which GetFullPathNameW keeps as it was typed.
      {u"\\\\.\\C:\\x.sfv", u"\\\\?\\C:\\x.sfv"},
      {u"\\\\.\\NUL", u"\\\\?\\NUL"},
      {u"\\\\.\\UNC\\server\\share\\x", u"\\\\?\\UNC\\server\\share\\x"},
      {u"\\\\?\\", std::nullopt},
      {u"\\\\.\\", std::nullopt},
      // A share needs its server and its share name.
      {u"\\\\server", std::nullopt},
      {u"\\\\server\\", std::nullopt},
      {u"\\\\\\share\\x", std::nullopt},
      {u"\\\\", std::nullopt},
      {u"\\\\?", std::nullopt},
      // Not full paths at all.
      {u"", std::nullopt},
      {u"x.sfv", std::nullopt},
      {u"rel\\x.sfv", std::nullopt},
      {u"\\x.sfv", std::nullopt},
      {u"C:x.sfv", std::nullopt},
      {u"C:", std::nullopt},
      {u"1:\\x", std::nullopt},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE("'" + dvk::utf16ToUtf8(c.full) + "'");
    EXPECT_EQ(shown(dvk::verbatimOfFullPath(c.full)), shown(c.expected));
  }
}

TEST(VerbatimPath, LongPathsKeepTheirWholeLength) {
  // Past the 260 characters that a path without the prefix may have.
  std::u16string directory = u"C:\\releases";
  std::string name;
  for (int i = 0; i < 20; ++i) {
    directory += u"\\Some.Release.Folder";
    name += "Another.Folder.Name/";
  }
  name += "file.nfo";
  std::optional<std::u16string> const path = dvk::verbatimPath(directory, name);
  ASSERT_TRUE(path);
  EXPECT_GT(path->size(), 260u);
  std::u16string expected = u"\\\\?\\" + directory;
  for (int i = 0; i < 20; ++i) expected += u"\\Another.Folder.Name";
  expected += u"\\file.nfo";
  EXPECT_EQ(shown(path), shown(expected));
}

}  // namespace
