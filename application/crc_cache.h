// The CRC-32 of files on disk, each read and summed once per run, and again
// only after -x changed what its name reaches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "files/file_id.h"
#include "files/file_status.h"

namespace app {

struct disk_crc_t {
  uint32_t crc = 0;       // CRC-32 of the bytes that were read
  bool readable = false;  // the whole file was read; false: never intact
  // The file that was opened and summed; empty when none was opened.
  std::optional<dvk::file_id_t> file;
};

// Name exactly as the checksum file writes it -> what its file on disk holds.
extern std::map<std::string, disk_crc_t> crcCache;

// The disk CRC-32 of name, which exists with kind (the caller's one status
// query; never a directory). On a miss a regular file is read in fixed-size
// chunks (memory stays bounded whatever its size); any other kind (a FIFO, a
// device) is never opened. An unreadable name is reported once, as the error
// "could not read from '" + name + "'", and stays unreadable in the cache.
disk_crc_t diskCrc(std::string const& name, dvk::file_kind_t kind);

// After -x wrote name: its entry holds crc, the CRC-32 of the bytes written,
// and written, the file that now bears the name. Every other name cached for
// that file, or for replaced (the file the name reached before), is dropped
// and summed again when next asked: another spelling of name now reaches the
// new bytes, while a hard link's other name may still hold the old ones.
void cacheWritten(std::string const& name, uint32_t crc, dvk::file_id_t const& written,
                  std::optional<dvk::file_id_t> const& replaced);

// The read size of diskCrc and the size of the one buffer it reuses for every
// file, chosen on bench/run.sh: 512 KiB verifies files in the page cache
// fastest, and files read from the disk as fast as 256 KiB does; from 1 MiB on
// reading from the disk is slower, and from 2 MiB on verifying cached files
// too, as the chunk outgrows the core's cache in which the CRC should find what
// the read copied.
inline constexpr std::size_t diskChunkSize = std::size_t{1} << 19;

}  // namespace app
