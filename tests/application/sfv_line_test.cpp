// The .sfv line grammar: entries, ignored lines and unparseable lines.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sfv_check.h"

namespace {

enum class kind_t { entry, ignored, unparseable };

struct line_case_t {
  const char* line;
  kind_t kind;
  const char* name;  // the entry's name
  uint32_t crc;      // the entry's CRC-32
};

const line_case_t lineCases[] = {
    {"a 12345678", kind_t::entry, "a", 0x12345678},  // the shortest entry: 10 bytes
    {"a 1234567", kind_t::ignored, "", 0},           // 9 bytes
    {"ab 1234567", kind_t::unparseable, "", 0},      // 10 bytes, 7 digits
    {"", kind_t::ignored, "", 0},
    {"; a.bin 12345678", kind_t::ignored, "", 0},
    {" ;a.bin 12345678", kind_t::entry, " ;a.bin", 0x12345678},  // only the first byte makes a comment
    {"          ", kind_t::ignored, "", 0},                      // white space only
    {"x         \t", kind_t::ignored, "", 0},                    // only the first byte is left
    {"nothingblank1234", kind_t::unparseable, "", 0},
    {"file.bin 123456789", kind_t::unparseable, "", 0},
    {"file.bin 0x123456", kind_t::unparseable, "", 0},
    {"file.bin 1234abcg", kind_t::unparseable, "", 0},
    {"file.bin ABCDEF12", kind_t::entry, "file.bin", 0xABCDEF12},
    {"file.bin\t1234abcd", kind_t::entry, "file.bin", 0x1234abcd},
    {"file.bin 1234abcd \t ", kind_t::entry, "file.bin", 0x1234abcd},
    {"file.bin \t 1234abcd", kind_t::entry, "file.bin", 0x1234abcd},
    {"my file.bin 1234abcd", kind_t::entry, "my file.bin", 0x1234abcd},
    {"  lead.bin 1234abcd", kind_t::entry, "  lead.bin", 0x1234abcd},
    {"x.bin 00defec7", kind_t::entry, "x.bin", 0xDEFEC7},  // the mark's value is an ordinary CRC
    {"x.bin ffffffff", kind_t::entry, "x.bin", 0xFFFFFFFF},
    {" \t 12345678", kind_t::unparseable, "", 0},  // empty name
    {" 123456789", kind_t::unparseable, "", 0},
};

TEST(ParseSfvLine, FollowsTheLineGrammar) {
  for (line_case_t const& c : lineCases) {
    SCOPED_TRACE(std::string("line \"") + c.line + "\"");
    std::string const line = c.line;
    auto const* begin = reinterpret_cast<const uint8_t*>(line.data());
    app::sfv_entry_t entry{"stale", 42};
    bool const parsed = app::parseSfvLine(begin, begin + line.size(), entry);
    EXPECT_EQ(parsed, c.kind == kind_t::entry);
    EXPECT_EQ(entry.name, c.name);
    EXPECT_EQ(entry.crc, c.kind == kind_t::unparseable ? app::unparseableMark : c.crc);
  }
}

TEST(ParseSfvLine, ReadsOnlyItsOwnBytes) {
  // The line is a span into a larger buffer: nothing past end takes part.
  std::string const buffer = "a.bin 1234abcd99\nnext";
  auto const* begin = reinterpret_cast<const uint8_t*>(buffer.data());
  app::sfv_entry_t entry;
  ASSERT_TRUE(app::parseSfvLine(begin, begin + 14, entry));
  EXPECT_EQ(entry.name, "a.bin");
  EXPECT_EQ(entry.crc, 0x1234abcdu);
}

TEST(ParseSfvLine, KeepsBytesThatAreNotText) {
  std::string const line("n\0ame\xff.bin 0000abcd", 19);
  auto const* begin = reinterpret_cast<const uint8_t*>(line.data());
  app::sfv_entry_t entry;
  ASSERT_TRUE(app::parseSfvLine(begin, begin + line.size(), entry));
  EXPECT_EQ(entry.name, std::string("n\0ame\xff.bin", 10));
  EXPECT_EQ(entry.crc, 0xabcdu);
}

}  // namespace
