# Some x86-64 kernels are built without 32-bit program support, so the 32-bit
# build's tests could not run there. On such a host the tests run under
# qemu-i386 (Debian's qemu-user) instead, as they would under any emulator.
file(WRITE ${CMAKE_BINARY_DIR}/i386-runs/runs.cpp "int main() { return 0; }\n")
try_run(tarvok_i386_runs tarvok_i386_builds
  ${CMAKE_BINARY_DIR}/i386-runs ${CMAKE_BINARY_DIR}/i386-runs/runs.cpp)
if(NOT tarvok_i386_builds)
  message(FATAL_ERROR "no 32-bit program can be built: is g++-multilib installed?")
endif()
if(NOT tarvok_i386_runs STREQUAL "0")
  find_program(TARVOK_QEMU_I386 qemu-i386)
  if(NOT TARVOK_QEMU_I386)
    message(FATAL_ERROR "this kernel does not run 32-bit programs and qemu-i386 (qemu-user) is missing")
  endif()
  message(STATUS "32-bit programs do not run here: tests run under ${TARVOK_QEMU_I386}")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVOK_QEMU_I386})
endif()
