// CRC-32 folded with VPCLMULQDQ on 256-bit registers (AVX2).
#include <immintrin.h>

#include "checksum/internal/crc32_fold128.h"
#include "checksum/internal/crc32_fold_constants.h"

namespace dvk::internal {

const crc32_fold_constant_t crc32Vpclmul256Folds[6] = {
    crc32Fold1024[0], crc32Fold1024[1],  // four registers on, in the main loop
    crc32Fold256[0],  crc32Fold256[1],   // one register on
    crc32Fold128[0],  crc32Fold128[1],   // one lane on
};

namespace {

// Only internal-linkage helpers here: nothing compiled with these flags may
// be shared with the rest of the program (see crc32_table_view_t).
inline __m256i multipliers(const crc32_fold_constant_t* pair) {
  auto const low = static_cast<long long>(pair[0].value);
  auto const high = static_cast<long long>(pair[1].value);
  return _mm256_set_epi64x(high, low, high, low);
}

inline __m256i load(const uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

inline __m256i fold(__m256i x, __m256i k, __m256i there) {
  __m256i const low = _mm256_clmulepi64_epi128(x, k, 0x00);
  __m256i const high = _mm256_clmulepi64_epi128(x, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(low, high), there);
}

// One step of four registers; shorter ranges go to the 128-bit kernel.
constexpr std::size_t minimumSize = 128;

}  // namespace

uint32_t crc32Vpclmul256(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables) {
  if (size < minimumSize) return crc32Pclmul(init, data, size, tables);
  __m256i const k1024 = multipliers(&crc32Vpclmul256Folds[0]);
  __m256i const k256 = multipliers(&crc32Vpclmul256Folds[2]);
  __m128i const k128 = multipliers128(&crc32Vpclmul256Folds[4]);

  // The register enters as the complement of init, added to the first four bytes.
  __m256i const entry = _mm256_set_epi32(0, 0, 0, 0, 0, 0, 0, static_cast<int>(~init));
  __m256i y0 = _mm256_xor_si256(load(data), entry);
  __m256i y1 = load(data + 32);
  __m256i y2 = load(data + 64);
  __m256i y3 = load(data + 96);
  data += 128;
  size -= 128;
  for (; size >= 128; data += 128, size -= 128) {
    y0 = fold(y0, k1024, load(data));
    y1 = fold(y1, k1024, load(data + 32));
    y2 = fold(y2, k1024, load(data + 64));
    y3 = fold(y3, k1024, load(data + 96));
  }
  y1 = fold(y0, k256, y1);
  y2 = fold(y1, k256, y2);
  y3 = fold(y2, k256, y3);
  __m128i const x = fold(_mm256_castsi256_si128(y3), k128, _mm256_extracti128_si256(y3, 1));

  // The 16 bytes of state stand for everything read so far: they become a
  // register that the 128-bit kernel continues over the rest.
  return crc32Pclmul(stateCrc(x, tables), data, size, tables);
}

}  // namespace dvk::internal
