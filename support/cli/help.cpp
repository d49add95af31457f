// Help, usage and "Try" output of the command-line parser.
#include <string_view>

#include "cli/internal/parser_chain.h"
#include "cli/parser.h"

namespace dvk::cli {

namespace {

// The choices wrap before this column.
constexpr std::size_t choicesRightEdge = 76;

void printChoices(std::ostream& out, option_t const& option, std::size_t entryLength) {
  out << std::string(entryLength, ' ') << "  " << option.argName << ": ";
  std::size_t const start = entryLength + option.argName.size() + 4;
  std::size_t column = start;
  const char* separator = "";
  for (std::string const& choice : option.choiceList) {
    if (!choice.empty() && choice[0] == '^') continue;
    if (column + choice.size() > choicesRightEdge) {
      out << separator << "\n" << std::string(start, ' ') << choice;
      column = start + choice.size();
    } else {
      out << separator << choice;
      column += choice.size() + 1;
    }
    separator = ",";
  }
  out << "\n";
}

}  // namespace

namespace internal {

void printUsageLine(parser_t const& parser, std::ostream& out, bool firstLineOnly) {
  command_t const* const chosen = parser.selectedCommand;
  std::string_view text = parser.usage;
  out << "usage: " << parser.programName << " ";
  if (chosen != nullptr) {
    out << chosen->name << " ";
    text = chosen->parser != nullptr ? std::string_view(chosen->parser->usage) : std::string_view();
  }
  if (firstLineOnly) text = text.substr(0, text.find('\n'));
  out << text << "\n";
}

}  // namespace internal

void parser_t::printUsage(std::ostream& out) const { internal::printUsageLine(*this, out, false); }

void parser_t::printHelp(std::ostream& out) const {
  parser_t const& shown = internal::deepest(*this);
  bool const hasCommands = !shown.commands.empty();
  if (hasCommands) out << "Available options when no command is given:\n";
  for (group_t const& group : shown.groups) {
    if (group.name == defaultGroupName) shown.printGroupHelp(out, group);
  }
  if (!hasCommands) {
    for (group_t const& group : shown.groups) {
      if (group.name != defaultGroupName) shown.printGroupHelp(out, group);
    }
    return;
  }
  out << "\nAvailable commands: ('" << shown.programName << " [command] --help')\n";
  for (command_t const& command : shown.commands) {
    if (command.hidden) continue;
    std::size_t const padding =
        command.name.size() < shown.commandColumnWidth ? shown.commandColumnWidth - command.name.size() : 0;
    out << "  " << std::string(padding, ' ') << command.name << ": " << command.description << "\n";
  }
}

void parser_t::printGroupHelp(std::ostream& out, group_t const& group) const {
  if (!group.description.empty()) out << "\n" << group.description << ":\n";
  for (option_t const* option : group.options) {
    if (option->hiddenFlag) continue;
    // Options without a short form are indented so that long names line up.
    std::string entry = option->shortName == 0 ? "    " : " ";
    entry += option->displayName();
    if (!option->argName.empty()) {
      entry += option->argRequired ? " <" + option->argName + ">" : " [" + option->argName + "]";
    }
    if (entry.size() < optionColumnWidth) entry.append(optionColumnWidth - entry.size(), ' ');
    out << entry << option->help << "\n";
    if (option->hasChoices) printChoices(out, *option, entry.size());
  }
}

void parser_t::printTryHelp(std::ostream& out) const {
  out << "Try '" << programName;
  if (selectedCommand != nullptr) out << " " << selectedCommand->name;
  out << " --help' for more information.\n";
}

}  // namespace dvk::cli
