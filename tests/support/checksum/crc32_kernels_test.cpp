// Tests of the CRC-32 kernels, each run directly: the folding constants
// against the polynomial, and every kernel against the byte-wise definition.
#include "checksum/internal/crc32_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "checksum/crc32.h"

namespace dvk::internal {

// Failure messages name the kernel instead of dumping its bytes.
void PrintTo(crc32_kernel_t const& kernel, std::ostream* out) { *out << kernel.name; }

}  // namespace dvk::internal

namespace {

using dvk::internal::crc32_kernel_t;
using dvk::internal::crc32_table_view_t;

constexpr uint32_t poly = 0xEDB88320u;

crc32_table_view_t tableView() {
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(poly);
  crc32_table_view_t view{};
  for (std::size_t k = 0; k < 8; ++k) view.t[k] = tables[k].data();
  return view;
}

// The byte loop alone: one table lookup per byte, none of the kernels' paths.
uint32_t bytewiseStep(uint32_t reg, uint8_t byte) {
  static const uint32_t* const t0 = dvk::crc32Tables(poly)[0].data();
  return (reg >> 8) ^ t0[(reg ^ byte) & 0xFF];
}

uint32_t bytewiseCrc(uint32_t init, const uint8_t* data, std::size_t size) {
  uint32_t c = ~init;
  for (std::size_t i = 0; i < size; ++i) c = bytewiseStep(c, data[i]);
  return ~c;
}

std::vector<uint8_t> randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

// x^k mod P as the kernels multiply by it: in the reflected register x^0 is
// bit 31 and a step of x is a right shift that folds x^32 back in as P; the
// kernels' operands carry it one bit higher (bit j stands for x^(32 - j)).
uint64_t foldMultiplier(unsigned k) {
  uint32_t r = 0x80000000u;
  for (unsigned i = 0; i < k; ++i) r = (r & 1) ? (r >> 1) ^ poly : r >> 1;
  return uint64_t{r} << 1;
}

TEST(Crc32FoldMultiplier, DerivationIsAnchored) {
  EXPECT_EQ(foldMultiplier(0), uint64_t{1} << 32);     // x^0
  EXPECT_EQ(foldMultiplier(31), uint64_t{1} << 1);     // x^31
  EXPECT_EQ(foldMultiplier(32), uint64_t{poly} << 1);  // x^32 = P - x^32
}

TEST(Crc32Kernels, ListStartsWithTheTableKernelAndChoosesTheLastSupported) {
  std::vector<crc32_kernel_t> const kernels = dvk::internal::crc32Kernels();
  ASSERT_FALSE(kernels.empty());
  EXPECT_STREQ(kernels.front().name, "slice8");
  EXPECT_TRUE(kernels.front().supported);
  std::set<std::string> names;
  const crc32_kernel_t* best = nullptr;
  for (crc32_kernel_t const& kernel : kernels) {
    EXPECT_TRUE(names.insert(kernel.name).second) << kernel.name;
    if (kernel.supported) best = &kernel;
  }
  EXPECT_STREQ(dvk::internal::crc32ChosenKernel().name, best->name);
}

TEST(Crc32Kernels, EveryFoldConstantIsAPowerOfXModP) {
  for (crc32_kernel_t const& kernel : dvk::internal::crc32Kernels()) {
    ASSERT_EQ(kernel.foldCount % 2, 0u) << kernel.name;
    for (std::size_t i = 0; i < kernel.foldCount; ++i) {
      auto const& fold = kernel.folds[i];
      EXPECT_EQ(fold.value, foldMultiplier(fold.k)) << kernel.name << ": x^" << fold.k;
    }
    // Pairs for one distance D: low half k = D + 32, high half k = D - 32.
    for (std::size_t i = 0; i < kernel.foldCount; i += 2) {
      EXPECT_EQ(kernel.folds[i].k, kernel.folds[i + 1].k + 64) << kernel.name << ": pair " << i / 2;
      EXPECT_EQ((kernel.folds[i].k - 32) % 128, 0u) << kernel.name << ": pair " << i / 2;
    }
  }
}

class Crc32Kernel : public testing::TestWithParam<crc32_kernel_t> {
 protected:
  void SetUp() override {
    if (!GetParam().supported) GTEST_SKIP() << GetParam().name << " needs instructions this processor lacks";
  }
  uint32_t run(uint32_t init, const uint8_t* data, std::size_t size) const {
    return GetParam().run(init, data, size, view_);
  }

 private:
  crc32_table_view_t view_ = tableView();
};

TEST_P(Crc32Kernel, CheckValueAndEmptyRange) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(run(0, digits, sizeof digits), 0xCBF43926u);
  EXPECT_EQ(run(0, digits, 0), 0u);
  EXPECT_EQ(run(0x12345678u, digits, 0), 0x12345678u);
}

// Every length 0..4096 at every offset 0..63 from a 64-byte boundary, with a
// zero and a non-zero init: covers each kernel's entry threshold, every tail
// length after each step width, and loads across cache lines.
TEST_P(Crc32Kernel, MatchesTheByteLoopAtEveryLengthAndAlignment) {
  constexpr std::size_t maxSize = 4096;
  std::vector<uint8_t> const buffer = randomBytes(maxSize + 128, 4);
  auto const base = reinterpret_cast<std::uintptr_t>(buffer.data());
  const uint8_t* const aligned = buffer.data() + (64 - base % 64) % 64;
  std::mt19937 rng(5);
  for (std::size_t offset = 0; offset < 64; ++offset) {
    const uint8_t* const data = aligned + offset;
    for (uint32_t const init : {0u, static_cast<uint32_t>(rng())}) {
      uint32_t reg = ~init;  // the byte loop's register after `size` bytes
      for (std::size_t size = 0; size <= maxSize; ++size) {
        ASSERT_EQ(run(init, data, size), ~reg) << "offset " << offset << ", " << size << " bytes, init " << init;
        if (size < maxSize) reg = bytewiseStep(reg, data[size]);
      }
    }
  }
}

TEST_P(Crc32Kernel, ChainedCallsWithNonZeroInit) {
  std::vector<uint8_t> const data = randomBytes(20000, 6);
  uint32_t const start = 0xDEADBEEFu;
  uint32_t const whole = bytewiseCrc(start, data.data(), data.size());
  // Cuts on and beside every step width and entry threshold of the kernels.
  std::size_t const cuts[] = {0,   1,   7,   8,   15,  16,  17,   63,   64,   65,   127,   128,  129,
                              255, 256, 257, 511, 512, 513, 1000, 4095, 4096, 9999, 19999, 20000};
  for (std::size_t const cut : cuts) {
    uint32_t const head = run(start, data.data(), cut);
    ASSERT_EQ(head, bytewiseCrc(start, data.data(), cut)) << "head of " << cut;
    ASSERT_EQ(run(head, data.data() + cut, data.size() - cut), whole) << "cut at " << cut;
  }
}

TEST_P(Crc32Kernel, SeveralMebibytesInOneCallAndInChunks) {
  std::vector<uint8_t> const data = randomBytes((std::size_t{3} << 20) + 5, 7);
  uint32_t const expected = bytewiseCrc(0, data.data(), data.size());
  EXPECT_EQ(run(0, data.data(), data.size()), expected);
  uint32_t c = 0;
  for (std::size_t at = 0; at < data.size(); at += std::size_t{1} << 20) {
    c = run(c, data.data() + at, std::min(std::size_t{1} << 20, data.size() - at));
  }
  EXPECT_EQ(c, expected);
}

INSTANTIATE_TEST_SUITE_P(Compiled, Crc32Kernel, testing::ValuesIn(dvk::internal::crc32Kernels()),
                         [](testing::TestParamInfo<crc32_kernel_t> const& kernel) {
                           return std::string(kernel.param.name);
                         });

}  // namespace
