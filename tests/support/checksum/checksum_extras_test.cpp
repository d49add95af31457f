// Tests of the byte-cursor readers and the one-byte CRC-32 step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checksum/byte_cursor.h"
#include "checksum/crc32_extras.h"

namespace {

TEST(ByteCursor, ReadsFieldsAndAdvances) {
  const uint8_t record[] = {0xFF, 0x34, 0x12, 0x00, 0x00, 0x02, 0x01, 0xAB};
  const uint8_t* cursor = record;
  EXPECT_EQ(dvk::readU8(cursor), 255u);  // no sign extension
  EXPECT_EQ(cursor, record + 1);
  EXPECT_EQ(dvk::readU16(cursor), 0x1234u);
  EXPECT_EQ(cursor, record + 3);
  EXPECT_EQ(dvk::readSyncsafe32(cursor), 257u);
  EXPECT_EQ(cursor, record + 7);
  EXPECT_EQ(dvk::readU8(cursor), 0xABu);
}

TEST(ByteCursor, SyncsafeGroupsOfSevenBits) {
  struct row_t {
    uint8_t bytes[4];
    uint32_t value;
  };
  const row_t rows[] = {
      {{0x00, 0x00, 0x02, 0x01}, 257u},        {{0x7F, 0x7F, 0x7F, 0x7F}, (1u << 28) - 1},
      {{0x00, 0x00, 0x00, 0x80}, 128u},  // bit 7 spills into the next group
      {{0x00, 0x00, 0x01, 0x00}, 128u},        {{0x80, 0x00, 0x00, 0x00}, 1u << 28},
      {{0xFF, 0xFF, 0xFF, 0xFF}, 0x1FFFFFFFu},
  };
  for (row_t const& row : rows) {
    const uint8_t* cursor = row.bytes;
    EXPECT_EQ(dvk::readSyncsafe32(cursor), row.value);
    EXPECT_EQ(cursor, row.bytes + 4);
  }
}

TEST(ByteCursor, U16IsLittleEndianWhateverTheHost) {
  const uint8_t record[] = {0x01, 0x80, 0xFF, 0xFF};
  const uint8_t* cursor = record;
  EXPECT_EQ(dvk::readU16(cursor), 0x8001u);
  EXPECT_EQ(dvk::readU16(cursor), 0xFFFFu);
  EXPECT_EQ(cursor, record + 4);
}

class Crc32Update : public ::testing::Test {
 protected:
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(dvk::crc32Polynomial);
};

TEST_F(Crc32Update, ByteByByteGivesTheCheckValue) {
  uint32_t crc = 0;
  for (char c : std::string("123456789")) crc = dvk::crc32Update(crc, static_cast<uint8_t>(c), tables);
  EXPECT_EQ(crc, 0xCBF43926u);
}

TEST_F(Crc32Update, AgreesWithTheBlockCrc) {
  std::vector<uint8_t> message(1000);
  uint32_t seed = 12345;
  for (uint8_t& b : message) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  // Every prefix: the step extends the CRC of the bytes before it.
  uint32_t stepped = 0;
  for (std::size_t n = 0; n < message.size(); ++n) {
    stepped = dvk::crc32Update(stepped, message[n], tables);
    ASSERT_EQ(stepped, dvk::crc32(0, message.data(), message.data() + n + 1, tables)) << "prefix of " << n + 1;
  }
  // One byte alone is the CRC of the one-byte message.
  for (unsigned b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    EXPECT_EQ(dvk::crc32Update(0, byte, tables), dvk::crc32(0, &byte, &byte + 1, tables)) << b;
  }
}

}  // namespace
