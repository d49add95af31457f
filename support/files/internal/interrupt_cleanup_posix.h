// Removing the writer's temporary file when the program is interrupted
// (SIGHUP, SIGINT, SIGQUIT, SIGTERM), so that an interrupted run leaves no
// stray beside a name; the program then dies of the same signal. One file is
// in flight at a time: the program is single-threaded, and the signals are
// held back for the calling thread.
#pragma once

#include <signal.h>

namespace dvk::internal {

// Holds back the four interrupting signals while it lives; one that arrives
// meanwhile is delivered when it goes. What is done inside is one step to a
// signal: a file is never created without being recorded, nor renamed into
// place or removed while it is still recorded.
class interrupts_held_t {
 public:
  interrupts_held_t();
  ~interrupts_held_t();
  interrupts_held_t(interrupts_held_t const&) = delete;
  interrupts_held_t& operator=(interrupts_held_t const&) = delete;

 private:
  sigset_t saved_{};
};

// Records the file name in the folder dir (a descriptor, or AT_FDCWD) as the
// one an interrupt removes, and catches each interrupting signal that is not
// ignored (a run started under nohup keeps ignoring SIGHUP). Call it with the
// signals held, right after the file is created. dir stays open and name
// unchanged until forgetTemporary.
void recordTemporary(int dir, const char* name);

// Forgets the recorded file (it was renamed into place or removed) and gives
// the signals back the dispositions they had before recordTemporary. Call it
// with the signals held.
void forgetTemporary();

}  // namespace dvk::internal
