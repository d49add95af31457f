// Tests of the parser extras: sub-commands, choices, required and optional
// arguments, defaults, the one-line usage printer, through parse and help.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/parser.h"
#include "command_line.h"

namespace {

using dvk::cli::command_t;
using dvk::cli::option_t;
using dvk::cli::parser_t;

using dvk::test::command_line_t;

// A root parser with one option and three sub-commands, one of them hidden;
// "sync" has an option with choices and a default, and a plain one.
class Commands : public ::testing::Test {
 protected:
  Commands() {
    root.add(verbose);
    root.setUsage("[options...] FILE\nsecond line\n");
    parser_t& created = root.addCommand("sync", "synchronise", false);
    created.add(mode).add(dryRun);
    created.setUsage("[sync options]\nmore");
    root.addCommand("maintenance", "secret", true);
    root.addCommand("status", "show state", false).add(count);
  }

  parser_t& sync() { return *root.commands[0].parser; }

  std::string help() {
    std::ostringstream out;
    root.printHelp(out);
    return out.str();
  }
  std::string commandUsage() {
    std::ostringstream out;
    root.printCommandUsage(out);
    return out.str();
  }

  option_t verbose = option_t('v', "verbose", "more output").repeatable();
  option_t mode = option_t('m', "mode", "how to sync")
                      .argument("M", dvk::cli::text)
                      .choices({"fast", "slow", "^all"})
                      .defaultsTo("fast");
  option_t dryRun = option_t(0, "dry-run", "change nothing");
  option_t count = option_t('n', "count", "how many").argument("N", dvk::cli::integer).optional();
  parser_t root;
};

TEST_F(Commands, AddCommandKeepsOrderAndWidensTheColumn) {
  ASSERT_EQ(root.commands.size(), 3u);
  EXPECT_EQ(root.commands[0].name, "sync");
  EXPECT_EQ(root.commands[0].description, "synchronise");
  EXPECT_FALSE(root.commands[0].hidden);
  EXPECT_EQ(root.commands[1].name, "maintenance");
  EXPECT_TRUE(root.commands[1].hidden);
  EXPECT_EQ(root.commands[2].name, "status");
  // The hidden command is the longest name and sets the width.
  EXPECT_EQ(root.commandColumnWidth, 11u);
  EXPECT_NE(root.commands[0].parser, root.commands[2].parser);
  EXPECT_EQ(root.commands[1].parser->commands.size(), 0u);
  EXPECT_EQ(root.commands[1].parser->groups.size(), 0u);
  EXPECT_EQ(root.commands[1].parser->commandColumnWidth, 0u);
  EXPECT_EQ(root.chosenCommand(), nullptr);
}

TEST_F(Commands, ParseDescendsIntoTheNamedCommand) {
  command_line_t line({"prog", "sync", "--mode", "slow", "target", "--dry-run"});
  parser_t& handled = line.parseWith(root);
  EXPECT_EQ(&handled, &sync());
  EXPECT_EQ(root.chosenCommand(), &root.commands[0]);
  EXPECT_EQ(sync().programName, "sync");
  EXPECT_EQ(root.programName, "prog");
  EXPECT_EQ(mode.values, std::vector<std::string>{"slow"});
  EXPECT_TRUE(dryRun.isSet());
  EXPECT_EQ(root.positionals(), std::vector<std::string>{"target"});
  EXPECT_EQ(root.errorText(), "");
}

TEST_F(Commands, HiddenCommandsCanBeChosenToo) {
  command_line_t line({"prog", "maintenance"});
  line.parseWith(root);
  EXPECT_EQ(root.chosenCommand(), &root.commands[1]);
}

TEST_F(Commands, CommandWordLaterOnIsPositional) {
  command_line_t line({"prog", "-v", "sync"});
  line.parseWith(root);
  EXPECT_EQ(root.chosenCommand(), nullptr);
  EXPECT_EQ(root.positionals(), std::vector<std::string>{"sync"});
  EXPECT_FALSE(mode.hasValues());  // defaults belong to the parser that ran
}

TEST_F(Commands, DefaultFillsAnOptionNotGiven) {
  EXPECT_FALSE(mode.hasValues());
  command_line_t line({"prog", "sync"});
  line.parseWith(root);
  EXPECT_TRUE(mode.hasValues());
  EXPECT_FALSE(mode.isSet());
  EXPECT_EQ(mode.values, std::vector<std::string>{"fast"});
  mode.reset();
  EXPECT_FALSE(mode.hasValues());
}

TEST_F(Commands, ChoicesAcceptListedAndCaretEntries) {
  struct row_t {
    std::vector<std::string> words;
    std::vector<std::string> values;
    std::string errors;
  };
  const std::vector<row_t> rows = {
      {{"prog", "sync", "-m", "all"}, {"all"}, ""},
      {{"prog", "sync", "-m^all"}, {"^all"}, ""},
      {{"prog", "sync", "--mode=fast"}, {"fast"}, ""},
      {{"prog", "sync", "--mode=Fast"}, {"fast"}, "'Fast' is not a valid choice for --mode"},
      {{"prog", "sync", "-mbogus"}, {"fast"}, "'bogus' is not a valid choice for -m"},
  };
  for (row_t const& row : rows) {
    option_t fresh = option_t('m', "mode", "").argument("M", dvk::cli::text).choices({"fast", "slow", "^all"});
    fresh.defaultsTo("fast");
    parser_t parser;
    parser.addCommand("sync", "", false).add(fresh);
    command_line_t line(row.words);
    line.parseWith(parser);
    EXPECT_EQ(fresh.values, row.values) << row.words.back();
    EXPECT_EQ(parser.errorText(), row.errors) << row.words.back();
  }
}

TEST_F(Commands, OptionalArgumentNeedNotFollow) {
  command_line_t line({"prog", "status", "-n"});
  line.parseWith(root);
  EXPECT_EQ(root.errorText(), "");
  EXPECT_TRUE(count.isSet());
  EXPECT_FALSE(count.hasValues());

  option_t strict = option_t('n', "count", "").argument("N", dvk::cli::integer).optional().required();
  parser_t parser;
  parser.add(strict);
  command_line_t again({"prog", "-n"});
  again.parseWith(parser);
  EXPECT_EQ(parser.errorText(), "-n must be followed by an argument");
}

TEST_F(Commands, HelpWithoutCommandListsRootOptionsAndVisibleCommands) {
  command_line_t line({"prog"});
  line.parseWith(root);
  EXPECT_EQ(help(),
            "Available options when no command is given:\n"
            " -v/--verbose  more output\n"
            "\n"
            "Available commands: ('prog [command] --help')\n"
            "         sync: synchronise\n"
            "       status: show state\n");
}

TEST_F(Commands, HelpOfTheChosenCommandShowsChoicesAndBrackets) {
  {
    command_line_t line({"prog", "sync"});
    line.parseWith(root);
    EXPECT_EQ(help(),
              " -m/--mode <M>  how to sync\n"
              "                  M: fast,slow\n"
              "    --dry-run   change nothing\n");
  }
  parser_t fresh;
  option_t optionalCount = option_t('n', "count", "how many").argument("N", dvk::cli::integer).optional();
  fresh.addCommand("status", "", false).add(optionalCount);
  command_line_t line({"prog", "status"});
  line.parseWith(fresh);
  std::ostringstream out;
  fresh.printHelp(out);
  EXPECT_EQ(out.str(), " -n/--count [N]  how many\n");
}

TEST_F(Commands, CommandUsageShowsTheFirstLineOnly) {
  command_line_t plain({"prog"});
  plain.parseWith(root);
  EXPECT_EQ(commandUsage(), "usage: prog [options...] FILE\n");

  command_line_t chosen({"prog", "sync"});
  chosen.parseWith(root);
  EXPECT_EQ(commandUsage(), "usage: prog sync [sync options]\n");
  std::ostringstream full, tryHelp;
  root.printUsage(full);
  root.printTryHelp(tryHelp);
  EXPECT_EQ(full.str(), "usage: prog sync [sync options]\nmore\n");
  EXPECT_EQ(tryHelp.str(), "Try 'prog sync --help' for more information.\n");

  parser_t oneLine;
  oneLine.setUsage("just this");
  command_line_t bare({"tool"});
  bare.parseWith(oneLine);
  std::ostringstream out;
  oneLine.printCommandUsage(out);
  EXPECT_EQ(out.str(), "usage: tool just this\n");
}

// The chosen command is pointed to by the parser: commands added after the
// parse must leave it where it is, for every printer that reads it.
TEST_F(Commands, CommandsAddedAfterAParseKeepTheChosenOne) {
  command_line_t line({"prog", "sync"});
  line.parseWith(root);
  command_t const* const chosen = root.chosenCommand();
  for (int i = 0; i < 100; ++i) root.addCommand("extra" + std::to_string(i), "", false);
  ASSERT_EQ(root.commands.size(), 103u);
  EXPECT_EQ(root.chosenCommand(), chosen);
  EXPECT_EQ(root.chosenCommand(), &root.commands[0]);
  std::ostringstream usage, tryHelp;
  root.printUsage(usage);
  root.printTryHelp(tryHelp);
  EXPECT_EQ(usage.str(), "usage: prog sync [sync options]\nmore\n");
  EXPECT_EQ(commandUsage(), "usage: prog sync [sync options]\n");
  EXPECT_EQ(tryHelp.str(), "Try 'prog sync --help' for more information.\n");
  EXPECT_EQ(help(),
            " -m/--mode <M>  how to sync\n"
            "                  M: fast,slow\n"
            "    --dry-run   change nothing\n");
}

TEST(OptionExtras, ChoiceModifiers) {
  option_t option('c', "colour", "");
  option.choices({});
  EXPECT_FALSE(option.hasChoices);
  option.choice("red").choice(std::string("green\0ignored", 13)).choices({"blue", "^auto"});
  EXPECT_TRUE(option.hasChoices);
  EXPECT_EQ(option.choiceList, (std::vector<std::string>{"red", "green", "blue", "^auto"}));
  option.choices({});
  EXPECT_TRUE(option.hasChoices);  // an empty list leaves the flag as it was
}

TEST(OptionExtras, RequiredAndOptionalOnlyToggleTheRequirement) {
  option_t option('d', "depth", "");
  option.argument("D", dvk::cli::integer).optional();
  EXPECT_FALSE(option.argRequired);
  EXPECT_EQ(option.argName, "D");
  EXPECT_EQ(option.valueKinds, 1u);
  option.required();
  EXPECT_TRUE(option.argRequired);
  EXPECT_EQ(option.valueKinds, 1u);
}

TEST(OptionExtras, DefaultsToAndHasValues) {
  option_t option('o', "out", "");
  EXPECT_FALSE(option.hasValues());
  EXPECT_EQ(&option.defaultsTo("a.txt"), &option);
  EXPECT_EQ(option.defaultValue, "a.txt");
  EXPECT_FALSE(option.hasValues());  // a default is no value until a parse
  option.values.push_back("x");
  EXPECT_TRUE(option.hasValues());
}

}  // namespace
