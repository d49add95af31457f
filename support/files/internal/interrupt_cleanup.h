// Removing the writer's temporary file when the program is interrupted, so
// that an interrupted run leaves no stray beside a name; the program then
// ends as the interrupt would have ended it. One file is in flight at a time:
// the program writes one file at a time, on one thread.
// interrupt_cleanup_posix.cpp: every catchable signal whose default action
// ends the process; interrupt_cleanup_win32.cpp: Ctrl+C, Ctrl+Break and the
// closing console window, which end the process on a thread of their own.
#pragma once

#include "files/internal/os_handle.h"

namespace dvk::internal {

// Holds interrupts back while it lives; one that arrives meanwhile takes
// effect when the last hold goes (holds nest). What is done inside is one
// step to an interrupt: a file is never created without being recorded, nor
// renamed into place or removed while it is still recorded, and a file
// rewritten in place is whole when the interrupt ends the program.
class interrupts_held_t {
 public:
  interrupts_held_t();
  ~interrupts_held_t();
  interrupts_held_t(interrupts_held_t const&) = delete;
  interrupts_held_t& operator=(interrupts_held_t const&) = delete;
};

// While watched, the cleanup stays installed from one recorded file to the
// next: on POSIX the handlers of the signals, installed and given back once
// rather than at every write; watches nest, and recordTemporary watches
// until forgetTemporary. On Windows the console handler is installed once
// for the process anyway.
void watchInterrupts();
void unwatchInterrupts();

// Records the temporary file for an interrupt to remove: on POSIX the entry
// name of the folder folder (a descriptor, or AT_FDCWD), on Windows the file
// itself through file, a handle that may delete it. Call it with interrupts
// held, right after the file is created; folder, name and file stay as they
// are until forgetTemporary. On POSIX it also catches each such signal that
// is not ignored (a run started under nohup keeps ignoring SIGHUP), and
// ignores SIGXFSZ, so that a write past the file size limit fails as a
// write instead of ending the program.
void recordTemporary(os_handle_t folder, const char* name, os_handle_t file);

// Forgets the recorded file (it was renamed into place or removed) and, on
// POSIX, gives the signals back the dispositions they had before
// recordTemporary, unless they stay watched. Call it with interrupts held.
void forgetTemporary();

}  // namespace dvk::internal
