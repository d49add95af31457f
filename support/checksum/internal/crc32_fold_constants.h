// The folding multipliers of the carry-less kernels, one pair per fold
// distance, written once. Plain constant data, no code: the kernel files,
// each compiled for its own instruction set, may all include it.
#pragma once

#include "checksum/internal/crc32_kernels.h"

namespace dvk::internal {

// Pairs {low half, high half} for one fold distance D: k = D + 32, D - 32.
// clang-format off
inline constexpr crc32_fold_constant_t crc32Fold128[2]  = {{160, 0x1751997d0}, {96, 0x0ccaa009e}};
inline constexpr crc32_fold_constant_t crc32Fold256[2]  = {{288, 0x0f1da05aa}, {224, 0x15a546366}};
inline constexpr crc32_fold_constant_t crc32Fold512[2]  = {{544, 0x154442bd4}, {480, 0x1c6e41596}};
inline constexpr crc32_fold_constant_t crc32Fold1024[2] = {{1056, 0x1e88ef372}, {992, 0x14a7fe880}};
inline constexpr crc32_fold_constant_t crc32Fold2048[2] = {{2080, 0x11542778a}, {2016, 0x1322d1430}};
// clang-format on

}  // namespace dvk::internal
