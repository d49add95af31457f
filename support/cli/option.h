// One command-line option: its declaration, and what a parse found for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dvk::cli {

// Kind index given to option_t::argument; bit (1 << index) stands for it in valueKinds.
enum value_kind_t : unsigned { integer = 0, text = 1, list = 2 };

struct option_t {
  option_t(int shortName, const char* longName, const char* help);

  // Declaration modifiers; each returns the option so that they chain.
  option_t& argument(const char* argName, unsigned kindIndex);
  option_t& hidden();
  option_t& repeatable();
  option_t& noPending();
#ifdef TARVOK_EXTRAS
  // Extras carried by the Windows deliverable only (option_extras.cpp).
  option_t& choice(const char* text);
  option_t& choice(std::string const& text);
  option_t& choices(std::vector<std::string> const& list);
  option_t& required();
  option_t& optional();
  option_t& defaultsTo(const char* text);
  bool hasValues() const;
#endif

  // Withdraws the occurrence: typed and values cleared; token and count stay.
  option_t& reset();
  bool isSet() const;               // typed is not empty
  std::string typedName() const;    // "-" + typed when shorter than 2, else "--" + typed
  std::string shortFlag() const;    // "-x", or "" without a short name
  std::string longFlag() const;     // "--long", or "" without a long name
  std::string displayName() const;  // "-x", "-x/--long", "--long" or ""

  // Filled by a parse.
  std::string typed;  // name as typed at the last occurrence, without dashes
  std::string token;  // the whole token of the last occurrence
  std::vector<std::string> values;
  uint32_t count = 0;  // occurrences, only with repeatableFlag
  // Declaration.
  int shortName = 0;
  std::string longName;
  std::string help;
  std::string argName;
  uint32_t valueKinds = 0;
  std::string defaultValue;
  bool argRequired = false;
  bool repeatableFlag = false;
  bool noPendingFlag = false;
  bool hiddenFlag = false;
  bool hasChoices = false;
  std::vector<std::string> choiceList;  // "^x" accepts x and is not listed by help
};

}  // namespace dvk::cli
