// The kernel list of x86 builds: slicing-by-8 and the carry-less folding
// kernels, each marked with whether this processor can run it.
#include "checksum/internal/crc32_kernels.h"

namespace dvk::internal {

std::vector<crc32_kernel_t> crc32Kernels() {
  x86_features_t const& cpu = x86Features();
  bool const pclmul = cpu.sse41 && cpu.pclmul;
  // The wide kernels leave ranges shorter than their step to crc32Pclmul.
  bool const wide = pclmul && cpu.vpclmul;
  return {
      {"slice8", crc32Slice8, true, nullptr, 0},
      {"pclmul", crc32Pclmul, pclmul, crc32PclmulFolds, 4},
      {"vpclmul256", crc32Vpclmul256, wide && cpu.avx2, crc32Vpclmul256Folds, 6},
      {"vpclmul512", crc32Vpclmul512, wide && cpu.avx512f, crc32Vpclmul512Folds, 6},
  };
}

}  // namespace dvk::internal
