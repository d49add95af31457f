// Private helpers of the parser and its printers: the chain of chosen
// sub-commands, and the usage line of both usage printers.
#pragma once

#include <ostream>

#include "cli/parser.h"

namespace dvk::cli::internal {

// The parser that handled the tokens: down the chain of chosen sub-commands.
// A template so that it serves const and non-const parsers alike.
template <typename parser_type>
parser_type& deepest(parser_type& root) {
  parser_type* current = &root;
  while (current->selectedCommand != nullptr && current->selectedCommand->parser != nullptr) {
    current = current->selectedCommand->parser;
  }
  return *current;
}

// "usage: " program [command] and the usage text of the chosen command (one
// level down only; none when it has no parser) or else the parser's own,
// cut at its first '\n' with firstLineOnly; then a line end.
void printUsageLine(parser_t const& parser, std::ostream& out, bool firstLineOnly);

}  // namespace dvk::cli::internal
