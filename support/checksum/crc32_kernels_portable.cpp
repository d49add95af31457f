// The kernel list of the portable build: slicing-by-8 alone.
#include "checksum/internal/crc32_kernels.h"

namespace dvk::internal {

std::vector<crc32_kernel_t> crc32Kernels() { return {{"slice8", crc32Slice8, true, nullptr, 0}}; }

}  // namespace dvk::internal
