// Removes the writer's temporary file on a signal that would end the program,
// then lets the signal do what it would have done (as git's tempfile.c does).
// The handler calls only async-signal-safe functions: unlinkat, sigaction,
// raise.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "files/internal/interrupt_cleanup.h"

namespace {

// Every catchable signal whose default action ends the process and that
// another process or a limit may send during a write: what ends a run from a
// terminal or a supervisor, timers and limits, a closed pipe, the user
// signals. SIGKILL and SIGSTOP cannot be caught; the faults (SIGSEGV, SIGBUS,
// SIGILL, SIGFPE, SIGABRT) come from the program itself. SIGXFSZ is ignored
// instead, so that a write past the size limit fails as a write.
constexpr int ending[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGXCPU,
                          SIGVTALRM, SIGPROF, SIGPIPE, SIGIO,   SIGPWR,  SIGSYS,  SIGTRAP, SIGSTKFLT};

// Written only while the signals are held, so the handler never sees them
// half-changed; atomics that are lock-free, as a handler may touch.
std::atomic<bool> armed{false};
std::atomic<int> recordedFolder{AT_FDCWD};
std::atomic<const char*> recordedName{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free &&
                  std::atomic<const char*>::is_always_lock_free,
              "a signal handler may touch only lock-free atomics");

// The dispositions before the first watch, by signal number, and which of
// them it replaced.
struct sigaction previous[NSIG];
bool caught[NSIG];
struct sigaction previousSizeLimit;
bool sizeLimitIgnored = false;

int holds = 0;
sigset_t heldFrom;
int watches = 0;

sigset_t endingSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int const number : ending) sigaddset(&set, number);
  return set;
}

bool ignored(struct sigaction const& action) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

}  // namespace

extern "C" {
static void onEndingSignal(int number) {
  // Disarmed once removed: should an earlier handler let the program go on,
  // the name may soon be another's.
  if (armed.exchange(false)) ::unlinkat(recordedFolder.load(), recordedName.load(), 0);
  ::sigaction(number, &previous[number], nullptr);
  // The signal is held while this handler runs: raised again, it is
  // delivered with its earlier disposition (for the program: death by it)
  // as soon as the handler returns.
  ::raise(number);
}
}

namespace dvk::internal {

interrupts_held_t::interrupts_held_t() {
  if (holds++ > 0) return;
  sigset_t const set = endingSet();
  ::pthread_sigmask(SIG_BLOCK, &set, &heldFrom);
}

interrupts_held_t::~interrupts_held_t() {
  if (--holds > 0) return;
  ::pthread_sigmask(SIG_SETMASK, &heldFrom, nullptr);
}

void watchInterrupts() {
  if (watches++ > 0) return;
  // Held while the dispositions change, so that no handler runs half-set.
  interrupts_held_t const held;
  struct sigaction handler {};
  handler.sa_handler = onEndingSignal;
  // One at a time: a second signal waits until the first is handled.
  handler.sa_mask = endingSet();
  for (int const number : ending) {
    // One call replaces the disposition and tells the old one; an ignored
    // signal gets it back at once.
    caught[number] = ::sigaction(number, &handler, &previous[number]) == 0;
    if (caught[number] && ignored(previous[number])) {
      ::sigaction(number, &previous[number], nullptr);
      caught[number] = false;
    }
  }
}

void unwatchInterrupts() {
  if (--watches > 0) return;
  interrupts_held_t const held;
  for (int const number : ending) {
    if (caught[number]) ::sigaction(number, &previous[number], nullptr);
    caught[number] = false;
  }
}

void recordTemporary(os_handle_t folder, const char* name, os_handle_t /*file*/) {
  watchInterrupts();
  recordedFolder.store(static_cast<int>(folder));
  recordedName.store(name);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sizeLimitIgnored = ::sigaction(SIGXFSZ, &ignore, &previousSizeLimit) == 0;
  armed.store(true);
}

void forgetTemporary() {
  armed.store(false);
  if (sizeLimitIgnored) ::sigaction(SIGXFSZ, &previousSizeLimit, nullptr);
  sizeLimitIgnored = false;
  recordedName.store(nullptr);
  unwatchInterrupts();
}

}  // namespace dvk::internal
