// Message lines, verbosity gating, the console and the standard-stream table.
#include "console/console.h"

#include <iostream>
#include <ostream>
#include <sstream>
#include <utility>

#include "console/console_text.h"
#include "console/internal/stream_table.h"
#include "console/terminal.h"
#include "text/text.h"

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

bool onTerminal(std::ios const& stream) {
  stream_t const* const entry = streamWithBuffer(stream.rdbuf());
  return entry != nullptr && entry->isTerminal;
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

void normal(std::function<void()> const& print) {
  if (verboseLevel != 0) print();
}

namespace {

// Puts a stream's buffer back however the code in between ends.
struct buffer_restore_t {
  std::ios& stream;
  std::streambuf* saved;
  ~buffer_restore_t() { stream.rdbuf(saved); }
};

// What print writes to std::cerr, collected instead of written.
std::string captureError(std::function<void()> const& print) {
  std::ostringstream captured;
  buffer_restore_t const restore{std::cerr, std::cerr.rdbuf(captured.rdbuf())};
  print();
  return captured.str();
}

// text escaped for a terminal (escapeControlBytes); with keepLineEnds the
// line feeds that join its lines stay.
std::string escapedText(std::string const& text, bool keepLineEnds) {
  if (!keepLineEnds) return escapeControlBytes(text);
  std::string shown;
  for (std::size_t begin = 0;;) {
    std::size_t const end = text.find('\n', begin);
    shown += escapeControlBytes(text.substr(begin, end - begin));
    if (end == std::string::npos) return shown;
    shown += '\n';
    begin = end + 1;
  }
}

// The message line. On a terminal its text is escaped: a name in it must not
// move the cursor or forge a line.
void writeMessage(unsigned level, bool keepLineEnds, std::function<void()> const& print) {
  if (isQuiet(level)) return;
  std::cerr << programName << ": " << levelName(level);
  if (internal::onTerminal(std::cerr)) {
    std::cerr << escapedText(captureError(print), keepLineEnds);
  } else {
    print();
  }
  std::cerr << '\n';
  std::cerr.flush();
}

}  // namespace

bool report(unsigned level, std::function<void()> const& print) {
  writeMessage(level, false, print);
  return level > static_cast<unsigned>(level_t::warning);
}

void report(unsigned level, std::string const& text) {
  report(level, [&text] { std::cerr << text; });
}

void reportLines(unsigned level, std::string const& text) {
  writeMessage(level, true, [&text] { std::cerr << text; });
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
  // Before the table is first read: it records the buffers this installs.
  platform::showTextOnConsoles();
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

std::string shownOn(std::ios const& stream, std::string const& text) {
  return internal::onTerminal(stream) ? escapeControlBytes(text) : text;
}

void printTerminalInfo(Console const& console, std::ostream& out) {
  out << "stdout ";
  if (internal::onTerminal(std::cout)) {
    out << "is a terminal;"
        << " ANSI capable:" << (console.ansiCapable != 0 ? "yes" : "no") << "\n";
  } else {
    out << "is redirected\n";
  }
  out << "\n";
}

}  // namespace dvk::con
