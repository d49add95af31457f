// The CRC-32 of files on disk, read in chunks and remembered for the run.
#include "crc_cache.h"

#include <fstream>
#include <vector>

#include "checksum/crc32.h"
#include "console/console.h"

namespace app {

namespace {

disk_crc_t sumFile(std::string const& name, dvk::file_kind_t kind) {
  disk_crc_t sum;
  // Only a regular file is opened: opening a FIFO for reading waits for a
  // writer, and a device may never end.
  if (kind != dvk::file_kind_t::regular) {
    return sum;
  }
  std::ifstream in(name, std::ios::in | std::ios::binary);
  if (!in) {
    return sum;
  }
  static std::vector<uint8_t> chunk(diskChunkSize);
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(0xEDB88320u);
  for (;;) {
    in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
    auto const got = static_cast<std::size_t>(in.gcount());
    sum.crc = dvk::crc32(sum.crc, chunk.data(), chunk.data() + got, tables);
    if (in.bad()) {
      return sum;
    }
    if (!in) {  // end of file: everything was read
      sum.readable = true;
      return sum;
    }
  }
}

}  // namespace

disk_crc_t diskCrc(std::string const& name, dvk::file_kind_t kind) {
  auto const cached = crcCache.find(name);
  if (cached != crcCache.end()) {
    return cached->second;
  }
  disk_crc_t const sum = sumFile(name, kind);
  if (!sum.readable) {
    dvk::con::error("could not read from '" + name + "'");
  }
  crcCache.emplace(name, sum);
  return sum;
}

}  // namespace app
