// libFuzzer target: the .sfv line parser on arbitrary bytes, as one line and split into lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sfv_check.h"
#include "text/text.h"

namespace {

// What every outcome promises: an entry has a name that begins the line and
// leaves room for a blank and eight digits; anything else leaves the name
// empty and the CRC at 0 (ignored) or at the mark (unparseable).
void parseAndCheck(const uint8_t* begin, const uint8_t* end) {
  app::sfv_entry_t entry;
  entry.name = "stale";
  entry.crc = 0x12345678;
  bool const isEntry = app::parseSfvLine(begin, end, entry);
  auto const length = static_cast<size_t>(end - begin);
  if (isEntry) {
    if (entry.name.empty() || entry.name.size() + 9 > length) std::abort();
    if (std::memcmp(begin, entry.name.data(), entry.name.size()) != 0) std::abort();
  } else {
    if (!entry.name.empty()) std::abort();
    if (entry.crc != 0 && entry.crc != app::unparseableMark) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> const bytes(data, data + size);
  parseAndCheck(bytes.data(), bytes.data() + bytes.size());
  for (dvk::line_t const& line : dvk::splitLines(bytes)) parseAndCheck(line.begin, line.end);
  return 0;
}
