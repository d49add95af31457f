// The 128-bit fold step and the hand-over to the table kernel, shared by the
// folding kernels. Only files compiled with carry-less multiplication include
// it, and everything here has internal linkage: each kernel keeps its own
// copy, encoded for its own instruction set (see crc32_table_view_t).
#pragma once

#include <immintrin.h>

#include "checksum/internal/crc32_kernels.h"

namespace dvk::internal {
namespace {

// The pair {low half, high half} of one fold distance, as one register.
inline __m128i multipliers128(const crc32_fold_constant_t* pair) {
  return _mm_set_epi64x(static_cast<long long>(pair[1].value), static_cast<long long>(pair[0].value));
}

inline __m128i load128(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// x moved D bits on (the distance k stands for) and added to the data there.
inline __m128i fold(__m128i x, __m128i k, __m128i there) {
  __m128i const low = _mm_clmulepi64_si128(x, k, 0x00);
  __m128i const high = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), there);
}

// The 16 bytes of state that stand for everything folded so far, turned into
// the CRC register by the table kernel from a zero register: two passes per
// call instead of a Barrett reduction.
inline uint32_t stateCrc(__m128i x, crc32_table_view_t const& tables) {
  alignas(16) uint8_t state[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(state), x);
  return crc32Slice8(0xFFFFFFFFu, state, sizeof state, tables);
}

}  // namespace
}  // namespace dvk::internal
