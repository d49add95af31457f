// The program's identity and its process-wide objects: the console, the root
// parser with the nine options, and the CRC cache. All are defined in
// program.cpp, in the order in which start-up must build them.
#pragma once

#include <iosfwd>
#include <string>

#include "cli/option.h"
#include "cli/parser.h"
#include "console/console.h"

namespace app {

// Identity.
extern const std::string programName;  // "tarvok", whatever name the program was invoked by
extern const std::string version;
extern const std::string years;
extern const std::string credits;
extern const std::string revision;
extern const std::string changeDate;
extern const std::string architecture;
extern const std::string platform;  // architecture + "/Linux" or "/Cygwin"

// The program name, " v", the version.
std::string title();
// The two banner lines and an empty line.
void printVersion(std::ostream& out);
// The six-line disclaimer, without a final line end.
extern const char* const warrantyText;

// The one console, attached to standard output by main.
extern dvk::con::Console console;

// The root parser and the nine options, declared in this order.
extern dvk::cli::parser_t rootParser;
extern dvk::cli::option_t optVerbose;
extern dvk::cli::option_t optQuiet;
extern dvk::cli::option_t optVersion;
extern dvk::cli::option_t optHelp;
extern dvk::cli::option_t optWarranty;
extern dvk::cli::option_t optDebug;
extern dvk::cli::option_t optSfv;
extern dvk::cli::option_t optSrr;
extern dvk::cli::option_t optExtract;

// Registers the options with the root parser in help order and sets the usage text.
void setupOptions();

}  // namespace app
