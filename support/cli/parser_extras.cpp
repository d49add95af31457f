// Parser extras of the Windows deliverable.
#include "cli/parser.h"

#include <algorithm>
#include <memory>

namespace dvk::cli {

parser_t& parser_t::addCommand(std::string const& commandName, std::string const& description, bool hidden) {
  auto sub = std::make_unique<parser_t>();
  parser_t& created = *sub;
  commands.push_back(command_t{commandName, description, sub.get(), hidden});
  sub.release();  // owned by the entry now; ~parser_t frees it
  // Hidden commands widen the column too: the width is fixed at declaration.
  commandColumnWidth = std::max(commandColumnWidth, commandName.size());
  return created;
}

void parser_t::printCommandUsage(std::ostream& out) const {
  static const std::string none;
  std::string const& text = selectedCommand == nullptr           ? usage
                            : selectedCommand->parser != nullptr ? selectedCommand->parser->usage
                                                                 : none;
  out << "usage: " << programName << " ";
  if (selectedCommand != nullptr) out << selectedCommand->name << " ";
  out.write(text.data(), static_cast<std::streamsize>(std::min(text.find('\n'), text.size())));
  out << "\n";
}

command_t* parser_t::chosenCommand() const { return selectedCommand; }

}  // namespace dvk::cli
