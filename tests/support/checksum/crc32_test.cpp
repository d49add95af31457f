// Tests of the public CRC-32: the table set, known values, chaining, alignment.
#include "checksum/crc32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t poly = 0xEDB88320u;

// Bit at a time, straight from the definition: nothing shared with the tables.
uint32_t bitwiseCrc(uint32_t init, std::vector<uint8_t> const& data, uint32_t polynomial = poly) {
  uint32_t c = ~init;
  for (uint8_t const b : data) {
    c ^= b;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (c >> 1) ^ polynomial : c >> 1;
  }
  return ~c;
}

std::vector<uint8_t> bytes(std::string const& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

TEST(Crc32Table, IsThePublishedByteTable) {
  std::vector<uint32_t> const t = dvk::crc32Table(poly);
  ASSERT_EQ(t.size(), 256u);
  EXPECT_EQ(t[0], 0u);
  EXPECT_EQ(t[1], 0x77073096u);
  EXPECT_EQ(t[128], poly);
  EXPECT_EQ(t[255], 0x2D02EF8Du);
  for (uint32_t i = 0; i < 256; ++i) {
    EXPECT_EQ(t[i], bitwiseCrc(0xFFFFFFFFu, {static_cast<uint8_t>(i)}) ^ 0xFFFFFFFFu) << "entry " << i;
  }
}

TEST(Crc32Tables, BuildsEightTablesOnceAndKeepsThem) {
  dvk::crc32_tables_t& first = dvk::crc32Tables(poly);
  ASSERT_EQ(first.size(), 8u);
  EXPECT_EQ(first[0], dvk::crc32Table(poly));
  for (std::size_t k = 1; k < 8; ++k) {
    ASSERT_EQ(first[k].size(), 256u);
    for (std::size_t i = 0; i < 256; ++i) {
      uint32_t const previous = first[k - 1][i];
      ASSERT_EQ(first[k][i], (previous >> 8) ^ first[0][previous & 0xFF]) << "T" << k << "[" << i << "]";
    }
  }
  dvk::crc32_tables_t const snapshot = first;
  dvk::crc32_tables_t& second = dvk::crc32Tables(0x82F63B78u);  // Castagnoli: ignored now
  EXPECT_EQ(&second, &first);
  EXPECT_EQ(second, snapshot);
}

TEST(Crc32, KnownValues) {
  auto const& tables = dvk::crc32Tables(poly);
  struct {
    const char* text;
    uint32_t crc;
  } const cases[] = {
      {"", 0x00000000u},
      {"a", 0xE8B7BE43u},
      {"abc", 0x352441C2u},
      {"123456789", 0xCBF43926u},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
  };
  for (auto const& c : cases) {
    std::vector<uint8_t> const data = bytes(c.text);
    EXPECT_EQ(dvk::crc32(0, data, tables), c.crc) << '"' << c.text << '"';
    EXPECT_EQ(dvk::crc32(0, data.data(), data.data() + data.size(), tables), c.crc) << '"' << c.text << '"';
  }
}

TEST(Crc32, EmptyRangeReturnsInit) {
  auto const& tables = dvk::crc32Tables(poly);
  uint8_t const byte = 0x5A;
  for (uint32_t const init : {0u, 1u, 0xCBF43926u, 0xFFFFFFFFu}) {
    EXPECT_EQ(dvk::crc32(init, &byte, &byte, tables), init);
    EXPECT_EQ(dvk::crc32(init, std::vector<uint8_t>{}, tables), init);
  }
}

// Around the eight-byte step: 1..7 bytes go through the byte loop alone, so
// a set holding only T0 must give the same result; 8 and 9 bytes need all.
TEST(Crc32, ShortRangesAroundTheEightByteStep) {
  auto const& tables = dvk::crc32Tables(poly);
  dvk::crc32_tables_t const onlyT0{dvk::crc32Table(poly)};
  std::vector<uint8_t> const data = randomBytes(17, 1);
  for (std::size_t size = 1; size <= 17; ++size) {
    std::vector<uint8_t> const part(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(size));
    for (uint32_t const init : {0u, 0x9E3779B9u}) {
      uint32_t const expected = bitwiseCrc(init, part);
      EXPECT_EQ(dvk::crc32(init, part, tables), expected) << size << " bytes";
      if (size < 8) {
        EXPECT_EQ(dvk::crc32(init, part, onlyT0), expected) << size << " bytes";
      }
    }
  }
}

TEST(Crc32, SplitBetweenChainedCallsDoesNotMatter) {
  auto const& tables = dvk::crc32Tables(poly);
  std::vector<uint8_t> const data = randomBytes(1500, 2);
  uint32_t const whole = bitwiseCrc(0, data);
  const uint8_t* const p = data.data();
  for (std::size_t cut = 0; cut <= data.size(); ++cut) {
    uint32_t const head = dvk::crc32(0, p, p + cut, tables);
    ASSERT_EQ(dvk::crc32(head, p + cut, p + data.size(), tables), whole) << "cut at " << cut;
  }
  // Many small uneven chunks, as a reader with odd-sized reads would hand over.
  uint32_t c = 0;
  std::size_t at = 0;
  for (std::size_t chunk = 1; at < data.size(); chunk = chunk * 3 % 97 + 1) {
    std::size_t const n = std::min(chunk, data.size() - at);
    c = dvk::crc32(c, p + at, p + at + n, tables);
    at += n;
  }
  EXPECT_EQ(c, whole);
}

TEST(Crc32, AlignmentOfFirstDoesNotMatter) {
  auto const& tables = dvk::crc32Tables(poly);
  std::vector<uint8_t> const data = randomBytes(1000, 3);
  uint32_t const expected = bitwiseCrc(0, data);
  std::vector<uint8_t> shifted(data.size() + 64);
  for (std::size_t offset = 0; offset < 64; ++offset) {
    std::memcpy(shifted.data() + offset, data.data(), data.size());
    const uint8_t* const first = shifted.data() + offset;
    EXPECT_EQ(dvk::crc32(0, first, first + data.size(), tables), expected) << "offset " << offset;
  }
}

// A set built for another polynomial (as a first crc32Tables call may build
// it) is summed by its tables, not by constants folded for 0xEDB88320.
TEST(Crc32, TablesOfAnotherPolynomialAreHonoured) {
  constexpr uint32_t castagnoli = 0x82F63B78u;
  dvk::crc32_tables_t tables{dvk::crc32Table(castagnoli)};
  tables.resize(8, std::vector<uint32_t>(256));
  for (std::size_t i = 0; i < 256; ++i) {
    uint32_t c = tables[0][i];
    for (std::size_t k = 1; k < 8; ++k) tables[k][i] = c = (c >> 8) ^ tables[0][c & 0xFF];
  }
  for (std::size_t size : {9u, 64u, 1000u, 70000u}) {
    std::vector<uint8_t> const data = randomBytes(size, static_cast<unsigned>(size));
    EXPECT_EQ(dvk::crc32(0, data, tables), bitwiseCrc(0, data, castagnoli)) << size;
  }
}

}  // namespace
