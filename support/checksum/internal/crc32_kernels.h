// Private interface of the CRC-32 kernels: their entry points, folding
// constants, the processor features they need, and the list to choose from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dvk::internal {

// The eight slicing-by-8 tables as plain pointers (null where the set has no
// such table). Kernel files are compiled with wider instruction sets, so they
// must not instantiate any std::vector code: the linker could keep their copy
// of an inline function for the whole program, and that copy would then fault
// on processors without those instructions.
struct crc32_table_view_t {
  const uint32_t* t[8];
};

// A kernel has the contract of dvk::crc32 over [data, data + size): init is
// the previous result (0 for a fresh CRC), the result is the CRC-32 that
// slicing-by-8 gives. Reads t[0] always, all eight tables for 8 bytes or more.
using crc32_kernel_fn = uint32_t (*)(uint32_t init, const uint8_t* data, std::size_t size,
                                     crc32_table_view_t const& tables);

// A folding multiplier for carry-less multiplication: x^k mod P, with P the
// CRC-32 polynomial, bit-reflected into 32 bits and shifted left by one (bit j
// stands for x^(32-j)), so that the product of a reflected 64-bit half lands
// aligned in a reflected 128-bit lane. A lane's low half is folded D bits on
// with k = D + 32, its high half with k = D - 32.
struct crc32_fold_constant_t {
  unsigned k;
  uint64_t value;
};

// One compiled kernel. supported: this processor, and the operating system's
// saving of the register state it uses, let it run.
struct crc32_kernel_t {
  const char* name;
  crc32_kernel_fn run;
  bool supported;
  const crc32_fold_constant_t* folds;  // the multipliers it uses (none for slice8)
  std::size_t foldCount;
};

// Every compiled kernel, slowest first. The first is slice8, always supported;
// the portable build (TARVOK_PORTABLE_CRC, or a non-x86 target) has only it.
// Tests run each one directly; crc32 runs crc32ChosenKernel.
std::vector<crc32_kernel_t> crc32Kernels();

// The fastest supported kernel, chosen from crc32Kernels on the first call and
// kept for the process.
crc32_kernel_t const& crc32ChosenKernel();

// The processor features the x86 kernels need, each true only when the
// operating system also saves the registers it uses. Detected on the first
// call and kept.
struct x86_features_t {
  bool sse41 = false;
  bool pclmul = false;
  bool avx2 = false;
  bool avx512f = false;
  bool vpclmul = false;
};
x86_features_t const& x86Features();

// Slicing-by-8, eight bytes per step with eight table lookups: the portable
// kernel, and the one the others leave short ranges and tails to.
uint32_t crc32Slice8(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables);

// PCLMULQDQ and SSE4.1: folds 64 bytes per step in four 128-bit lanes.
uint32_t crc32Pclmul(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables);
extern const crc32_fold_constant_t crc32PclmulFolds[4];

// VPCLMULQDQ on 256-bit registers with AVX2: 128 bytes per step.
uint32_t crc32Vpclmul256(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables);
extern const crc32_fold_constant_t crc32Vpclmul256Folds[6];

// VPCLMULQDQ on 512-bit registers with AVX-512F: 256 bytes per step.
uint32_t crc32Vpclmul512(uint32_t init, const uint8_t* data, std::size_t size, crc32_table_view_t const& tables);
extern const crc32_fold_constant_t crc32Vpclmul512Folds[6];

}  // namespace dvk::internal
