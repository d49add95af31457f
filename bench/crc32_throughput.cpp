// Micro-benchmark for bench/run.sh: MiB/s of every CRC-32 kernel this build
// carries, on buffers that stay in the caches, and which one dvk::crc32 uses.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "checksum/crc32.h"
#include "checksum/internal/crc32_kernels.h"

namespace {

// Repeats calls over one buffer until a quarter of a second has gone by; the
// result is folded into a sink so that no call can be dropped.
double mibPerSecond(dvk::internal::crc32_kernel_t const& kernel, std::vector<uint8_t> const& buffer,
                    dvk::internal::crc32_table_view_t const& view, uint32_t& sink) {
  using clock = std::chrono::steady_clock;
  std::size_t const callsPerCheck = std::max<std::size_t>(1, (std::size_t{16} << 20) / buffer.size());
  uint64_t bytes = 0;  // 64 bits: the 32-bit build passes 4 GiB in well under a second
  auto const start = clock::now();
  double seconds = 0;
  do {
    for (std::size_t i = 0; i < callsPerCheck; ++i) sink = kernel.run(sink, buffer.data(), buffer.size(), view);
    bytes += uint64_t{callsPerCheck} * buffer.size();
    seconds = std::chrono::duration<double>(clock::now() - start).count();
  } while (seconds < 0.25);
  return static_cast<double>(bytes) / (1 << 20) / seconds;
}

}  // namespace

int main() {
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(dvk::crc32Polynomial);
  dvk::internal::crc32_table_view_t view{};
  for (std::size_t k = 0; k < 8; ++k) view.t[k] = tables[k].data();

  std::size_t const sizes[] = {64, 256, 4096, std::size_t{1} << 20};
  std::mt19937 rng(1);
  std::vector<std::vector<uint8_t>> buffers;
  for (std::size_t const size : sizes) {
    std::vector<uint8_t> buffer(size);
    for (uint8_t& b : buffer) b = static_cast<uint8_t>(rng());
    buffers.push_back(buffer);
  }

  std::printf("%-12s %10s %10s %10s %10s   (MiB/s per call size)\n", "kernel", "64 B", "256 B", "4 KiB", "1 MiB");
  uint32_t sink = 0;
  for (dvk::internal::crc32_kernel_t const& kernel : dvk::internal::crc32Kernels()) {
    std::printf("%-12s", kernel.name);
    if (!kernel.supported) {
      std::printf(" %10s\n", "(not supported by this processor)");
      continue;
    }
    for (std::vector<uint8_t> const& buffer : buffers) std::printf(" %10.0f", mibPerSecond(kernel, buffer, view, sink));
    std::printf("\n");
  }
  std::printf("dvk::crc32 uses: %s   (sink %08x)\n", dvk::internal::crc32ChosenKernel().name, sink);
  return 0;
}
