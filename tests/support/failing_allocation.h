// An allocation that fails on demand: a test binary whose one source
// includes this header replaces every operator new with one that throws
// std::bad_alloc at the chosen allocation. Include it in exactly one source
// of a test binary (the replacement may be defined only once).
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace dvk::test {

// When not 0, the allocation that brings it to 0 throws std::bad_alloc.
inline long allocationsUntilFailure = 0;
// Set by the allocation that threw.
inline bool allocationFailed = false;

}  // namespace dvk::test

// Not inlined: GCC would take the free of a block from operator new for a
// mismatch.
[[gnu::noinline]] void* operator new(std::size_t size) {
  if (dvk::test::allocationsUntilFailure > 0 && --dvk::test::allocationsUntilFailure == 0) {
    dvk::test::allocationFailed = true;
    throw std::bad_alloc();
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t /*size*/) noexcept { std::free(block); }
