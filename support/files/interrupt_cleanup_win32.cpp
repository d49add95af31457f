// Removes the writer's temporary file on Ctrl+C, Ctrl+Break or a closing
// console window, which end the process on a thread of their own: the
// console control handler marks the file for deletion by its handle, never
// by its path (which could lead elsewhere by then), and the process then
// ends as it would have.
#include <windows.h>

#include "files/internal/interrupt_cleanup.h"
#include "files/internal/os_handle_win32.h"

namespace {

// The writer holds the lock while it creates and records a temporary, while
// it moves or removes it and forgets it, and while it rewrites a file in
// place; the handler takes it too, so it never sees a file that is not there,
// misses one that is, or ends the process in the middle of a rewrite. Plain
// data: nothing to build or destroy.
SRWLOCK inFlightLock = SRWLOCK_INIT;
HANDLE inFlight = INVALID_HANDLE_VALUE;
int holds = 0;

BOOL WINAPI removeInFlight(DWORD /*event*/) {
  // Never given back: the process is ending, and no temporary may be made
  // or moved after this one is gone.
  AcquireSRWLockExclusive(&inFlightLock);
  if (inFlight != INVALID_HANDLE_VALUE) {
    // Gone when the ending process closes the last handle to it.
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(inFlight, FileDispositionInfo, &remove, sizeof remove);
  }
  // The default handler then ends the process as it would have.
  return FALSE;
}

void watchForInterrupts() {
  static bool const installed = SetConsoleCtrlHandler(removeInFlight, TRUE) != 0;
  static_cast<void>(installed);
}

}  // namespace

namespace dvk::internal {

interrupts_held_t::interrupts_held_t() {
  if (holds++ > 0) return;
  watchForInterrupts();
  AcquireSRWLockExclusive(&inFlightLock);
}

interrupts_held_t::~interrupts_held_t() {
  if (--holds > 0) return;
  ReleaseSRWLockExclusive(&inFlightLock);
}

void watchInterrupts() {}

void unwatchInterrupts() {}

void recordTemporary(os_handle_t /*folder*/, const char* /*name*/, os_handle_t file) { inFlight = asHandle(file); }

void forgetTemporary() { inFlight = INVALID_HANDLE_VALUE; }

}  // namespace dvk::internal
