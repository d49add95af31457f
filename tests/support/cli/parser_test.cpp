// Tests of command-line parsing: token classes, values, errors, defaults and sub-commands.
#include "cli/parser.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"

using dvk::cli::command_t;
using dvk::cli::option_t;
using dvk::cli::parser_t;

namespace {

// The words after "prog", as a process argument vector.
dvk::test::command_line_t args(std::vector<std::string> const& words) {
  std::vector<std::string> line{"prog"};
  line.insert(line.end(), words.begin(), words.end());
  return dvk::test::command_line_t(std::move(line));
}

std::string parse(parser_t& parser, std::vector<std::string> const& words) {
  args(words).parseWith(parser);
  return parser.errorText();
}

// One option of each behaviour the parser distinguishes, in a fresh parser.
struct declared_t {
  option_t verbose{'v', "verbose", "more output"};
  option_t quiet{'q', "quiet", "less output"};
  option_t once{'o', "once", "no value, not repeatable"};
  option_t help{'?', "help", "help"};
  option_t num{'n', "num", "an integer"};
  option_t text{'t', "text", "a text"};
  option_t list{'l', "list", "a list"};
  option_t color{'c', "color", "a list of choices"};
  option_t opt{'p', "opt", "an optional text"};
  option_t keep{'k', "keep", "a text that never waits"};
  option_t level{0, "level", "a text with a default"};
  parser_t parser;

  declared_t() {
    verbose.repeatable();
    quiet.repeatable();
    help.noPending();
    num.argument("N", dvk::cli::integer);
    text.argument("T", dvk::cli::text);
    list.argument("L", dvk::cli::list);
    color.argument("C", dvk::cli::list);
    color.hasChoices = true;
    color.choiceList = {"red", "^green", "blue"};
    opt.argument("P", dvk::cli::text);
    opt.argRequired = false;
    keep.argument("K", dvk::cli::text).noPending();
    level.argument("LVL", dvk::cli::text);
    for (option_t* option : all()) parser.add(*option);
  }

  std::vector<option_t*> all() {
    return {&verbose, &quiet, &once, &help, &num, &text, &list, &color, &opt, &keep, &level};
  }

  std::string state() { return dvk::test::optionState(all()); }
};

struct row_t {
  std::vector<std::string> words;
  std::string errors;
  std::vector<std::string> positionals;
  std::string state;
};

void expectRows(std::vector<row_t> const& rows) {
  for (row_t const& row : rows) {
    declared_t d;
    std::string line;
    for (std::string const& word : row.words) line += " [" + word + "]";
    SCOPED_TRACE("command line:" + line);
    EXPECT_EQ(parse(d.parser, row.words), row.errors);
    EXPECT_EQ(d.parser.positionals(), row.positionals);
    EXPECT_EQ(d.state(), row.state);
  }
}

TEST(Parser, EveryErrorLine) {
  expectRows({
      {{}, "", {}, ""},
      {{"-z"}, "z is not a valid option (found in: '-z')", {}, ""},
      {{"-vzq"}, "z is not a valid option (found in: '-vzq')", {}, "verbose@v#1"},
      {{"--nope=1"}, "nope is not a valid option (found in: '--nope=1')", {}, ""},
      {{"--=x"}, " is not a valid option (found in: '--=x')", {}, ""},
      {{"-n", "-v"}, "-n must be followed by an argument (found: '-v' instead)", {}, "num@n"},
      {{"--num", "--verbose"}, "--num must be followed by an argument (found: '--verbose' instead)", {}, "num@num"},
      // The unknown option clears the waiting one: no second line.
      {{"-n", "-z"}, "z is not a valid option (found in: '-z')", {}, "num@n"},
      {{"-o", "x", "--once"}, "-o can only be specified once (found earlier: '-o')", {"x"}, "once@o"},
      {{"--num=5", "-n6"}, "--num can only be specified once (found earlier: '--num=5')", {}, "num@num=5"},
      {{"-vo", "-ov"}, "-o can only be specified once (found earlier: '-vo')", {}, "verbose@v#1 once@o"},
      {{"--text="}, "argument assignment missing (found: '--text=')", {}, "text@text"},
      {{"--once=1"}, "-o/--once does not accept arguments (found explicit assignnment: '--once=1')", {}, "once@once"},
      {{"--level=1="}, "", {}, "level@level=1="},
      {{"--color=red,pink,blue"}, "'pink' is not a valid choice for --color", {}, "color@color=red"},
      {{"-nabc"}, "-n must be followed by a valid integer (found: 'abc')", {}, "num@n"},
      // A rejected value clears the waiting option, so the next word is positional.
      {{"-n", "abc", "def"}, "-n must be followed by a valid integer (found: 'abc')", {"def"}, "num@n"},
      {{"-n"}, "-n must be followed by an argument", {}, "num@n"},
      {{"x", "--text"}, "--text must be followed by an argument", {"x"}, "text@text"},
      {{"-z", "--once=1"},
       "z is not a valid option (found in: '-z')\n"
       "-o/--once does not accept arguments (found explicit assignnment: '--once=1')",
       {},
       "once@once"},
  });
}

TEST(Parser, PendingOptionTakesTheNextPlainWord) {
  expectRows({
      {{"-n", "5"}, "", {}, "num@n=5"},
      {{"-n", "5", "6"}, "", {"6"}, "num@n=5"},
      {{"-vn", "7"}, "", {}, "verbose@v#1 num@n=7"},
      {{"-vn7"}, "", {}, "verbose@v#1 num@n=7"},
      {{"-nv"}, "-n must be followed by a valid integer (found: 'v')", {}, "num@n"},
      {{"-tv"}, "", {}, "text@t=v"},
      {{"-t", ""}, "", {}, "text@t="},
      {{"--text", "a=b"}, "", {}, "text@text=a=b"},
      {{"--text=a=b"}, "", {}, "text@text=a=b"},
      {{"-v", "file"}, "", {"file"}, "verbose@v#1"},
      // "-" is positional and ends the wait; "--" keeps it.
      {{"-n", "-"}, "", {"-"}, "num@n"},
      {{"-n", "--", "5"}, "-n must be followed by an argument", {"5"}, "num@n"},
      {{"-n", "--"}, "-n must be followed by an argument", {}, "num@n"},
      {{"--", "-v", "--num", "-"}, "", {"-v", "--num", "-"}, ""},
      {{"a", "--", "--"}, "", {"a", "--"}, ""},
      // An optional argument may be left out.
      {{"-p"}, "", {}, "opt@p"},
      {{"-p", "-v"}, "", {}, "verbose@v#1 opt@p"},
      {{"-p", "val"}, "", {}, "opt@p=val"},
      // noPending: the rest of the token and the next word are not its value.
      {{"-?v"}, "", {}, "help@?"},
      {{"--help=1", "x"}, "", {"x"}, "help@help"},
      {{"-kv", "x"}, "", {"x"}, "keep@k"},
      {{"--keep=1"}, "", {}, "keep@keep"},
  });
}

TEST(Parser, ClustersAndRepeats) {
  expectRows({
      {{"-vq"}, "", {}, "verbose@v#1 quiet@q#1"},
      {{"-vv", "-v"}, "", {}, "verbose@v#3"},
      {{"-vv", "--verbose"}, "", {}, "verbose@verbose#3"},
      {{"--v", "--q"}, "", {}, "verbose@v#1 quiet@q#1"},
      {{"-l", "a", "--list", "b,c"}, "", {}, "list@list=a|b|c"},
  });

  declared_t d;
  EXPECT_EQ(parse(d.parser, {"-vq"}), "");
  EXPECT_EQ(d.verbose.token, "-vq");
  EXPECT_EQ(d.quiet.token, "-vq");
}

TEST(Parser, IntegerValues) {
  // clang-format off
  struct {
    const char* value;
    bool accepted;
  } const cases[] = {
      {"5", true},     {"007", true},  {"0x1F", true}, {"$ff", true}, {"$FF", true},
      {"%101", true},  {"-5", false},  {"+5", false},  {"abc", false}, {"0X1F", false},
      {"%102", false}, {" 5", false},  {"5 ", false},  {"0x", false},
  };
  // clang-format on
  for (auto const& c : cases) {
    SCOPED_TRACE(c.value);
    declared_t d;
    std::string const errors = parse(d.parser, {std::string("--num=") + c.value});
    if (c.accepted) {
      EXPECT_EQ(errors, "");
      EXPECT_EQ(d.num.values, std::vector<std::string>{c.value});
    } else {
      EXPECT_EQ(errors, std::string("--num must be followed by a valid integer (found: '") + c.value + "')");
      EXPECT_TRUE(d.num.values.empty());
    }
  }
}

TEST(Parser, ListSplitting) {
  expectRows({
      {{"-la,,b"}, "", {}, "list@l=a||b"},
      {{"--list=a,"}, "", {}, "list@list=a|"},
      {{"--list=,a"}, "", {}, "list@list=,a"},
      {{"--list=,,a"}, "", {}, "list@list=,|a"},
      {{"--list=,"}, "", {}, "list@list=,"},
      {{"-l", ""}, "", {}, "list@l="},
      // Only lists split: a comma in a text value stays.
      {{"-ta,b"}, "", {}, "text@t=a,b"},
  });
}

TEST(Parser, Choices) {
  expectRows({
      {{"--color=red,blue"}, "", {}, "color@color=red|blue"},
      // "^green" accepts green and its own full text.
      {{"-cgreen"}, "", {}, "color@c=green"},
      {{"-c^green"}, "", {}, "color@c=^green"},
      {{"-cRed"}, "'Red' is not a valid choice for -c", {}, "color@c"},
      {{"-c", "red,"}, "'' is not a valid choice for -c", {}, "color@c=red"},
  });

  declared_t d;
  d.text.hasChoices = true;  // with nothing to choose from, nothing is accepted
  EXPECT_EQ(parse(d.parser, {"-tx"}), "'x' is not a valid choice for -t");
}

TEST(Parser, DefaultsOnlyOnTheNormalPath) {
  // clang-format off
  struct {
    std::vector<std::string> words;
    std::vector<std::string> level;
  } const cases[] = {
      {{}, {"3"}},
      {{"x"}, {"3"}},
      {{"--level", "9"}, {"9"}},
      {{"-z"}, {"3"}},  // other errors still get defaults
      {{"-n"}, {}},     // a missing required argument does not
  };
  // clang-format on
  for (auto const& c : cases) {
    declared_t d;
    d.level.defaultValue = "3";
    parse(d.parser, c.words);
    EXPECT_EQ(d.level.values, c.level) << c.words.size();
    EXPECT_EQ(d.level.isSet(), c.level == std::vector<std::string>{"9"});
  }
}

TEST(Parser, FindOptionAndGroups) {
  option_t shortV{'v', "", ""};
  option_t longV{0, "v", ""};
  option_t named{0, "named", ""};
  parser_t parser;
  parser.add("first", shortV);
  parser.add(longV);
  parser.add("first", named);
  ASSERT_EQ(parser.groups.size(), 2u);
  EXPECT_EQ(parser.groups[0].name, "first");
  EXPECT_EQ(parser.groups[1].name, dvk::cli::defaultGroupName);
  EXPECT_EQ(parser.groups[0].options.size(), 2u);
  EXPECT_EQ(parser.findOption("v"), &shortV);  // first match wins
  EXPECT_EQ(parser.findOption("named"), &named);
  EXPECT_EQ(parser.findOption("Named"), nullptr);
  EXPECT_EQ(parser.findOption(""), nullptr);
  EXPECT_EQ(parser.findGroup("second"), nullptr);
}

TEST(Parser, SetUsageDropsOneLeadingNewline) {
  parser_t parser;
  parser.setUsage("\n\nu\n");
  EXPECT_EQ(parser.usage, "\nu\n");
  parser.setUsage("");
  EXPECT_EQ(parser.usage, "\nu\n");
  parser.setUsage("v");
  EXPECT_EQ(parser.usage, "v");
}

// root -> "remote" -> "add", and a hidden "secret"; each sub-command has its own options.
struct commands_t {
  option_t verbose{'v', "verbose", ""};
  option_t force{'f', "force", ""};
  parser_t root;
  parser_t* remote = new parser_t;
  parser_t* add = new parser_t;
  parser_t* secret = new parser_t;

  commands_t() {
    root.add(verbose);
    root.setUsage("[options]");
    root.commands.push_back(command_t{"remote", "remotes", remote, false});
    root.commands.push_back(command_t{"secret", "", secret, true});
    root.commandColumnWidth = 6;
    remote->setUsage("NAME");
    remote->commands.push_back(command_t{"add", "adds", add, false});
    add->add(force);
    add->setUsage("URL");
  }
};

TEST(Parser, SubCommandDescent) {
  commands_t c;
  dvk::test::command_line_t line = args({"remote", "add", "-f", "url", "remote"});
  parser_t& handler = line.parseWith(c.root);
  EXPECT_EQ(&handler, c.add);
  ASSERT_NE(c.root.selectedCommand, nullptr);
  EXPECT_EQ(c.root.selectedCommand->name, "remote");
  EXPECT_EQ(c.remote->selectedCommand->name, "add");
  EXPECT_EQ(c.root.programName, "prog");
  EXPECT_EQ(c.remote->programName, "remote");
  EXPECT_EQ(c.add->programName, "add");
  EXPECT_EQ(c.root.positionals(), (std::vector<std::string>{"url", "remote"}));
  EXPECT_TRUE(c.force.isSet());

  // Usage and Try look one level down only.
  std::ostringstream out;
  c.root.printUsage(out);
  c.root.printTryHelp(out);
  c.remote->printUsage(out);
  c.remote->printTryHelp(out);
  EXPECT_EQ(out.str(),
            "usage: prog remote NAME\n"
            "Try 'prog remote --help' for more information.\n"
            "usage: remote add URL\n"
            "Try 'remote add --help' for more information.\n");

  // The listing, unlike usage and Try, is that of the deepest chosen command.
  std::ostringstream listing;
  c.root.printHelp(listing);
  EXPECT_EQ(listing.str(), " -f/--force  \n");
}

TEST(Parser, SubCommandOwnsItsOptionsAndErrors) {
  commands_t c;
  EXPECT_EQ(parse(c.root, {"secret", "-v"}), "v is not a valid option (found in: '-v')");
  EXPECT_EQ(c.root.selectedCommand, &c.root.commands[1]);
  EXPECT_EQ(c.root.errors, nullptr);
  EXPECT_FALSE(c.verbose.isSet());
}

TEST(Parser, CommandWordLaterIsPositional) {
  commands_t c;
  EXPECT_EQ(parse(c.root, {"-v", "remote"}), "");
  EXPECT_EQ(c.root.selectedCommand, nullptr);
  EXPECT_EQ(c.root.positionals(), std::vector<std::string>{"remote"});
  EXPECT_TRUE(c.verbose.isSet());
}

}  // namespace
