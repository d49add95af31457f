// CRC-32: the process-wide table set, and the entry point that runs the
// fastest kernel this processor supports.
#include "checksum/crc32.h"

#include "checksum/internal/crc32_kernels.h"

namespace dvk {

namespace {

crc32_tables_t tableSet;

}  // namespace

std::vector<uint32_t> crc32Table(uint32_t poly) {
  std::vector<uint32_t> table(256, 0);
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? (poly ^ (c >> 1)) : (c >> 1);
    table[i] = c;
  }
  return table;
}

crc32_tables_t& crc32Tables(uint32_t poly) {
  if (!tableSet.empty()) return tableSet;
  tableSet.push_back(crc32Table(poly));
  tableSet.resize(8);
  for (std::size_t k = 1; k < 8; ++k) tableSet[k].resize(256, 0);
  for (std::size_t i = 0; i < 256; ++i) {
    uint32_t c = tableSet[0][i];
    for (std::size_t k = 1; k < 8; ++k) {
      c = (c >> 8) ^ tableSet[0][c & 0xFF];
      tableSet[k][i] = c;
    }
  }
  return tableSet;
}

uint32_t crc32(uint32_t init, const uint8_t* first, const uint8_t* last, crc32_tables_t const& tables) {
  internal::crc32_table_view_t view{};
  for (std::size_t k = 0; k < 8 && k < tables.size(); ++k) view.t[k] = tables[k].data();
  // The folding kernels' constants are those of crc32Polynomial; a set built
  // for another one (T0[128] is the polynomial itself) is run by slicing-by-8.
  bool const folded = tables.size() == 8 && tables[0].size() == 256 && tables[0][128] == crc32Polynomial;
  static const internal::crc32_kernel_t portable = internal::crc32Kernels().front();
  internal::crc32_kernel_t const& kernel = folded ? internal::crc32ChosenKernel() : portable;
  return kernel.run(init, first, static_cast<std::size_t>(last - first), view);
}

uint32_t crc32(uint32_t init, std::vector<uint8_t> const& data, crc32_tables_t const& tables) {
  return crc32(init, data.data(), data.data() + data.size(), tables);
}

namespace internal {

crc32_kernel_t const& crc32ChosenKernel() {
  static const crc32_kernel_t chosen = [] {
    std::vector<crc32_kernel_t> const kernels = crc32Kernels();
    crc32_kernel_t best = kernels.front();
    for (crc32_kernel_t const& kernel : kernels) {
      if (kernel.supported) best = kernel;
    }
    return best;
  }();
  return chosen;
}

}  // namespace internal

}  // namespace dvk
