// What this run knows of each file it met, kept by the file's identity
// (whatever name reached it, however spelt): the CRC-32 it summed there and,
// once the report showed the file, how. The CRC cache (crc_cache.h) and the
// rule that -x leaves a reported file as the report shows it
// (reported_files.h) both read this one table.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "files/file_id.h"
#include "files/file_status.h"
#include "files/name_from.h"

namespace app {

// What the bytes of a file summed to, and the file as it was then: the sum
// holds only while the file still has that size and stamp.
struct summed_t {
  uint32_t crc = 0;       // CRC-32 of the bytes that were read
  bool readable = false;  // the whole file was read; false: never intact
  uint64_t size = 0;
  dvk::file_stamp_t stamp;
};

enum class reported_as_t {
  checked,  // reported intact (" == : ") by the .sfv or the .srr check
  written,  // written by -x (" ++ : ", " ~~ : ")
  list,     // an .sfv whose check passed
  srr,      // the .srr being checked
};

struct reported_file_t {
  reported_as_t as = reported_as_t::checked;
  // As the report first showed it: a name from a list; for an .sfv or .srr
  // the path the run was given or found, and where it came from.
  std::string name;
  dvk::name_from_t from = dvk::name_from_t::list;
};

struct known_file_t {
  std::optional<summed_t> sum;
  std::optional<reported_file_t> reported;
};

// The CRC cache of the run: file identity -> what the run knows of it.
extern std::map<dvk::file_id_t, known_file_t> crcCache;

}  // namespace app
