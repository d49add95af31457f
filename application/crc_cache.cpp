// The CRC-32 of files on disk, read in chunks and remembered for the run.
#include "crc_cache.h"

#include <map>
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

disk_crc_t sumFile(std::string const& name, dvk::file_kind_t kind) {
  disk_crc_t sum;
  // Only a regular file is opened: opening a FIFO for reading waits for a
  // writer, and a device may never end. The opened file is tested again, in
  // case the name was swapped since its status was taken.
  if (kind != dvk::file_kind_t::regular) {
    return sum;
  }
  dvk::regular_file_t in(name);
  if (!in.isOpen()) {
    return sum;
  }
  sum.file = in.id();
  static uint8_t* const chunk = pageAlignedChunk();
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(dvk::crc32Polynomial);
  for (;;) {
    int64_t const got = in.read(chunk, diskChunkSize);
    if (got < 0) {
      return sum;
    }
    if (got == 0) {  // end of file: everything was read
      sum.readable = true;
      return sum;
    }
    sum.crc = dvk::crc32(sum.crc, chunk, chunk + static_cast<std::size_t>(got), tables);
  }
}

// The names cached for each file that was opened, so that a write finds the
// names of the files it changed without a walk over the whole cache (a
// hostile .srr of many small files would make that quadratic). An entry may
// outlive its name's cache entry (the cache is cleared, or the name taken
// again for another file): each is checked against the cache before use.
std::multimap<dvk::file_id_t, std::string>& cachedNames() {
  static std::multimap<dvk::file_id_t, std::string> names;
  return names;
}

void remember(std::string const& name, disk_crc_t const& sum) {
  crcCache[name] = sum;
  if (sum.file) cachedNames().emplace(*sum.file, name);
}

// Drops every cached name whose entry is still for file.
void forgetFile(dvk::file_id_t const& file) {
  auto const names = cachedNames().equal_range(file);
  for (auto entry = names.first; entry != names.second; ++entry) {
    auto const cached = crcCache.find(entry->second);
    if (cached != crcCache.end() && cached->second.file == file) crcCache.erase(cached);
  }
  cachedNames().erase(names.first, names.second);
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
  remember(name, sum);
  return sum;
}

void cacheWritten(std::string const& name, uint32_t crc, dvk::file_id_t const& written,
                  std::optional<dvk::file_id_t> const& replaced) {
  forgetFile(written);
  if (replaced) forgetFile(*replaced);
  remember(name, disk_crc_t{crc, true, written});
}

}  // namespace app
