// The CRC-32 of files on disk, read in chunks and remembered for the run by
// the file's identity.
#include "crc_cache.h"

#include <memory>
#include <string>
#include <vector>

#include "checksum/crc32.h"
#include "console/console.h"
#include "files/regular_file.h"

namespace app {

namespace {

// The one read buffer of the run. Page-aligned: the system's copy into it
// runs measurably faster than into the 16-byte-aligned memory of a plain
// allocation (about 7% of a hot-cache verify).
uint8_t* pageAlignedChunk() {
  constexpr std::size_t page = 4096;
  static std::vector<uint8_t> storage(diskChunkSize + page);
  void* start = storage.data();
  std::size_t space = storage.size();
  return static_cast<uint8_t*>(std::align(page, diskChunkSize, start, space));
}

// The sum of the file at name. Only a regular file is opened: opening a FIFO
// for reading waits for a writer, and a device may never end. The opened file
// is tested again, in case the name was swapped since its status was taken,
// and the sum is the opened file's.
summed_t sumFile(std::string const& name, dvk::file_status_t const& status, dvk::file_id_t& file) {
  summed_t sum{0, false, status.size, status.stamp};
  file = status.id;
  if (status.kind != dvk::file_kind_t::regular) return sum;
  dvk::regular_file_t in(name);
  if (!in.isOpen()) return sum;
  file = in.id();
  sum.size = in.size();
  sum.stamp = in.stamp();
  static uint8_t* const chunk = pageAlignedChunk();
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(dvk::crc32Polynomial);
  for (;;) {
    int64_t const got = in.read(chunk, diskChunkSize);
    if (got < 0) return sum;
    if (got == 0) {  // end of file: everything was read
      sum.readable = true;
      return sum;
    }
    sum.crc = dvk::crc32(sum.crc, chunk, chunk + static_cast<std::size_t>(got), tables);
  }
}

disk_crc_t asDiskCrc(summed_t const& sum, dvk::file_id_t const& file) {
  disk_crc_t disk{sum.crc, sum.readable, std::nullopt};
  if (sum.readable) disk.file = file;
  return disk;
}

}  // namespace

disk_crc_t diskCrc(std::string const& name, dvk::file_status_t const& status) {
  auto const cached = crcCache.find(status.id);
  if (cached != crcCache.end() && cached->second.sum) {
    summed_t const& sum = *cached->second.sum;
    if (sum.size == status.size && sum.stamp == status.stamp) return asDiskCrc(sum, status.id);
  }
  dvk::file_id_t file;
  summed_t const sum = sumFile(name, status, file);
  if (!sum.readable) dvk::con::error("could not read from '" + name + "'");
  crcCache[file].sum = sum;
  return asDiskCrc(sum, file);
}

void cacheWritten(uint32_t crc, dvk::write_result_t const& written) {
  crcCache[written.file].sum = summed_t{crc, true, written.size, written.stamp};
}

}  // namespace app
