// Option extras of the Windows deliverable.
#include "cli/option.h"

namespace dvk::cli {

// A null text is ignored: there is no choice or default to take from it.
option_t& option_t::choice(const char* text) {
  if (text == nullptr) return *this;
  choiceList.emplace_back(text);
  hasChoices = true;
  return *this;
}

option_t& option_t::choice(std::string const& text) { return choice(text.c_str()); }

option_t& option_t::choices(std::vector<std::string> const& list) {
  for (std::string const& text : list) choice(text);
  return *this;
}

option_t& option_t::required() {
  argRequired = true;
  return *this;
}

option_t& option_t::optional() {
  argRequired = false;
  return *this;
}

option_t& option_t::defaultsTo(const char* text) {
  if (text != nullptr) defaultValue = text;
  return *this;
}

bool option_t::hasValues() const { return !values.empty(); }

}  // namespace dvk::cli
