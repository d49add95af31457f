// The CRC-32 of files on disk, each read and summed at most once per run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "files/file_status.h"

namespace app {

struct disk_crc_t {
  uint32_t crc = 0;       // CRC-32 of the bytes that were read
  bool readable = false;  // the whole file was read; false: never intact
};

// Name exactly as the checksum file writes it -> what its file on disk holds.
extern std::map<std::string, disk_crc_t> crcCache;

// The disk CRC-32 of name, which exists with kind (the caller's one status
// query; never a directory). On a miss a regular file is read in fixed-size
// chunks (memory stays bounded whatever its size); any other kind (a FIFO, a
// device) is never opened. An unreadable name is reported once, as the error
// "could not read from '" + name + "'", and stays unreadable in the cache.
disk_crc_t diskCrc(std::string const& name, dvk::file_kind_t kind);

// The read size of diskCrc and the size of the one buffer it reuses for every
// file: big enough that the per-read cost vanishes, small enough that the CRC
// finds the bytes still in the cache that the read copied them through.
inline constexpr std::size_t diskChunkSize = std::size_t{1} << 18;

}  // namespace app
