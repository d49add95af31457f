// Tests of the program's nine options: the usage and help texts, and how command lines fill them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "program.h"

namespace {

std::vector<dvk::cli::option_t*> programOptions() {
  return {&app::optVerbose, &app::optQuiet, &app::optVersion, &app::optHelp,   &app::optWarranty,
          &app::optDebug,   &app::optSfv,   &app::optSrr,     &app::optExtract};
}

// The options and the root parser are process-wide: put back what a parse left.
void clearParse() {
  for (dvk::cli::option_t* option : programOptions()) {
    option->reset();
    option->token.clear();
    option->count = 0;
  }
  delete app::rootParser.errors;
  app::rootParser.errors = nullptr;
  app::rootParser.positionalArgs.clear();
}

void parse(std::vector<std::string> words) {
  clearParse();
  words.insert(words.begin(), "tarvok");
  dvk::test::command_line_t(std::move(words)).parseWith(app::rootParser);
}

// Each option the parse touched, as optionState writes it.
std::string state() { return dvk::test::optionState(programOptions()); }

// One test: the options are registered once per process.
TEST(ProgramOptions, HelpTextsAndCommandLines) {
  app::setupOptions();
  parse({});
  EXPECT_EQ(app::rootParser.errorText(), "");
  EXPECT_EQ(app::rootParser.optionColumnWidth, 15u);

  std::ostringstream usage, listing, hint;
  app::rootParser.printUsage(usage);
  app::rootParser.printHelp(listing);
  app::rootParser.printTryHelp(hint);
  EXPECT_EQ(usage.str(),
            "usage: tarvok [options...] [FILE]...\n"
            "\n"
            "  > tarvok verifies file presence and checksums against .sfv/.srr FILEs.\n"
            "\n");
  EXPECT_EQ(listing.str(),
            "    --sfv      only verify against a discovered .sfv\n"
            "    --srr      only verify against a discovered .srr\n"
            " -x/--extract  extract missing or incorrect files from a .srr\n"
            " -v/--verbose  verbose (-v) and more verbose (-vv) output\n"
            " -q/--quiet    omit normal output (-q), warnings (-qq) and errors (-qqq)\n"
            "    --version  show version and credits, then exit\n"
            " -?/--help     show this help text, then exit\n");
  EXPECT_EQ(hint.str(), "Try 'tarvok --help' for more information.\n");

  struct {
    std::vector<std::string> words;
    std::string errors;
    std::vector<std::string> positionals;
    std::string state;
  } const rows[] = {
      {{"-vv"}, "", {}, "verbose@v#2"},
      {{"-qqq", "a.sfv"}, "", {"a.sfv"}, "quiet@q#3"},
      {{"-vq", "-x", "-?"}, "", {}, "verbose@v#1 quiet@q#1 help@? extract@x"},
      {{"--warranty", "--sfv", "--srr"}, "", {}, "warranty@warranty sfv@sfv srr@srr"},
      {{"--debug", "5", "b.srr"}, "", {"b.srr"}, "debug@debug=5"},
      {{"--debug=$1f"}, "", {}, "debug@debug=$1f"},
      {{"--debug=abc"}, "--debug must be followed by a valid integer (found: 'abc')", {}, "debug@debug"},
      {{"--debug"}, "--debug must be followed by an argument", {}, "debug@debug"},
      {{"--version", "--version"},
       "--version can only be specified once (found earlier: '--version')",
       {},
       "version@version"},
      {{"-x", "--extract"}, "-x can only be specified once (found earlier: '-x')", {}, "extract@x"},
      {{"--sfv=1", "-h"},
       "--sfv does not accept arguments (found explicit assignnment: '--sfv=1')\n"
       "h is not a valid option (found in: '-h')",
       {},
       "sfv@sfv"},
  };
  for (auto const& row : rows) {
    SCOPED_TRACE(row.words.front());
    parse(row.words);
    EXPECT_EQ(app::rootParser.errorText(), row.errors);
    EXPECT_EQ(app::rootParser.positionals(), row.positionals);
    EXPECT_EQ(state(), row.state);
  }
  clearParse();
}

}  // namespace
