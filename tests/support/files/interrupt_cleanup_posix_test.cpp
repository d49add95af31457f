// The writer's cleanup on a signal: the recorded file is removed by each
// signal that would end the program, which then does what it would have done;
// a signal held back waits for the end of the step; an ignored one stays
// ignored; a write past the file size limit fails instead of ending it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "files/internal/interrupt_cleanup.h"
#include "test_helpers.h"

namespace {

namespace fs = std::filesystem;
using dvk::internal::forgetTemporary;
using dvk::internal::interrupts_held_t;
using dvk::internal::noHandle;
using dvk::internal::recordTemporary;
using dvk::internal::unwatchInterrupts;
using dvk::internal::watchInterrupts;

int const ending[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU,
                      SIGVTALRM, SIGPROF, SIGPIPE, SIGIO,   SIGPWR,  SIGSYS,  SIGTRAP, SIGSTKFLT};

// In a death test's child: every signal as a program gets it from a
// terminal, no core file, and an alarm that ends a child which would wait
// for good (a handler that never lets its signal end the program), so that
// such a fault fails the test within seconds.
void asAFreshProgram() {
  for (int const number : ending) ::signal(number, SIG_DFL);
  ::signal(SIGXFSZ, SIG_DFL);
  rlimit const none{0, 0};
  ::setrlimit(RLIMIT_CORE, &none);
  ::alarm(20);
}

void record(int dir, const char* name) {
  interrupts_held_t const held;
  recordTemporary(dir, name, noHandle);
}

void forget() {
  interrupts_held_t const held;
  forgetTemporary();
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

TEST_F(InterruptCleanupDeathTest, EachEndingSignalRemovesTheFileAndKillsWithItsSignal) {
  for (int const number : ending) {
    SCOPED_TRACE(::strsignal(number));
    scratch_.write("temporary", "bytes");
    EXPECT_EXIT(
        {
          asAFreshProgram();
          record(dir_, "temporary");
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
          recordTemporary(dir_, "temporary", noHandle);
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
        record(dir_, "temporary");
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

TEST_F(InterruptCleanupDeathTest, HoldsNestAndTheSignalWaitsForTheLast) {
  EXPECT_EXIT(
      {
        asAFreshProgram();
        {
          interrupts_held_t const outer;
          {
            interrupts_held_t const inner;
            ::raise(SIGUSR1);
          }
          // Still held by the outer hold: waiting, not delivered.
          sigset_t pending;
          ::sigpending(&pending);
          if (sigismember(&pending, SIGUSR1) != 1) std::_Exit(4);
        }
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGUSR1), "");
}

TEST_F(InterruptCleanupDeathTest, AnIgnoredSignalStaysIgnored) {
  // As under nohup: the run goes on, and so does its file.
  EXPECT_EXIT(
      {
        asAFreshProgram();
        ::signal(SIGHUP, SIG_IGN);
        record(dir_, "temporary");
        ::raise(SIGHUP);
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_TRUE(left());
}

TEST_F(InterruptCleanupDeathTest, TheFileSizeLimitFailsAWriteWhileAFileIsRecorded) {
  // SIGXFSZ would end the program with the file left; ignored, the write
  // fails with EFBIG and the writer removes the file itself. Afterwards it
  // does what it did before.
  EXPECT_EXIT(
      {
        asAFreshProgram();
        record(dir_, "temporary");
        ::raise(SIGXFSZ);
        forget();
        struct sigaction now {};
        ::sigaction(SIGXFSZ, nullptr, &now);
        std::_Exit(now.sa_handler == SIG_DFL ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_TRUE(left());
}

volatile sig_atomic_t handled = 0;
void noteSignal(int number) { handled = number; }

// Restores a signal's disposition when it goes.
class disposition_t {
 public:
  disposition_t(int number, void (*handler)(int)) : number_(number) {
    ::sigaction(number, nullptr, &saved_);
    ::signal(number, handler);
  }
  ~disposition_t() { ::sigaction(number_, &saved_, nullptr); }
  disposition_t(disposition_t const&) = delete;
  disposition_t& operator=(disposition_t const&) = delete;

 private:
  int number_;
  struct sigaction saved_ {};
};

TEST_F(InterruptCleanupDeathTest, AnEarlierHandlerRunsAfterTheRemovalAndComesBack) {
  disposition_t const term(SIGTERM, noteSignal);
  handled = 0;
  record(dir_, "temporary");
  ::raise(SIGTERM);
  EXPECT_FALSE(left());
  EXPECT_EQ(handled, SIGTERM);
  forget();
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, &noteSignal);
}

TEST_F(InterruptCleanupDeathTest, OnceRemovedTheNameIsNoLongerTheWritersToRemove) {
  // The program goes on after the first signal (its own handler returns),
  // and another process soon takes the free name: a second signal must
  // leave that file alone.
  disposition_t const term(SIGTERM, noteSignal);
  disposition_t const interrupt(SIGINT, noteSignal);
  record(dir_, "temporary");
  ::raise(SIGTERM);
  EXPECT_FALSE(left());
  scratch_.write("temporary", "another process's file");
  ::raise(SIGINT);
  EXPECT_EQ(handled, SIGINT);
  EXPECT_TRUE(left());
  forget();
}

TEST_F(InterruptCleanupDeathTest, ASignalBetweenWatchedWritesActsAsBeforeAndRemovesNothing) {
  // The handlers stay from one write to the next; between them the name
  // holds a file renamed into place.
  EXPECT_EXIT(
      {
        asAFreshProgram();
        watchInterrupts();
        record(dir_, "temporary");
        forget();
        ::raise(SIGTERM);
        std::_Exit(0);
      },
      ::testing::KilledBySignal(SIGTERM), "");
  EXPECT_TRUE(left());
}

TEST_F(InterruptCleanupDeathTest, WatchedWritesGiveTheDispositionsBackWhenTheLastWatchGoes) {
  disposition_t const term(SIGTERM, noteSignal);
  watchInterrupts();
  watchInterrupts();
  record(dir_, "temporary");
  forget();
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_NE(now.sa_handler, &noteSignal);  // still watched
  unwatchInterrupts();
  unwatchInterrupts();
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, &noteSignal);
}

}  // namespace
