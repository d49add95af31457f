// Console extras of the Windows deliverable.
#include "console/console_extras.h"

#include <iomanip>
#include <iostream>
#include <type_traits>

#include "console/internal/stream_table.h"
#include "console/terminal.h"

namespace dvk::con {

static_assert(std::is_same_v<uint32_t, unsigned>, "the second setter forms are the first ones");

namespace {

void dumpLine(std::size_t number, const char* bytes, std::size_t length) {
  std::cout << std::setw(5) << number << ':' << length << ": ";
  std::cout.write(bytes, static_cast<std::streamsize>(length));
  std::cout << '\n';
}

// Writes an escape sequence to std::cout when the console may use them.
bool writeEscape(Console const& console, const char* sequence) {
  if (console.escapesOn == 0) return false;
  if (console.ansiCapable == 0) return false;
  std::cout << sequence;
  return true;
}

}  // namespace

bool fatal(std::function<void()> const& print) { return report(static_cast<unsigned>(level_t::fatal), print); }

bool warning(std::function<void()> const& print) { return report(static_cast<unsigned>(level_t::warning), print); }

bool isTerminal(std::ios const& stream) { return internal::onTerminal(stream); }

bool stubTrue() { return true; }
bool stubFalse() { return false; }

void dumpLines(std::vector<line_t> const& lines) {
  std::size_t number = 0;
  for (line_t const& line : lines) {
    dumpLine(++number, reinterpret_cast<const char*>(line.begin), static_cast<std::size_t>(line.end - line.begin));
  }
}

void dumpLineViews(std::vector<std::string_view> const& lines) {
  std::size_t number = 0;
  for (std::string_view line : lines) dumpLine(++number, line.data(), line.size());
}

Console& Console::setState(int value) {
  state = static_cast<uint32_t>(value);
  return *this;
}

// The extras' console interface is declared as it is: these members stay
// members, non-const, whatever they use of the object today.
// NOLINTBEGIN(readability-make-member-function-const, readability-convert-member-functions-to-static)
bool Console::attributesOff() { return writeEscape(*this, "\x1b[0;22m"); }
bool Console::highlightOff() { return writeEscape(*this, "\x1b[0;22m"); }
bool Console::highlightOn() { return writeEscape(*this, "\x1b[0;7m"); }
bool Console::stubTrue() { return true; }

bool Console::terminalSize(unsigned& columns, unsigned& rows) const { return platform::windowSize(columns, rows); }

bool Console::setTitle(const char* title) const {
  if (ansiCapable == 0) return false;
  std::cout << "\x1b]2;" << (title != nullptr ? title : "") << '\x07';
  return true;
}

bool Console::stubFalse() const { return false; }
// NOLINTEND(readability-make-member-function-const, readability-convert-member-functions-to-static)

}  // namespace dvk::con
