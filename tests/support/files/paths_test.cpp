// Path splitting and extensions: both separators and the "."/".." rules.
#include <gtest/gtest.h>

#include <string>

#include "files/files.h"

namespace {

TEST(PathSeparators, AreSlashThenBackslash) { EXPECT_EQ(dvk::pathSeparators, "/\\"); }

struct split_case_t {
  const char* path;
  const char* dir;
  const char* base;
};

TEST(PathSplit, DirNameAndBaseName) {
  split_case_t const cases[] = {
      {"dir/file.sfv", "dir/", "file.sfv"},
      {"file.sfv", "", "file.sfv"},
      {"a\\b/c.srr", "a\\b/", "c.srr"},
      {"a/b\\c.srr", "a/b\\", "c.srr"},
      {"a\\b", "a\\", "b"},
      {"dir/sub\\", "dir/sub\\", ""},
      {"dir/sub/", "dir/sub/", ""},
      {"dir/..", "dir/..", ""},
      {"dir\\.", "dir\\.", ""},
      {".", ".", ""},
      {"..", "..", ""},
      {"", "", ""},
      {"/", "/", ""},
      {"/abs", "/", "abs"},
      {"dir/...", "dir/", "..."},  // only "." and ".." are special
      {".hidden", "", ".hidden"},
      {"./x", "./", "x"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(dvk::dirName(c.path), c.dir);
    EXPECT_EQ(dvk::baseName(c.path), c.base);
  }
}

TEST(PathSplit, KeepsBytesUnchanged) {
  std::string const path = std::string("d\xC3\xA9r/\x00x y", 9);
  EXPECT_EQ(dvk::dirName(path), std::string("d\xC3\xA9r/"));
  EXPECT_EQ(dvk::baseName(path), std::string("\x00x y", 4));
}

TEST(PathExtension, LastDotOfBaseNameCaseKept) {
  struct {
    const char* path;
    const char* ext;
  } const cases[] = {
      {"archive.part01.rar", "rar"},
      {"a.SRR", "SRR"},
      {"dir.d/readme", ""},
      {"name.", ""},
      {".sfv", "sfv"},
      {"dir\\x.d\\readme", ""},
      {"dir/file.sfv", "sfv"},
      {"", ""},
      {"dir/..", ""},
      {"dir.d/", ""},
      {"a\\b.Nfo", "Nfo"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(dvk::extension(c.path), c.ext);
  }
}

}  // namespace
