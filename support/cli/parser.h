// The command-line parser: option groups, sub-commands, positional arguments
// and accumulated error lines; and its help, usage and "Try" output.
#pragma once

#include <cstddef>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "option.h"

namespace dvk::cli {

class parser_t;

// The name of the group that add() without a group name uses: "-!def!-".
extern const std::string defaultGroupName;

struct command_t {
  std::string name;
  std::string description;
  parser_t* parser = nullptr;  // owned by the parser holding this entry
  bool hidden = false;
};

struct group_t {
  std::string name;
  std::string description;
  std::vector<option_t*> options;  // not owned
};

class parser_t {
 public:
  parser_t();
  ~parser_t();
  parser_t(parser_t const&) = delete;
  parser_t& operator=(parser_t const&) = delete;

  void setUsage(std::string const& text);
  parser_t& add(option_t& option);
  void add(std::string const& groupName, option_t& option);
  group_t* findGroup(std::string const& name);
  group_t* addGroup(std::string const& name, std::string const& description);
  option_t* findOption(std::string const& name);
  // Parses argv[1..]; errors are collected, never printed or thrown. Returns
  // the parser that handled the tokens (this one or a selected sub-command's).
  parser_t& parse(int argc, char** argv);
  std::vector<std::string>& positionals();
  std::string errorText() const;
  void addError(std::string const& text);
  bool takeOption(std::string const& name, option_t*& pending);
  bool assignValue(std::string const& value, option_t*& pending);

  // Help and usage output.
  void printUsage(std::ostream& out) const;
  void printHelp(std::ostream& out) const;
  void printGroupHelp(std::ostream& out, group_t const& group) const;
  void printTryHelp(std::ostream& out) const;

#ifdef TARVOK_EXTRAS
  // Extras carried by the Windows deliverable only (parser_extras.cpp).
  parser_t& addCommand(std::string const& name, std::string const& description, bool hidden);
  void printCommandUsage(std::ostream& out) const;
  command_t* chosenCommand() const;
#endif

  // A deque, so that adding a command never moves one that selectedCommand
  // may point to.
  std::deque<command_t> commands;
  std::vector<group_t> groups;
  std::string usage;
  std::string name;
  std::string programName;
  std::size_t optionColumnWidth = 0;
  std::size_t commandColumnWidth = 0;
  std::string currentToken;
  command_t* selectedCommand = nullptr;
  std::vector<std::string> positionalArgs;
  std::string* errors = nullptr;  // owned; null until the first error
};

}  // namespace dvk::cli
