// CRC-32 folded with carry-less multiplication (PCLMULQDQ, SSE4.1).
#include "checksum/internal/crc32_fold128.h"
#include "checksum/internal/crc32_fold_constants.h"

namespace dvk::internal {

const crc32_fold_constant_t crc32PclmulFolds[4] = {
    crc32Fold512[0], crc32Fold512[1],  // four lanes on, in the main loop
    crc32Fold128[0], crc32Fold128[1],  // one lane on
};

namespace {

// Below one step of four lanes the table kernel is as fast.
constexpr std::size_t minimumSize = 64;

}  // namespace

uint32_t crc32Pclmul(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables) {
  if (size < minimumSize) return crc32Slice8(init, data, size, tables);
  __m128i const k512 = multipliers128(&crc32PclmulFolds[0]);
  __m128i const k128 = multipliers128(&crc32PclmulFolds[2]);

  // The register enters as the complement of init, added to the first four bytes.
  __m128i x0 = _mm_xor_si128(load128(data), _mm_cvtsi32_si128(static_cast<int>(~init)));
  __m128i x1 = load128(data + 16);
  __m128i x2 = load128(data + 32);
  __m128i x3 = load128(data + 48);
  data += 64;
  size -= 64;
  for (; size >= 64; data += 64, size -= 64) {
    x0 = fold(x0, k512, load128(data));
    x1 = fold(x1, k512, load128(data + 16));
    x2 = fold(x2, k512, load128(data + 32));
    x3 = fold(x3, k512, load128(data + 48));
  }
  x1 = fold(x0, k128, x1);
  x2 = fold(x1, k128, x2);
  x3 = fold(x2, k128, x3);
  for (; size >= 16; data += 16, size -= 16) x3 = fold(x3, k128, load128(data));

  // What is left, 16 bytes of state that stand for everything read so far,
  // is finished by the table kernel.
  return crc32Slice8(stateCrc(x3, tables), data, size, tables);
}

}  // namespace dvk::internal
