// Tests of the help listing, the choices lines, the command list and the usage line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/parser.h"

using dvk::cli::command_t;
using dvk::cli::option_t;
using dvk::cli::parser_t;

namespace {

std::string help(parser_t const& parser) {
  std::ostringstream out;
  parser.printHelp(out);
  return out.str();
}

std::string blanks(std::size_t n) { return std::string(n, ' '); }

TEST(Help, EntryLayout) {
  option_t shortOnly{'s', "", "short only"};
  option_t longOnly{0, "long", "long only"};
  option_t both{'b', "both", "both forms"};
  option_t required = option_t('n', "num", "required").argument("N", dvk::cli::integer);
  option_t optional = option_t('p', "opt", "optional").argument("P", dvk::cli::text);
  optional.argRequired = false;
  option_t unnamed = option_t(0, "bare", "no argument name").argument("", dvk::cli::text);
  option_t hidden = option_t('h', "a-very-long-hidden-name", "hidden").hidden();
  hidden.hasChoices = true;
  hidden.choiceList = {"never", "shown"};

  parser_t parser;
  for (option_t* option : {&shortOnly, &longOnly, &hidden, &both, &required, &optional, &unnamed}) parser.add(*option);
  EXPECT_EQ(parser.optionColumnWidth, 15u);  // "--num" + 1 + 9; the hidden option does not count
  EXPECT_EQ(help(parser),
            " -s            short only\n"
            "    --long     long only\n"
            " -b/--both     both forms\n"
            " -n/--num <N>  required\n"
            " -p/--opt [P]  optional\n"
            "    --bare     no argument name\n");

  // An entry as wide as the column or wider gets no padding.
  parser.optionColumnWidth = 10;
  std::string const narrow =
      " -s       short only\n"
      "    --longlong only\n"
      " -b/--bothboth forms\n";
  EXPECT_EQ(help(parser).substr(0, narrow.size()), narrow);
}

TEST(Help, ChoicesLines) {
  std::string const tenA(10, 'a'), tenB(10, 'b'), tenC(10, 'c'), tenD(10, 'd'), tenE(10, 'e'), tenF(10, 'f'),
      tenG(10, 'g');
  // The entry "    --mode <M>" is padded to 16, so the first choice starts at 16 + 2 + 1 + 2 = 21.
  std::string const head = "    --mode <M>  pick\n" + blanks(16) + "  M: ";
  // Ten choices of five letters: each counts six columns, so the tenth wraps.
  std::vector<std::string> fives;
  std::string fivesLine;
  for (char letter = 'a'; letter < 'k'; ++letter) {
    fives.emplace_back(5, letter);
    fivesLine += (letter == 'a' ? "" : letter == 'j' ? ",\n" + blanks(21) : ",") + fives.back();
  }
  struct {
    const char* what;
    std::vector<std::string> choices;
    std::string expected;
  } const cases[] = {
      {"hidden entries", {"^all", "one", "two", "^x"}, head + "one,two\n"},
      {"only hidden", {"^all"}, head + "\n"},
      {"wraps after the comma",
       {tenA, tenB, tenC, tenD, tenE, tenF, tenG},
       head + tenA + "," + tenB + "," + tenC + "," + tenD + "," + tenE + ",\n" + blanks(21) + tenF + "," + tenG + "\n"},
      {"a comma counts as a column", fives, head + fivesLine + "\n"},
      {"ends at column 76", {std::string(55, 'x')}, head + std::string(55, 'x') + "\n"},
      {"first choice too long", {std::string(56, 'x')}, head + "\n" + blanks(21) + std::string(56, 'x') + "\n"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.what);
    option_t mode = option_t(0, "mode", "pick").argument("M", dvk::cli::text);
    mode.hasChoices = true;
    mode.choiceList = c.choices;
    parser_t parser;
    parser.add(mode);
    EXPECT_EQ(help(parser), c.expected);
  }
}

TEST(Help, GroupsDefaultFirstWithHeadings) {
  option_t inGroup{'a', "all", "in a named group"};
  option_t inDefault{'d', "", "in the default group"};
  option_t hidden = option_t('h', "", "hidden").hidden();
  parser_t parser;
  parser.add("extra", inGroup);
  parser.add(inDefault);
  parser.add("empty", hidden);
  parser.findGroup("extra")->description = "Extra options";
  parser.findGroup("empty")->description = "Nothing visible";
  EXPECT_EQ(help(parser),
            " -d        in the default group\n"
            "\nExtra options:\n"
            " -a/--all  in a named group\n"
            "\nNothing visible:\n");

  parser_t empty;
  EXPECT_EQ(help(empty), "");
}

TEST(Help, CommandListing) {
  option_t verbose{'v', "verbose", "more output"};
  option_t named{'n', "", "only without commands"};
  option_t force{'f', "force", "overwrite"};
  parser_t root;
  root.add(verbose);
  root.add("named", named);
  root.programName = "prog";
  parser_t* go = new parser_t;
  go->add(force);
  root.commands.push_back(command_t{"go", "runs it", go, false});
  root.commands.push_back(command_t{"status", "shows it", new parser_t, false});
  root.commands.push_back(command_t{"x", "hidden", new parser_t, true});
  root.commandColumnWidth = 6;

  EXPECT_EQ(help(root),
            "Available options when no command is given:\n"
            " -v/--verbose  more output\n"
            "\nAvailable commands: ('prog [command] --help')\n"
            "      go: runs it\n"
            "  status: shows it\n");

  // With a command chosen, the listing is the command's own.
  root.selectedCommand = &root.commands.front();
  EXPECT_EQ(help(root), " -f/--force  overwrite\n");
}

TEST(Help, UsageAndTryWithoutCommand) {
  parser_t parser;
  parser.programName = "./prog";
  parser.setUsage("\n[options]\n\n  more\n");
  std::ostringstream out;
  parser.printUsage(out);
  parser.printTryHelp(out);
  EXPECT_EQ(out.str(),
            "usage: ./prog [options]\n\n  more\n\n"
            "Try './prog --help' for more information.\n");
}

}  // namespace
