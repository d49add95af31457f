// Message lines, verbosity gating, the console and the standard-stream table.
#include "console/console.h"

#include <iostream>
#include <ostream>
#include <utility>

#include "console/internal/stream_table.h"
#include "console/terminal.h"

namespace dvk::con {

uint32_t verboseLevel = 0;
uint32_t quietLevel = 0;
std::string programName;
Console* attached[4] = {nullptr, nullptr, nullptr, nullptr};

namespace {

stream_t entryFor(std::ios& stream, FILE* file) { return stream_t{platform::isTerminal(file), stream.rdbuf(), file}; }

}  // namespace

std::vector<stream_t>& streams() {
  // Built on first use (inside main), so the buffers recorded are the ones
  // left by the switch off stdio synchronisation done at start-up.
  static std::vector<stream_t> table{
      entryFor(std::cin, stdin),
      entryFor(std::cout, stdout),
      entryFor(std::cerr, stderr),
      entryFor(std::clog, stderr),
  };
  return table;
}

namespace internal {

stream_t const* streamWithBuffer(std::streambuf const* buf) {
  for (stream_t const& entry : streams()) {
    if (entry.buf == buf) return &entry;
  }
  return nullptr;
}

}  // namespace internal

std::string levelName(unsigned level) {
  switch (level) {
    case 0:
      return "trace: ";
    case 1:
      return "info: ";
    case 2:
      return "warning: ";
    case 3:
      return "error: ";
    case 4:
      return "fatal: ";
    default:
      return "undef: ";
  }
}

void setProgramName(std::string const& name) { programName = name; }
void setQuiet(unsigned q) { quietLevel = q; }
void setVerbose(unsigned v) { verboseLevel = v; }

bool isQuiet(unsigned level) {
  if (level == static_cast<unsigned>(level_t::fatal)) return false;
  return quietLevel >= level;
}

bool verboseBelow(unsigned level) { return verboseLevel < level; }

void verbose(unsigned level, std::function<void()> const& print) {
  if (verboseLevel >= level) print();
}

void normal(std::function<void()> print) {
  if (verboseLevel != 0) print();
}

bool report(unsigned level, std::function<void()> const& print) {
  if (!isQuiet(level)) {
    std::cerr << programName << ": " << levelName(level);
    print();
    std::cerr << '\n';
    std::cerr.flush();
  }
  return level > static_cast<unsigned>(level_t::warning);
}

void report(unsigned level, std::string const& text) {
  report(level, [&text] { std::cerr << text; });
}

bool error(std::function<void()> const& print) {
  std::function<void()> copy = print;
  return report(static_cast<unsigned>(level_t::error), copy);
}

void error(std::string const& text) { report(static_cast<unsigned>(level_t::error), text); }

void warning(std::string const& text) { report(static_cast<unsigned>(level_t::warning), text); }

Console::Console() = default;
Console::~Console() = default;

Console& Console::attach(std::ios& target) {
  stream = &target;
  initLocale();
  platform::prepareStandardStreams();
  std::vector<stream_t>& table = streams();
  // No early exit: cerr and clog share a buffer, and both slots are filled.
  for (std::size_t i = 0; i < table.size() && i < 4; ++i) {
    if (table[i].buf == target.rdbuf()) attached[i] = this;
  }
  ansiCapable = 1;
  state = state == 2 ? 2 : 1;
  return *this;
}

Console& Console::attach() { return attach(std::cout); }

void printTerminalInfo(Console const& console, std::ostream& out) {
  out << "stdout ";
  stream_t const* const entry = internal::streamWithBuffer(std::cout.rdbuf());
  if (entry != nullptr && entry->isTerminal) {
    out << "is a terminal;"
        << " ANSI capable:" << (console.ansiCapable != 0 ? "yes" : "no") << "\n";
  } else {
    out << "is redirected\n";
  }
  out << "\n";
}

}  // namespace dvk::con
