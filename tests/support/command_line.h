// Command lines for the parser's tests and the program's option tests: a
// process argument vector built from words, and what a parse left in options.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/option.h"
#include "cli/parser.h"

namespace dvk::test {

// argc and argv of the words, argv[0] included; the words outlive every parse.
class command_line_t {
 public:
  explicit command_line_t(std::vector<std::string> words) : words_(std::move(words)) {
    for (std::string& word : words_) argv_.push_back(word.data());
    argv_.push_back(nullptr);
  }
  command_line_t(command_line_t const&) = delete;
  command_line_t& operator=(command_line_t const&) = delete;

  int argc() const { return static_cast<int>(words_.size()); }
  char** argv() { return argv_.data(); }
  cli::parser_t& parseWith(cli::parser_t& parser) { return parser.parse(argc(), argv()); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> argv_;
};

// Every option a parse touched: long name, "@" and the name as typed, "#" and
// the count, "=" and the values joined by "|"; options apart by a blank.
inline std::string optionState(std::vector<cli::option_t*> const& options) {
  std::string out;
  for (cli::option_t* option : options) {
    if (!option->isSet() && option->count == 0 && option->values.empty()) continue;
    if (!out.empty()) out += " ";
    out += option->longName;
    if (option->isSet()) out += "@" + option->typed;
    if (option->count != 0) out += "#" + std::to_string(option->count);
    for (std::size_t i = 0; i < option->values.size(); ++i) out += (i != 0 ? "|" : "=") + option->values[i];
  }
  return out;
}

}  // namespace dvk::test
