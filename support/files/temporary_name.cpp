// Names for the files that stored files are written into before the rename.
#include "files/internal/temporary_name.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <random>

#include "text/text.h"

namespace dvk::internal {

namespace {

// Room for ".", ".", the eight digits, and a margin for a system whose limit
// counts UTF-16 units of the same name.
constexpr std::size_t longestKept = 200;

std::uint32_t seedValue() {
  try {
    std::random_device device;
    return device();
  } catch (std::exception const&) {
    // No entropy source: the clock still differs from run to run.
    return static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
}

std::mt19937& generator() {
  static std::mt19937 engine(seedValue());
  return engine;
}

}  // namespace

void seedTemporaryNames(std::uint32_t seed) { generator().seed(seed); }

std::string temporaryName(std::string const& last) {
  std::size_t keep = last.size() < longestKept ? last.size() : longestKept;
  // Never end inside a UTF-8 sequence: continuation bytes are 10xxxxxx.
  while (keep > 0 && keep < last.size() && (static_cast<unsigned char>(last[keep]) & 0xC0) == 0x80) --keep;
  std::uint32_t value = static_cast<std::uint32_t>(generator()());
  std::string name = "." + last.substr(0, keep) + ".";
  for (int i = 0; i < 8; ++i) {
    name += hexDigits[value & 0xF];
    value >>= 4;
  }
  return name;
}

}  // namespace dvk::internal
