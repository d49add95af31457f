// Tests of the number checks and parsers.
#include <gtest/gtest.h>

#include <string>

#include "text/internal/unsigned_parse.h"
#include "text/text.h"

namespace {

TEST(IsNumber, Table) {
  struct Case {
    const char* text;
    int base;
    bool expected;
  };
  // clang-format off
  const Case cases[] = {
      {"", 0, false},     {"", 16, false},     {"7", 0, true},       {"x", 0, false},
      {"$f", 0, true},    {"$F", 0, true},     {"$g", 0, false},     {"$", 0, false},
      {"%1", 0, true},    {"%2", 0, false},    {"%", 0, false},      {"12", 0, true},
      {"0x", 0, false},   {"$1aF", 0, true},   {"$1aG", 0, false},   {"%0101", 0, true},
      {"%0121", 0, false}, {"0x1F", 0, true},  {"0x1f", 0, true},    {"0X1F", 0, false},
      {"0x1g", 0, false}, {"012", 0, true},    {"-12", 0, false},    {"+12", 0, false},
      {" 12", 0, false},  {"12 ", 0, false},   {"1a", 0, false},     {"99999999999999999999999", 0, true},
      {"ff", 16, true},   {"FF", 16, true},    {"0xff", 16, false},  {"DeadBeef", 16, true},
      {"$ff", 16, false}, {"g", 16, false},    {"19", 10, true},     {"1a", 10, false},
      {"101", 2, true},   {"102", 2, false},   {"77", 8, true},      {"78", 8, false},
      // Other bases take the first n of "0123456789abcdefABCDEF".
      {"ab", 12, true},   {"c", 12, false},    {"A", 12, false},     {"fA", 17, true},
      {"B", 17, false},   {"g", 17, false},    {"afAF", 22, true},   {"G", 22, false},
  };
  // clang-format on
  for (Case const& c : cases) {
    EXPECT_EQ(dvk::isNumber(c.text, c.base), c.expected) << '"' << c.text << "\" base " << c.base;
  }
  EXPECT_FALSE(dvk::isNumber(std::string({'1', '\0', '2'}), 10));
}

TEST(ParseInt, Table) {
  struct Case {
    const char* text;
    int64_t expected;
  };
  // clang-format off
  const Case cases[] = {
      {"", 0},           {"0", 0},           {"42", 42},         {"007", 7},
      {"08", 8},         {"0x1F", 31},       {"0x1f", 31},       {"$1f", 31},
      {"$F", 15},        {"%101", 5},        {"%1", 1},          {"0x", -1},
      {"0X1F", -1},      {"0x1g", -1},       {"$", -1},          {"%", -1},
      {"%2", -1},        {"%102", -1},       {"$0x1", -1},       {" 12", -1},
      {"12 ", -1},       {"-1", -1},         {"+1", -1},         {"1x", -1},
      {"0a", -1},        {"0y12", -1},       {"x", -1},          {"2147483647", 2147483647},
      // Held in 32 signed bits: larger numbers saturate in every build.
      {"2147483648", 2147483647}, {"99999999999999999999", 2147483647}, {"0xffffffff", 2147483647},
      {"$80000000", 2147483647},
  };
  // clang-format on
  for (Case const& c : cases) EXPECT_EQ(dvk::parseInt(c.text), c.expected) << '"' << c.text << '"';
}

struct UnsignedCase {
  const char* text;
  unsigned base;
  int64_t expected32;
  int64_t expected64;
};

TEST(ParseUnsigned, BothWidths) {
  // clang-format off
  const UnsignedCase cases[] = {
      {"ffffffff", 16, 4294967295, 4294967295},
      {"FFFFFFFF", 16, 4294967295, 4294967295},
      {"100000000", 16, 4294967295, 4294967296},
      {"12g", 16, -1, -1},
      {"", 16, 0, 0},
      {"0", 10, 0, 0},
      {"0x1f", 16, 31, 31},
      {"0X1F", 16, 31, 31},
      {"0x", 16, -1, -1},
      {"0xg", 16, -1, -1},
      {"0x1f", 10, -1, -1},
      {"  \t12", 10, 12, 12},
      {"12 ", 10, -1, -1},
      {"   ", 10, -1, -1},
      {"+7", 10, 7, 7},
      {"-1", 10, 4294967295, -1},
      {"-2", 16, 4294967294, -2},
      {"-0", 10, 0, 0},
      {"-", 10, -1, -1},
      {"4294967295", 10, 4294967295, 4294967295},
      {"4294967296", 10, 4294967295, 4294967296},
      {"18446744073709551615", 10, 4294967295, -1},
      {"18446744073709551616", 10, 4294967295, -1},
      {"-99999999999999999999", 10, 4294967295, -1},
      {"0x10", 0, 16, 16},
      {"010", 0, 8, 8},
      {"08", 0, -1, -1},
      {"10", 0, 10, 10},
      {"z", 36, 35, 35},
      {"12", 1, -1, -1},
      {"12", 37, -1, -1},
  };
  // clang-format on
  for (UnsignedCase const& c : cases) {
    EXPECT_EQ(dvk::internal::parseUnsignedBits(c.text, c.base, 32), c.expected32)
        << '"' << c.text << "\" base " << c.base << " 32 bits";
    EXPECT_EQ(dvk::internal::parseUnsignedBits(c.text, c.base, 64), c.expected64)
        << '"' << c.text << "\" base " << c.base << " 64 bits";
  }
  EXPECT_EQ(dvk::internal::parseUnsignedBits(std::string("12\0"
                                                         "3",
                                                         4),
                                             10, 32),
            -1);
}

TEST(ParseUnsigned, PublicFunctionUsesTheDeliverablesWidth) {
  EXPECT_EQ(dvk::parseUnsigned("ffffffff", 16), 4294967295);
  EXPECT_EQ(dvk::parseUnsigned("12g", 16), -1);
  // The width itself: number_posix_test.cpp, number_win32_test.cpp.
}

}  // namespace
