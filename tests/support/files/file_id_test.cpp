// A file's identity: both halves tell files apart, in equality and in the
// order that keys the tables of known files.
#include "files/file_id.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(FileId, BothHalvesTellFilesApart) {
  struct {
    dvk::file_id_t a, b;
    bool equal, less;
  } const cases[] = {
      {{1, 5}, {1, 5}, true, false},  {{1, 5}, {2, 5}, false, true},  // another volume, the same index
      {{2, 5}, {1, 5}, false, false}, {{1, 5}, {1, 6}, false, true}, {{1, 9}, {2, 5}, false, true},  // the volume first
      {{2, 1}, {1, 9}, false, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(testing::Message() << "{" << c.a.volume << ", " << c.a.index << "} and {" << c.b.volume << ", "
                                    << c.b.index << "}");
    EXPECT_EQ(c.a == c.b, c.equal);
    EXPECT_EQ(c.a != c.b, !c.equal);
    EXPECT_EQ(c.a < c.b, c.less);
  }
  std::map<dvk::file_id_t, int> const keyed{{{1, 5}, 1}, {{2, 5}, 2}};
  EXPECT_EQ(keyed.size(), 2u);
}

}  // namespace
