// Tests of message lines, verbosity gating, attach and the terminal report.
#include "console/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "console/terminal.h"

namespace con = dvk::con;

namespace {

// Saves and restores the process-wide console state around each test and
// captures std::cerr.
class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    con::streams();  // build the table before any buffer is swapped
    savedVerbose = con::verboseLevel;
    savedQuiet = con::quietLevel;
    savedName = con::programName;
    for (int i = 0; i < 4; ++i) savedAttached[i] = con::attached[i], con::attached[i] = nullptr;
    savedCerr = std::cerr.rdbuf(captured.rdbuf());
  }
  void TearDown() override {
    std::cerr.rdbuf(savedCerr);
    con::verboseLevel = savedVerbose;
    con::quietLevel = savedQuiet;
    con::programName = savedName;
    for (int i = 0; i < 4; ++i) con::attached[i] = savedAttached[i];
  }
  std::string takeErr() {
    std::string text = captured.str();
    captured.str("");
    return text;
  }

  std::ostringstream captured;

 private:
  std::streambuf* savedCerr = nullptr;
  uint32_t savedVerbose = 0;
  uint32_t savedQuiet = 0;
  std::string savedName;
  con::Console* savedAttached[4] = {};
};

TEST_F(ConsoleTest, MessageLinesAcrossQuietLevelsAndLevels) {
  struct Case {
    unsigned quiet;
    const char* expected;  // the lines of levels 0..5, in that order
  };
  const Case cases[] = {
      {0, "tarvok: info: m1\ntarvok: warning: m2\ntarvok: error: m3\ntarvok: fatal: m4\ntarvok: undef: m5\n"},
      {1, "tarvok: warning: m2\ntarvok: error: m3\ntarvok: fatal: m4\ntarvok: undef: m5\n"},
      {3, "tarvok: fatal: m4\ntarvok: undef: m5\n"},
      {7, "tarvok: fatal: m4\n"},
  };
  con::setProgramName("tarvok");
  for (Case const& c : cases) {
    con::setQuiet(c.quiet);
    // Both overloads must write the same bytes.
    for (unsigned level = 0; level <= 5; ++level) {
      std::string const text = "m" + std::to_string(level);
      EXPECT_EQ(con::report(level, [&] { std::cerr << text; }), level > 2) << "level " << level;
    }
    EXPECT_EQ(takeErr(), c.expected) << "Q=" << c.quiet << " (function overload)";
    for (unsigned level = 0; level <= 5; ++level) con::report(level, "m" + std::to_string(level));
    EXPECT_EQ(takeErr(), c.expected) << "Q=" << c.quiet << " (text overload)";
  }
}

TEST_F(ConsoleTest, ShortcutsUseTheirLevelsAndResults) {
  con::setProgramName("tarvok");
  con::setQuiet(0);
  EXPECT_TRUE(con::error([] { std::cerr << "bad " << 42; }));
  con::error(std::string("plain"));
  con::warning("careful");
  EXPECT_EQ(takeErr(), "tarvok: error: bad 42\ntarvok: error: plain\ntarvok: warning: careful\n");

  // Hidden lines still give the level's result.
  con::setQuiet(3);
  EXPECT_TRUE(con::error([] { std::cerr << "hidden"; }));
  con::setQuiet(2);
  EXPECT_FALSE(con::report(2, [] { std::cerr << "hidden"; }));
  EXPECT_EQ(takeErr(), "");

  EXPECT_EQ(con::levelName(999), "undef: ");
}

// Records what the buffer holds each time the stream is flushed.
class flush_log_t : public std::stringbuf {
 public:
  std::vector<std::string> flushes;

 protected:
  int sync() override {
    flushes.push_back(str());
    return 0;
  }
};

TEST_F(ConsoleTest, EachLineIsFlushedWhenComplete) {
  // Without unitbuf only the message line's own flush reaches the buffer.
  flush_log_t log;
  std::cerr.rdbuf(&log);
  std::ios_base::fmtflags const savedFlags = std::cerr.flags();
  std::cerr.unsetf(std::ios_base::unitbuf);
  con::setProgramName("tarvok");
  con::setQuiet(0);
  con::report(3, [] { std::cerr << "one"; });
  con::warning("two");
  con::setQuiet(3);
  con::error("hidden");
  std::cerr.flags(savedFlags);
  std::cerr.rdbuf(captured.rdbuf());
  EXPECT_EQ(log.flushes,
            (std::vector<std::string>{"tarvok: error: one\n", "tarvok: error: one\ntarvok: warning: two\n"}));
}

TEST_F(ConsoleTest, OnATerminalMessagesShowControlCharactersEscaped) {
  auto const writeAll = [] {
    con::error([] { std::cerr << "'a\x1b[2J\r\nb\x7f\xc3\xa9\xc2\x9b\x9b'"; });
    con::report(4, std::string("one\ntwo"));
    con::reportLines(4, "bad \x1b\n\nworse\t\xc2\x9d");
  };
  con::setProgramName("tarvok");
  con::setQuiet(0);
  // The table's error entry points at the capture, as if it were a terminal.
  con::stream_t& entry = con::streams()[2];
  con::stream_t const saved = entry;
  entry = con::stream_t{true, captured.rdbuf(), stderr};
  writeAll();
  std::string const onTerminal = takeErr();
  std::string const shown = con::shownOn(std::cerr, "\x1b\t\xc2\x9d\xff");
  entry = saved;
  writeAll();

  // Printable UTF-8 passes, C1 controls and bytes that are no UTF-8 do not;
  // the parser's own line ends stay line ends.
  EXPECT_EQ(onTerminal,
            "tarvok: error: 'a\\x1b[2J\\x0d\\x0ab\\x7f\xc3\xa9\\xc2\\x9b\\x9b'\n"
            "tarvok: fatal: one\\x0atwo\n"
            "tarvok: fatal: bad \\x1b\n\nworse\\x09\\xc2\\x9d\n");
  EXPECT_EQ(shown, "\\x1b\\x09\\xc2\\x9d\\xff");
  EXPECT_EQ(takeErr(),
            "tarvok: error: 'a\x1b[2J\r\nb\x7f\xc3\xa9\xc2\x9b\x9b'\n"
            "tarvok: fatal: one\ntwo\n"
            "tarvok: fatal: bad \x1b\n\nworse\t\xc2\x9d\n");
  EXPECT_EQ(con::shownOn(std::cerr, "\x1b\t\xc2\x9d\xff"), "\x1b\t\xc2\x9d\xff");
}

TEST_F(ConsoleTest, EmptyProgramNameStartsLineWithColon) {
  con::setProgramName("");
  con::setQuiet(0);
  con::error("x");
  EXPECT_EQ(takeErr(), ": error: x\n");
}

TEST_F(ConsoleTest, VerbosityGating) {
  struct Case {
    unsigned verbose;
    bool normalRuns, verbose1Runs, verbose2Runs, below2;
  };
  const Case cases[] = {
      {0, false, false, false, true},
      {1, true, true, false, true},
      {2, true, true, true, false},
      {5, true, true, true, false},
  };
  for (Case const& c : cases) {
    con::setVerbose(c.verbose);
    bool normalRan = false, v1Ran = false, v2Ran = false;
    con::normal([&] { normalRan = true; });
    con::verbose(1, [&] { v1Ran = true; });
    con::verbose(2, [&] { v2Ran = true; });
    EXPECT_EQ(normalRan, c.normalRuns) << "V=" << c.verbose;
    EXPECT_EQ(v1Ran, c.verbose1Runs) << "V=" << c.verbose;
    EXPECT_EQ(v2Ran, c.verbose2Runs) << "V=" << c.verbose;
    EXPECT_EQ(con::verboseBelow(2), c.below2) << "V=" << c.verbose;
  }
  EXPECT_EQ(takeErr(), "");
}

TEST_F(ConsoleTest, StreamTableOrderAndSharedErrorBuffer) {
  std::vector<con::stream_t> const& table = con::streams();
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(table[0].file, stdin);
  EXPECT_EQ(table[1].file, stdout);
  EXPECT_EQ(table[2].file, stderr);
  EXPECT_EQ(table[3].file, stderr);
  EXPECT_EQ(table[1].buf, std::cout.rdbuf());
  EXPECT_EQ(table[2].buf, table[3].buf);
  EXPECT_EQ(table[2].isTerminal, table[3].isTerminal);
}

TEST(Terminal, FilesAndNoFileAreNeverTerminals) {
  // True wherever the tests run: at a terminal, or with output to a pipe or file.
  EXPECT_FALSE(dvk::con::platform::isTerminal(nullptr));
  std::FILE* const regular = std::tmpfile();
  ASSERT_NE(regular, nullptr);
  EXPECT_FALSE(dvk::con::platform::isTerminal(regular));
  std::fclose(regular);
  // The table records what the platform says of each standard stream.
  for (con::stream_t const& entry : con::streams()) {
    EXPECT_EQ(entry.isTerminal, dvk::con::platform::isTerminal(entry.file));
  }
}

TEST_F(ConsoleTest, PrintTerminalInfo) {
  con::stream_t& out = con::streams()[1];
  bool const savedFlag = out.isTerminal;

  con::Console console;
  std::ostringstream report;
  out.isTerminal = false;
  con::printTerminalInfo(console, report);
  EXPECT_EQ(report.str(), "stdout is redirected\n\n");

  out.isTerminal = true;
  report.str("");
  con::printTerminalInfo(console, report);
  EXPECT_EQ(report.str(), "stdout is a terminal; ANSI capable:no\n\n");

  console.attach();
  report.str("");
  con::printTerminalInfo(console, report);
  EXPECT_EQ(report.str(), "stdout is a terminal; ANSI capable:yes\n\n");

  // A std::cout whose buffer is not in the table counts as redirected.
  std::ostringstream elsewhere;
  std::streambuf* const coutBuf = std::cout.rdbuf(elsewhere.rdbuf());
  report.str("");
  con::printTerminalInfo(console, report);
  std::cout.rdbuf(coutBuf);
  EXPECT_EQ(report.str(), "stdout is redirected\n\n");

  out.isTerminal = savedFlag;
}

TEST_F(ConsoleTest, NewConsoleFields) {
  con::Console console;
  EXPECT_EQ(console.state, 0u);
  EXPECT_EQ(console.ansiCapable, 0u);
  EXPECT_EQ(console.escapesOn, 0u);
  EXPECT_EQ(console.stream, nullptr);
  EXPECT_EQ(console.spareWordA, 0xFFFFu);
  EXPECT_EQ(console.spareWordB, 0xFFFFu);
}

TEST_F(ConsoleTest, AttachToStandardOutput) {
  con::Console console;
  EXPECT_EQ(&console.attach(), &console);
  EXPECT_EQ(console.stream, &std::cout);
  EXPECT_EQ(console.state, 1u);
  EXPECT_EQ(console.ansiCapable, 1u);
  EXPECT_EQ(con::attached[0], nullptr);
  EXPECT_EQ(con::attached[1], &console);
  EXPECT_EQ(con::attached[2], nullptr);
  EXPECT_EQ(con::attached[3], nullptr);
}

TEST_F(ConsoleTest, AttachToEitherErrorStreamFillsBothSlots) {
  std::cerr.rdbuf(con::streams()[2].buf);  // undo the capture for this lookup
  con::Console console;
  console.attach(std::clog);
  std::cerr.rdbuf(captured.rdbuf());
  EXPECT_EQ(con::attached[1], nullptr);
  EXPECT_EQ(con::attached[2], &console);
  EXPECT_EQ(con::attached[3], &console);
}

TEST_F(ConsoleTest, AttachToForeignStreamAndAgain) {
  con::Console console;
  std::stringstream foreign;
  console.attach(foreign);
  EXPECT_EQ(console.stream, &foreign);
  EXPECT_EQ(console.ansiCapable, 1u);
  EXPECT_EQ(console.state, 1u);
  for (con::Console* slot : con::attached) EXPECT_EQ(slot, nullptr);

  console.attach();
  EXPECT_EQ(console.state, 1u);
  EXPECT_EQ(console.stream, &std::cout);

  console.state = 2;  // as the extras' setState stores it
  console.attach(foreign);
  EXPECT_EQ(console.state, 2u);
}

}  // namespace
