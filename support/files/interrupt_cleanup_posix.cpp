// Removes the writer's temporary file on an interrupting signal, then lets
// the signal do what it would have done (as git's tempfile.c does). The
// handler calls only async-signal-safe functions: unlinkat, sigaction, raise.
#include "files/internal/interrupt_cleanup_posix.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>

namespace {

// What ends a run from a terminal or a supervisor. SIGKILL cannot be caught.
constexpr int interrupts[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
constexpr std::size_t interruptCount = sizeof interrupts / sizeof interrupts[0];

// Written only while the signals are held, so the handler never sees them
// half-changed; atomics that are lock-free, as a handler may touch.
std::atomic<bool> armed{false};
std::atomic<int> recordedDir{AT_FDCWD};
std::atomic<const char*> recordedName{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
                  std::atomic<const char*>::is_always_lock_free,
              "a signal handler may touch only lock-free atomics");

// The dispositions before recordTemporary, and which of them it replaced.
struct sigaction previous[interruptCount];
bool caught[interruptCount];

sigset_t interruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int const number : interrupts) sigaddset(&set, number);
  return set;
}

bool ignored(struct sigaction const& action) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

}  // namespace

extern "C" {
static void onInterrupt(int number) {
  // Disarmed once removed: should an earlier handler let the program go on,
  // the name may soon be another's.
  if (armed.exchange(false)) ::unlinkat(recordedDir.load(), recordedName.load(), 0);
  for (std::size_t i = 0; i < interruptCount; ++i) {
    if (interrupts[i] == number) ::sigaction(number, &previous[i], nullptr);
  }
  // The signal is held while this handler runs: raised again, it is
  // delivered with its earlier disposition (for the program: death by it)
  // as soon as the handler returns.
  ::raise(number);
}
}

namespace dvk::internal {

interrupts_held_t::interrupts_held_t() {
  sigset_t const set = interruptSet();
  ::pthread_sigmask(SIG_BLOCK, &set, &saved_);
}

interrupts_held_t::~interrupts_held_t() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

void recordTemporary(int dir, const char* name) {
  recordedDir.store(dir);
  recordedName.store(name);
  struct sigaction handler {};
  handler.sa_handler = onInterrupt;
  // One interrupt at a time: a second one waits until the first is handled.
  handler.sa_mask = interruptSet();
  for (std::size_t i = 0; i < interruptCount; ++i) {
    caught[i] = ::sigaction(interrupts[i], nullptr, &previous[i]) == 0 && !ignored(previous[i]) &&
                ::sigaction(interrupts[i], &handler, nullptr) == 0;
  }
  armed.store(true);
}

void forgetTemporary() {
  armed.store(false);
  for (std::size_t i = 0; i < interruptCount; ++i) {
    if (caught[i]) ::sigaction(interrupts[i], &previous[i], nullptr);
    caught[i] = false;
  }
  recordedName.store(nullptr);
}

}  // namespace dvk::internal
