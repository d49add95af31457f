// The CRC-32 of files on disk, each file read and summed once per run (by its
// identity, whatever name reaches it), and again only once it changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "files/file_id.h"
#include "files/file_status.h"
#include "files/write_inside.h"
#include "known_files.h"

namespace app {

struct disk_crc_t {
  uint32_t crc = 0;       // CRC-32 of the bytes that were read
  bool readable = false;  // the whole file was read; false: never intact
  // The file that was read whole; empty when none was.
  std::optional<dvk::file_id_t> file;
};

// The disk CRC-32 of name, whose status the caller has just queried (one
// query per test of a name: found, never a directory). A sum in crcCache is
// used only while that status shows the file it was taken from, with the
// same size and stamp; otherwise a regular file is read in fixed-size chunks
// (memory stays bounded whatever its size), and any other kind (a FIFO, a
// device) is never opened. An unreadable file is reported once, as the
// error "could not read from '" + name + "'", and stays unreadable in the
// cache while it is unchanged.
disk_crc_t diskCrc(std::string const& name, dvk::file_status_t const& status);

// After -x wrote a file (written: its identity, size and stamp as the write
// left it): later tests of that file find crc, the CRC-32 of the bytes
// written, as long as it stays as it is now.
void cacheWritten(uint32_t crc, dvk::write_result_t const& written);

// The read size of diskCrc and the size of the one buffer it reuses for every
// file, chosen on bench/run.sh: 512 KiB verifies files in the page cache
// fastest, and files read from the disk as fast as 256 KiB does; from 1 MiB on
// reading from the disk is slower, and from 2 MiB on verifying cached files
// too, as the chunk outgrows the core's cache in which the CRC should find what
// the read copied.
inline constexpr std::size_t diskChunkSize = std::size_t{1} << 19;

}  // namespace app
