// Parser extras of the Windows deliverable.
#include <algorithm>
#include <memory>

#include "cli/internal/parser_chain.h"
#include "cli/parser.h"

namespace dvk::cli {

parser_t& parser_t::addCommand(std::string const& commandName, std::string const& description, bool hidden) {
  auto sub = std::make_unique<parser_t>();
  parser_t& created = *sub;
  commands.push_back(command_t{commandName, description, sub.get(), hidden});
  static_cast<void>(sub.release());  // owned by the entry now; ~parser_t frees it
  // Hidden commands widen the column too: the width is fixed at declaration.
  commandColumnWidth = std::max(commandColumnWidth, commandName.size());
  return created;
}

void parser_t::printCommandUsage(std::ostream& out) const { internal::printUsageLine(*this, out, true); }

command_t* parser_t::chosenCommand() const { return selectedCommand; }

}  // namespace dvk::cli
