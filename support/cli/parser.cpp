// The command-line parser: option registration, token classification, value
// checks and the accumulated error text.
#include "cli/parser.h"

#include <algorithm>

#include "cli/internal/parser_chain.h"
#include "text/text.h"

namespace dvk::cli {

const std::string defaultGroupName = "-!def!-";

namespace {

bool hasKind(option_t const& option, value_kind_t kind) { return (option.valueKinds & (1u << kind)) != 0; }

// An entry that begins with "^" also accepts the text after it.
bool isChoice(option_t const& option, std::string const& item) {
  return std::any_of(option.choiceList.begin(), option.choiceList.end(), [&item](std::string const& entry) {
    return entry == item || (!entry.empty() && entry[0] == '^' && entry.compare(1, std::string::npos, item) == 0);
  });
}

}  // namespace

parser_t::parser_t() = default;

parser_t::~parser_t() {
  delete errors;
  for (command_t& command : commands) delete command.parser;
}

void parser_t::setUsage(std::string const& text) {
  if (text.empty()) return;
  usage = text[0] == '\n' ? text.substr(1) : text;
}

parser_t& parser_t::add(option_t& option) {
  add(defaultGroupName, option);
  return *this;
}

void parser_t::add(std::string const& groupName, option_t& option) {
  group_t* group = findGroup(groupName);
  if (group == nullptr) group = addGroup(groupName, std::string());
  if (!option.hiddenFlag) {
    // Room for the leading blanks, the short form and its slash, and the
    // bracketed argument name with its blank; help pads entries to this.
    std::size_t const longLength = option.longFlag().size();
    std::size_t const width = option.argName.empty() ? longLength + 6 : longLength + option.argName.size() + 9;
    if (width > optionColumnWidth) optionColumnWidth = width;
  }
  group->options.push_back(&option);
}

group_t* parser_t::findGroup(std::string const& groupName) {
  for (group_t& group : groups) {
    if (group.name == groupName) return &group;
  }
  return nullptr;
}

group_t* parser_t::addGroup(std::string const& groupName, std::string const& description) {
  groups.push_back(group_t{groupName, description, {}});
  return &groups.back();
}

option_t* parser_t::findOption(std::string const& optionName) {
  if (optionName.empty()) return nullptr;
  for (group_t& group : groups) {
    for (option_t* option : group.options) {
      bool const shortMatch =
          optionName.size() == 1 && option->shortName != 0 && static_cast<char>(option->shortName) == optionName[0];
      if (shortMatch || optionName == option->longName) return option;
    }
  }
  return nullptr;
}

namespace {

parser_t& fillDefaults(parser_t& parser) {
  for (group_t& group : parser.groups) {
    for (option_t* option : group.options) {
      if (option->values.empty() && !option->defaultValue.empty()) option->values.push_back(option->defaultValue);
    }
  }
  return parser;
}

void parseLongForm(parser_t& parser, option_t*& pending) {
  std::string const& token = parser.currentToken;
  std::size_t const equals = token.find('=', 2);
  std::string const optionName = token.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
  if (!parser.takeOption(optionName, pending)) {
    pending = nullptr;
    return;
  }
  if (equals == std::string::npos) return;
  // After "=" nothing stays pending: the value is taken here or refused.
  if (equals + 1 == token.size()) {
    parser.addError("argument assignment missing (found: '" + token + "')");
  } else if (pending->valueKinds == 0) {
    parser.addError(pending->displayName() + " does not accept arguments (found explicit assignnment: '" + token +
                    "')");
  } else {
    parser.assignValue(token.substr(equals + 1), pending);
  }
  pending = nullptr;
}

void parseCluster(parser_t& parser, option_t*& pending) {
  std::string const letters = parser.currentToken.substr(1);
  for (std::size_t i = 0; i < letters.size(); ++i) {
    if (!parser.takeOption(std::string(1, letters[i]), pending)) {
      pending = nullptr;
      return;
    }
    // An option that needs its argument takes the rest of the cluster, or
    // waits for the next token when nothing is left.
    if (pending->argRequired) {
      if (i + 1 < letters.size() && !parser.assignValue(letters.substr(i + 1), pending)) pending = nullptr;
      return;
    }
  }
}

parser_t& parseTokens(parser_t& parser, int argc, char** argv) {
  option_t* pending = nullptr;
  bool afterDoubleDash = false;
  for (int i = 1; i < argc; ++i) {
    parser.currentToken = argv[i] != nullptr ? argv[i] : "";
    std::string const& token = parser.currentToken;
    if (afterDoubleDash) {
      parser.positionalArgs.push_back(token);
    } else if (token == "-") {  // NOLINT(bugprone-branch-clone): "-" never becomes a pending option's value
      parser.positionalArgs.push_back(token);
      pending = nullptr;
    } else if (token == "--") {
      afterDoubleDash = true;
    } else if (token.compare(0, 2, "--") == 0) {
      parseLongForm(parser, pending);
    } else if (!token.empty() && token[0] == '-') {
      parseCluster(parser, pending);
    } else if (pending != nullptr && pending->valueKinds != 0) {
      if (!parser.assignValue(token, pending)) pending = nullptr;
    } else {
      parser.positionalArgs.push_back(token);
      pending = nullptr;
    }
  }
  if (pending != nullptr && pending->argRequired && pending->values.empty()) {
    // The command line is broken; defaults are left out on this path.
    parser.addError(pending->typedName() + " must be followed by an argument");
    return parser;
  }
  return fillDefaults(parser);
}

}  // namespace

parser_t& parser_t::parse(int argc, char** argv) {
  parser_t* current = this;
  // A missing program name is not expected from a process; keep it empty.
  current->programName = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  for (;;) {
    if (argc < 2) return fillDefaults(*current);
    command_t* chosen = nullptr;
    for (command_t& command : current->commands) {
      if (command.parser != nullptr && argv[1] != nullptr && command.name == argv[1]) {
        chosen = &command;
        break;
      }
    }
    if (chosen == nullptr) break;
    current->selectedCommand = chosen;
    current = chosen->parser;
    --argc;
    ++argv;
    current->programName = argv[0];
  }
  return parseTokens(*current, argc, argv);
}

std::vector<std::string>& parser_t::positionals() { return internal::deepest(*this).positionalArgs; }

std::string parser_t::errorText() const {
  parser_t const& handler = internal::deepest(*this);
  return handler.errors != nullptr ? *handler.errors : std::string();
}

void parser_t::addError(std::string const& text) {
  if (errors == nullptr) {
    errors = new std::string(text);
  } else {
    *errors += "\n";
    *errors += text;
  }
}

bool parser_t::takeOption(std::string const& optionName, option_t*& pending) {
  option_t* option = findOption(optionName);
  if (option == nullptr) {
    addError(optionName + " is not a valid option (found in: '" + currentToken + "')");
    return false;
  }
  if (pending != nullptr && pending->argRequired) {
    addError(pending->typedName() + " must be followed by an argument (found: '" + currentToken + "' instead)");
    return false;
  }
  if (option->isSet() && !option->repeatableFlag && !hasKind(*option, list)) {
    addError(option->typedName() + " can only be specified once (found earlier: '" + option->token + "')");
    return false;
  }
  if (option->repeatableFlag) ++option->count;
  option->typed = optionName;
  option->token = currentToken;
  if (option->noPendingFlag) return false;
  pending = option;
  return true;
}

bool parser_t::assignValue(std::string const& value, option_t*& pending) {
  option_t& option = *pending;
  bool const splits = hasKind(option, list);
  std::size_t start = 0;
  // A comma in the first position belongs to the first item.
  std::size_t separator = splits ? value.find(',', 1) : std::string::npos;
  for (;;) {
    std::size_t const end = separator == std::string::npos ? value.size() : separator;
    std::string item = value.substr(start, end - start);
    if (option.hasChoices && !isChoice(option, item)) {
      addError("'" + item + "' is not a valid choice for " + option.typedName());
      return false;
    }
    if (hasKind(option, integer) && !isNumber(item, 0)) {
      addError(option.typedName() + " must be followed by a valid integer (found: '" + item + "')");
      return false;
    }
    option.values.push_back(std::move(item));
    if (separator == std::string::npos) break;
    start = separator + 1;
    separator = value.find(',', start);
  }
  pending = nullptr;
  return true;
}

}  // namespace dvk::cli
