// The writer's cleanup on an interrupt: the recorded file is removed by each
// interrupting signal, which then does what it would have done; a signal held
// back waits for the end of the step; an ignored one stays ignored.
#include "files/internal/interrupt_cleanup_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using dvk::internal::forgetTemporary;
using dvk::internal::interrupts_held_t;
using dvk::internal::recordTemporary;

int const interrupts[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// In a death test's child: every signal as a program gets it from a
// terminal, and no core file for SIGQUIT.
void asAFreshProgram() {
  for (int const number : interrupts) ::signal(number, SIG_DFL);
  rlimit const none{0, 0};
  ::setrlimit(RLIMIT_CORE, &none);
}

// A scratch folder, open as a descriptor, holding the file "temporary".
class InterruptCleanupDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.dir().empty());
    dir_ = ::open(scratch_.dir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dir_, 0);
    scratch_.write("temporary", "bytes");
  }
  void TearDown() override { ::close(dir_); }
  bool left() const { return fs::exists(scratch_.dir() / "temporary"); }

  dvk::test::scratch_dir_t scratch_{"tarvok-interrupt-"};
  int dir_ = -1;
};

TEST_F(InterruptCleanupDeathTest, EachInterruptRemovesTheFileAndKillsWithItsSignal) {
  for (int const number : interrupts) {
    SCOPED_TRACE(::strsignal(number));
    scratch_.write("temporary", "bytes");
    EXPECT_EXIT(
        {
          asAFreshProgram();
          {
            interrupts_held_t const held;
            recordTemporary(dir_, "temporary");
          }
          ::raise(number);
          std::_Exit(0);
        },
        ::testing::KilledBySignal(number), "");
    EXPECT_FALSE(left());
  }
}

TEST_F(InterruptCleanupDeathTest, ASignalHeldBeforeTheRecordStillRemovesTheFile) {
  EXPECT_EXIT(
      {
        asAFreshProgram();
        {
          interrupts_held_t const held;
          ::raise(SIGTERM);
          recordTemporary(dir_, "temporary");
        }
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_FALSE(left());
}

TEST_F(InterruptCleanupDeathTest, ASignalHeldWhileTheFileIsForgottenRemovesNothing) {
  // Forgotten as after the rename: the name now holds a file that an
  // interrupt must not remove.
  EXPECT_EXIT(
      {
        asAFreshProgram();
        {
          interrupts_held_t const held;
          recordTemporary(dir_, "temporary");
        }
        {
          interrupts_held_t const held;
          ::raise(SIGINT);
          forgetTemporary();
        }
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
  EXPECT_TRUE(left());
}

TEST_F(InterruptCleanupDeathTest, AnIgnoredSignalStaysIgnored) {
  // As under nohup: the run goes on, and so does its file.
  EXPECT_EXIT(
      {
        asAFreshProgram();
        ::signal(SIGHUP, SIG_IGN);
        {
          interrupts_held_t const held;
          recordTemporary(dir_, "temporary");
        }
        ::raise(SIGHUP);
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_TRUE(left());
}

volatile sig_atomic_t handled = 0;
void noteSignal(int /*number*/) { handled = 1; }

TEST_F(InterruptCleanupDeathTest, AnEarlierHandlerRunsAfterTheRemovalAndComesBack) {
  struct sigaction saved {};
  ::sigaction(SIGTERM, nullptr, &saved);
  ::signal(SIGTERM, noteSignal);
  handled = 0;
  {
    interrupts_held_t const held;
    recordTemporary(dir_, "temporary");
  }
  ::raise(SIGTERM);
  EXPECT_FALSE(left());
  EXPECT_EQ(handled, 1);
  {
    interrupts_held_t const held;
    forgetTemporary();
  }
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, &noteSignal);
  ::sigaction(SIGTERM, &saved, nullptr);
}

}  // namespace
