// Tests of the console extras: fatal and warning reports with a print
// function, stream terminal flags, escape and title writers, terminal size and
// the line dumps.
#include "console/console_extras.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "console/terminal.h"
#include "test_helpers.h"

namespace {

// Redirects a standard stream into a string for the test's lifetime. The table
// of standard streams is built first, so that it records the real buffers.
class capture_t : public dvk::test::capture_t {
 public:
  explicit capture_t(std::ostream& stream) : dvk::test::capture_t(afterTable(stream)) {}

 private:
  static std::ostream& afterTable(std::ostream& stream) {
    dvk::con::streams();
    return stream;
  }
};

class ConsoleExtras : public ::testing::Test {
 protected:
  void SetUp() override {
    dvk::con::setProgramName("tarvok");
    dvk::con::setQuiet(0);
  }
  void TearDown() override {
    dvk::con::setProgramName("");
    dvk::con::setQuiet(0);
  }
};

TEST_F(ConsoleExtras, FatalIsNeverHiddenAndReturnsTrue) {
  for (unsigned quiet : {0u, 3u, 7u}) {
    dvk::con::setQuiet(quiet);
    capture_t err(std::cerr);
    EXPECT_TRUE(dvk::con::fatal([] { std::cerr << "disk on fire"; }));
    EXPECT_EQ(err.text(), "tarvok: fatal: disk on fire\n") << "quiet " << quiet;
  }
}

TEST_F(ConsoleExtras, WarningWithPrintFunctionIsGatedAndReturnsFalse) {
  {
    dvk::con::setQuiet(1);
    capture_t err(std::cerr);
    EXPECT_FALSE(dvk::con::warning([] { std::cerr << "odd " << 42; }));
    EXPECT_EQ(err.text(), "tarvok: warning: odd 42\n");
  }
  {
    dvk::con::setQuiet(2);
    capture_t err(std::cerr);
    EXPECT_FALSE(dvk::con::warning([] { std::cerr << "hidden"; }));
    EXPECT_EQ(err.text(), "");
  }
  // The ready-text overload still resolves beside the new one.
  dvk::con::setQuiet(0);
  capture_t err(std::cerr);
  dvk::con::warning("plain text");
  EXPECT_EQ(err.text(), "tarvok: warning: plain text\n");
}

TEST(StreamTerminal, AnswersFromTheTableOfStandardStreams) {
  auto const& table = dvk::con::streams();
  ASSERT_EQ(table.size(), 4u);
  EXPECT_EQ(dvk::con::isTerminal(std::cout), table[1].isTerminal);
  EXPECT_EQ(dvk::con::isTerminal(std::cerr), dvk::con::isTerminal(std::clog));
  EXPECT_EQ(dvk::con::isTerminal(std::cout), dvk::con::platform::isTerminal(stdout));
  std::stringstream text;
  EXPECT_FALSE(dvk::con::isTerminal(text));
}

TEST(StreamTerminal, TheNullDeviceIsNoTerminal) {
  // A character device but no terminal (the Windows runtime's _isatty says yes).
  const char* nullDevice = "NUL";
  if (FILE* const probe = std::fopen("/dev/null", "r")) {
    std::fclose(probe);
    nullDevice = "/dev/null";
  }
  for (const char* mode : {"r", "w"}) {
    FILE* const device = std::fopen(nullDevice, mode);
    ASSERT_NE(device, nullptr) << nullDevice;
    EXPECT_FALSE(dvk::con::platform::isTerminal(device)) << nullDevice << " opened " << mode;
    std::fclose(device);
  }
}

TEST(Stubs, ReturnTheirConstants) {
  dvk::con::Console console;
  EXPECT_TRUE(dvk::con::stubTrue());
  EXPECT_FALSE(dvk::con::stubFalse());
  EXPECT_TRUE(console.stubTrue());
  EXPECT_FALSE(console.stubFalse());
}

TEST(EscapeWriters, WriteOnlyWithEscapesOnAndAnsiCapable) {
  std::ostringstream elsewhere;
  dvk::con::Console console;
  {
    capture_t out(std::cout);
    EXPECT_FALSE(console.attributesOff());  // neither flag
    console.attach(elsewhere);
    ASSERT_EQ(console.ansiCapable, 1);
    EXPECT_FALSE(console.attributesOff());
    EXPECT_FALSE(console.highlightOff());
    EXPECT_FALSE(console.highlightOn());
    EXPECT_EQ(out.text(), "");
  }
  console.escapesOn = 1;
  {
    capture_t out(std::cout);
    EXPECT_TRUE(console.attributesOff());
    EXPECT_TRUE(console.highlightOn());
    EXPECT_TRUE(console.highlightOff());
    EXPECT_EQ(out.text(), "\x1b[0;22m\x1b[0;7m\x1b[0;22m");
    EXPECT_EQ(elsewhere.str(), "");  // std::cout, not the attached stream
  }
  console.ansiCapable = 0;
  capture_t out(std::cout);
  EXPECT_FALSE(console.highlightOn());
  EXPECT_EQ(out.text(), "");
}

TEST(SetTitle, NeedsOnlyAnsiCapable) {
  dvk::con::Console console;
  {
    capture_t out(std::cout);
    EXPECT_FALSE(console.setTitle("before attach"));
    EXPECT_EQ(out.text(), "");
  }
  std::ostringstream elsewhere;
  console.attach(elsewhere);
  capture_t out(std::cout);
  EXPECT_TRUE(console.setTitle("tarvok run"));  // escapesOn is still clear
  EXPECT_EQ(out.text(), "\x1b]2;tarvok run\x07");
}

TEST(SetState, StoresTwoWhichAttachKeeps) {
  std::ostringstream elsewhere;
  dvk::con::Console console;
  EXPECT_EQ(&console.setState(2), &console);
  console.attach(elsewhere);
  EXPECT_EQ(console.state, 2u);
  console.setState(0).attach(elsewhere);
  EXPECT_EQ(console.state, 1u);
}

TEST(TerminalSize, FailsAndKeepsValuesWhenOutputIsRedirected) {
  dvk::con::Console console;
  unsigned columns = 1234, rows = 5678;
  const bool known = console.terminalSize(columns, rows);
  if (dvk::con::platform::isTerminal(stdout)) {
    // Run by hand in a terminal: a size comes back.
    EXPECT_TRUE(known);
  } else {
    EXPECT_FALSE(known);
    EXPECT_EQ(columns, 1234u);
    EXPECT_EQ(rows, 5678u);
  }
}

TEST(DumpLines, NumberLengthAndBytes) {
  const std::string text = "ab\n\nlast\xff";
  const std::vector<uint8_t> data(text.begin(), text.end());
  const std::string expected = "    1:2: ab\n    2:0: \n    3:5: last\xff\n";
  {
    capture_t out(std::cout);
    dvk::con::dumpLines(dvk::splitLines(data));
    EXPECT_EQ(out.text(), expected);
  }
  {
    const std::vector<std::string_view> views = {"ab", "", std::string_view("last\xff", 5)};
    capture_t out(std::cout);
    dvk::con::dumpLineViews(views);
    EXPECT_EQ(out.text(), expected);
  }
  capture_t out(std::cout);
  dvk::con::dumpLines({});
  dvk::con::dumpLineViews({});
  EXPECT_EQ(out.text(), "");
}

TEST(DumpLines, PadsWithTheStreamsFillCharacter) {
  const std::vector<std::string_view> views = {"x"};
  capture_t out(std::cout);
  const char oldFill = std::cout.fill('0');
  dvk::con::dumpLineViews(views);
  std::cout.fill(oldFill);
  EXPECT_EQ(out.text(), "00001:1: x\n");
}

}  // namespace
