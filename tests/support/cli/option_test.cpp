// Tests of option declarations, the name forms, reset and copying.
#include "cli/option.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/parser.h"

using dvk::cli::option_t;
using dvk::cli::parser_t;

namespace {

TEST(Option, NameForms) {
  struct {
    int shortName;
    const char* longName;
    const char* shortFlag;
    const char* longFlag;
    const char* displayName;
  } const cases[] = {
      {'?', "help", "-?", "--help", "-?/--help"},
      {0, "version", "", "--version", "--version"},
      {'x', "", "-x", "", "-x"},
      {0, "", "", "", ""},
  };
  for (auto const& c : cases) {
    option_t const option(c.shortName, c.longName, "");
    EXPECT_EQ(option.shortFlag(), c.shortFlag);
    EXPECT_EQ(option.longFlag(), c.longFlag);
    EXPECT_EQ(option.displayName(), c.displayName);
  }
}

TEST(Option, ArgumentSetsOneKindBit) {
  struct {
    unsigned index;
    uint32_t bits;
  } const cases[] = {{dvk::cli::integer, 1}, {dvk::cli::text, 2}, {dvk::cli::list, 4}, {3, 0}, {32, 0}};
  for (auto const& c : cases) {
    option_t option(0, "debug", "");
    option.argument("D", c.index).hidden();
    EXPECT_EQ(option.valueKinds, c.bits) << c.index;
    EXPECT_EQ(option.argName, "D");
    EXPECT_TRUE(option.argRequired);
    EXPECT_TRUE(option.hiddenFlag);
  }
  option_t const plain('v', "verbose", "help text");
  EXPECT_EQ(plain.valueKinds, 0u);
  EXPECT_FALSE(plain.argRequired || plain.repeatableFlag || plain.noPendingFlag || plain.hiddenFlag ||
               plain.hasChoices);
  EXPECT_EQ(plain.help, "help text");
}

TEST(Option, TypedNameFollowsTheLastOccurrence) {
  struct {
    std::vector<const char*> words;
    const char* typedName;
    const char* token;
    uint32_t count;
  } const cases[] = {
      {{"-v"}, "-v", "-v", 1},        {{"--verbose"}, "--verbose", "--verbose", 1},
      {{"--v"}, "-v", "--v", 1},  // a one-letter long form shows with one dash
      {{"-vv", "-v"}, "-v", "-v", 3}, {{}, "-", "", 0},
  };
  for (auto const& c : cases) {
    option_t verbose = option_t('v', "verbose", "").repeatable();
    parser_t parser;
    parser.add(verbose);
    std::vector<char*> argv{const_cast<char*>("prog")};
    for (const char* word : c.words) argv.push_back(const_cast<char*>(word));
    parser.parse(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(verbose.typedName(), c.typedName);
    EXPECT_EQ(verbose.token, c.token);
    EXPECT_EQ(verbose.count, c.count);
  }
}

TEST(Option, CountOnlyWhenRepeatable) {
  option_t once('o', "once", "");
  option_t quiet = option_t('q', "quiet", "").repeatable();
  option_t list = option_t('l', "list", "").argument("L", dvk::cli::list);
  parser_t parser;
  parser.add(once).add(quiet).add(list);
  std::vector<char*> argv{const_cast<char*>("prog"), const_cast<char*>("-oqq"), const_cast<char*>("-la"),
                          const_cast<char*>("-lb")};
  parser.parse(static_cast<int>(argv.size()), argv.data());
  EXPECT_EQ(parser.errorText(), "");
  EXPECT_TRUE(once.isSet());
  EXPECT_EQ(once.count, 0u);
  EXPECT_EQ(list.count, 0u);

  // A copy carries what the parse found.
  option_t const copy = quiet;
  EXPECT_EQ(copy.typed, "q");
  EXPECT_EQ(copy.token, "-oqq");
  EXPECT_EQ(copy.count, 2u);
  EXPECT_TRUE(copy.repeatableFlag);

  quiet.reset();
  list.reset();
  EXPECT_FALSE(quiet.isSet());
  EXPECT_EQ(quiet.count, 2u);
  EXPECT_EQ(quiet.token, "-oqq");
  EXPECT_FALSE(list.isSet());
  EXPECT_TRUE(list.values.empty());
  EXPECT_EQ(list.argName, "L");
}

}  // namespace
