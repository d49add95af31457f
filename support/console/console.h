// Console output: message levels on standard error, verbosity gating of
// standard output, the console object and the table of standard streams.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <ios>
#include <streambuf>
#include <string>
#include <vector>

namespace dvk::con {

// Message levels; passed around as unsigned integers, any value accepted.
enum class level_t : unsigned { trace = 0, info = 1, warning = 2, error = 3, fatal = 4 };

// Process-wide state, set once by the application after the command line is parsed.
extern uint32_t verboseLevel;    // V: gates normal (>= 1) and detailed output
extern uint32_t quietLevel;      // Q: hides messages of level L < fatal when Q >= L
extern std::string programName;  // printed at the start of every message line

// One standard stream as it stood when the table was built.
struct stream_t {
  bool isTerminal;
  std::streambuf* buf;
  FILE* file;
};

class Console;

// The four standard streams: cin, cout, cerr, clog (in this order). Built on
// first use, which is inside main and so after the application has switched
// the streams off stdio synchronisation (that switch replaces their buffers).
std::vector<stream_t>& streams();

// Parallel to streams(): the console attached to each stream, null when none.
extern Console* attached[4];

// "trace: ", "info: ", "warning: ", "error: ", "fatal: ", else "undef: ".
std::string levelName(unsigned level);
void setProgramName(std::string const& name);
void setQuiet(unsigned q);
void setVerbose(unsigned v);
// False for fatal (4); otherwise quietLevel >= level.
bool isQuiet(unsigned level);
// verboseLevel < level.
bool verboseBelow(unsigned level);
// Runs print when verboseLevel >= level.
void verbose(unsigned level, std::function<void()> const& print);
// Runs print when verboseLevel != 0.
void normal(std::function<void()> const& print);
// A message line on std::cerr: programName, ": ", levelName(level), the text
// print() writes, a line end, flushed; nothing when isQuiet(level).
// Returns level > 2 whether or not the line was shown.
// When standard error is a terminal, the text is shown as shownOn gives it
// (control characters, bidirectional controls and bytes that are no UTF-8
// escaped): it is made of the program's words and of names from outside, and
// a name must not move the cursor, forge a line, set the window title or
// reorder what is shown.
bool report(unsigned level, std::function<void()> const& print);
void report(unsigned level, std::string const& text);
// The same line for a text of several lines joined by "\n" (the parser's
// errors): on a terminal each line is shown on its own, the line ends kept.
void reportLines(unsigned level, std::string const& text);
bool error(std::function<void()> const& print);
void error(std::string const& text);
void warning(std::string const& text);
// The Linux deliverable adopts the user's locale (setlocale(LC_ALL, "")); the
// Windows deliverable keeps the classic one.
void initLocale();

class Console {
 public:
  Console();
  ~Console();
  Console(Console const&) = delete;
  Console& operator=(Console const&) = delete;

  // Remembers the stream, registers this console in `attached` for every
  // table entry sharing its buffer, marks it ANSI capable and attached.
  Console& attach(std::ios& target);
  Console& attach();  // std::cout

#ifdef TARVOK_EXTRAS
  // Extras carried by the Windows deliverable only (console_extras.cpp).
  Console& setState(int value);
  bool attributesOff();  // ESC "[0;22m" when escapesOn and ansiCapable
  bool highlightOff();   // the same sequence
  bool highlightOn();    // ESC "[0;7m" when escapesOn and ansiCapable
  bool stubTrue();
  bool terminalSize(unsigned& columns, unsigned& rows) const;
  bool setTitle(const char* title) const;
  bool stubFalse() const;
#endif

  uint32_t state = 0;  // 0 not attached, 1 attached, 2 kept by attach
  uint8_t escapesOn = 0;
  uint8_t ansiCapable = 0;
  uint8_t spareFlag = 0;
  std::wstring spareText;
  std::ios* stream = nullptr;
  uint32_t spareWordA = 0xFFFF;
  uint32_t spareWordB = 0xFFFF;
};

// text as it is to be written to stream: where the stream's entry in
// streams() (looked up by its current buffer) is a terminal, as
// dvk::escapeControlBytes gives it (every C0, DEL and C1 control character,
// every bidirectional control and every byte that is no UTF-8 as "\xNN" per
// byte, so what the terminal gets is printable UTF-8); anywhere else, byte for
// byte.
std::string shownOn(std::ios const& stream, std::string const& text);

// "stdout is a terminal; ANSI capable:yes\n\n" or "stdout is redirected\n\n".
void printTerminalInfo(Console const& console, std::ostream& out);

}  // namespace dvk::con
