// CRC-32 folded with VPCLMULQDQ on 512-bit registers (AVX-512F).
#include <immintrin.h>

#include "checksum/internal/crc32_fold128.h"
#include "checksum/internal/crc32_fold_constants.h"

namespace dvk::internal {

const crc32_fold_constant_t crc32Vpclmul512Folds[6] = {
    crc32Fold2048[0], crc32Fold2048[1],  // four registers on, in the main loop
    crc32Fold512[0],  crc32Fold512[1],   // one register on
    crc32Fold128[0],  crc32Fold128[1],   // one lane on
};

namespace {

// Only internal-linkage helpers here: nothing compiled with these flags may
// be shared with the rest of the program (see crc32_table_view_t).
inline __m512i multipliers(const crc32_fold_constant_t* pair) {
  auto const low = static_cast<long long>(pair[0].value);
  auto const high = static_cast<long long>(pair[1].value);
  return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

inline __m512i load(const uint8_t* p) { return _mm512_loadu_si512(p); }

inline __m512i fold(__m512i x, __m512i k, __m512i there) {
  __m512i const low = _mm512_clmulepi64_epi128(x, k, 0x00);
  __m512i const high = _mm512_clmulepi64_epi128(x, k, 0x11);
  return _mm512_ternarylogic_epi64(low, high, there, 0x96);  // low ^ high ^ there
}

// The zero-masked extract: GCC 12 warns about the undefined filler of the
// unmasked one (and of the cast to 128 bits).
template <int index>
inline __m128i lane(__m512i z) {
  return _mm512_maskz_extracti32x4_epi32(0xF, z, index);
}

// One step of four registers; shorter ranges go to the 128-bit kernel.
constexpr std::size_t minimumSize = 256;

}  // namespace

uint32_t crc32Vpclmul512(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables) {
  if (size < minimumSize) return crc32Pclmul(init, data, size, tables);
  __m512i const k2048 = multipliers(&crc32Vpclmul512Folds[0]);
  __m512i const k512 = multipliers(&crc32Vpclmul512Folds[2]);
  __m128i const k128 = multipliers128(&crc32Vpclmul512Folds[4]);

  // The register enters as the complement of init, added to the first four bytes.
  __m512i const entry = _mm512_set_epi32(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<int>(~init));
  __m512i z0 = _mm512_xor_si512(load(data), entry);
  __m512i z1 = load(data + 64);
  __m512i z2 = load(data + 128);
  __m512i z3 = load(data + 192);
  data += 256;
  size -= 256;
  for (; size >= 256; data += 256, size -= 256) {
    z0 = fold(z0, k2048, load(data));
    z1 = fold(z1, k2048, load(data + 64));
    z2 = fold(z2, k2048, load(data + 128));
    z3 = fold(z3, k2048, load(data + 192));
  }
  z1 = fold(z0, k512, z1);
  z2 = fold(z1, k512, z2);
  z3 = fold(z2, k512, z3);
  __m128i x = lane<0>(z3);
  x = fold(x, k128, lane<1>(z3));
  x = fold(x, k128, lane<2>(z3));
  x = fold(x, k128, lane<3>(z3));

  // The 16 bytes of state stand for everything read so far: they become a
  // register that the 128-bit kernel continues over the rest.
  return crc32Pclmul(stateCrc(x, tables), data, size, tables);
}

}  // namespace dvk::internal
