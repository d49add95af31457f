// Command-line options: declaration modifiers and the names they are shown by.
#include "cli/option.h"

namespace dvk::cli {

option_t::option_t(int shortName_, const char* longName_, const char* help_)
    : shortName(shortName_), longName(longName_), help(help_) {}

option_t& option_t::argument(const char* argName_, unsigned kindIndex) {
  argName = argName_;
  argRequired = true;
  // Only the three known kinds have a bit; any other index means "no value".
  valueKinds = kindIndex <= list ? (1u << kindIndex) : 0u;
  return *this;
}

option_t& option_t::hidden() {
  hiddenFlag = true;
  return *this;
}

option_t& option_t::repeatable() {
  repeatableFlag = true;
  return *this;
}

option_t& option_t::noPending() {
  noPendingFlag = true;
  return *this;
}

option_t& option_t::reset() {
  typed.clear();
  values.clear();
  return *this;
}

bool option_t::isSet() const { return !typed.empty(); }

std::string option_t::typedName() const { return (typed.size() < 2 ? "-" : "--") + typed; }

std::string option_t::shortFlag() const {
  if (shortName == 0) return std::string();
  return std::string(1, '-') + static_cast<char>(shortName);
}

std::string option_t::longFlag() const { return longName.empty() ? std::string() : "--" + longName; }

std::string option_t::displayName() const {
  if (shortName == 0) return longFlag();
  std::string name = shortFlag();
  if (!longName.empty()) name += "/--" + longName;
  return name;
}

}  // namespace dvk::cli
