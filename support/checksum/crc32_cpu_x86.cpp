// x86 processor features for the CRC-32 kernels, from cpuid and xgetbv.
#include <cpuid.h>

#include "checksum/internal/crc32_kernels.h"

namespace dvk::internal {

namespace {

// cpuid leaf 1, ecx.
constexpr unsigned leaf1EcxPclmul = 1u << 1;
constexpr unsigned leaf1EcxSse41 = 1u << 19;
constexpr unsigned leaf1EcxOsxsave = 1u << 27;
constexpr unsigned leaf1EcxAvx = 1u << 28;
// cpuid leaf 7, sub-leaf 0.
constexpr unsigned leaf7EbxAvx2 = 1u << 5;
constexpr unsigned leaf7EbxAvx512f = 1u << 16;
constexpr unsigned leaf7EcxVpclmul = 1u << 10;
// XCR0: which register state the operating system saves on a context switch.
constexpr uint32_t xcr0Sse = 1u << 1;
constexpr uint32_t xcr0Avx = 1u << 2;
constexpr uint32_t xcr0Opmask = 1u << 5;
constexpr uint32_t xcr0ZmmHigh256 = 1u << 6;
constexpr uint32_t xcr0HighZmm = 1u << 7;

// The low half of XCR0; the intrinsic would need -mxsave on this file, and
// the instruction is only executed once OSXSAVE says it exists.
uint32_t readXcr0() {
  uint32_t eax = 0;
  uint32_t edx = 0;
  __asm__ __volatile__("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0u));
  return eax;
}

x86_features_t detect() {
  x86_features_t f;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return f;
  f.sse41 = (ecx & leaf1EcxSse41) != 0;
  f.pclmul = (ecx & leaf1EcxPclmul) != 0;
  bool const avx = (ecx & leaf1EcxAvx) != 0;
  uint32_t const xcr0 = (ecx & leaf1EcxOsxsave) != 0 ? readXcr0() : 0;
  bool const ymmSaved = (xcr0 & (xcr0Sse | xcr0Avx)) == (xcr0Sse | xcr0Avx);
  uint32_t const zmmState = xcr0Sse | xcr0Avx | xcr0Opmask | xcr0ZmmHigh256 | xcr0HighZmm;
  bool const zmmSaved = (xcr0 & zmmState) == zmmState;
  if (!avx || !ymmSaved) return f;  // every wider kernel uses VEX-encoded registers
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return f;
  f.avx2 = (ebx & leaf7EbxAvx2) != 0;
  f.avx512f = zmmSaved && (ebx & leaf7EbxAvx512f) != 0;
  f.vpclmul = (ecx & leaf7EcxVpclmul) != 0;
  return f;
}

}  // namespace

x86_features_t const& x86Features() {
  static const x86_features_t features = detect();
  return features;
}

}  // namespace dvk::internal
