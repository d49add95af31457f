// What tells one file from another, whatever names it goes by.
#pragma once

#include <cstdint>

namespace dvk {

// A file's identity on this machine: st_dev and st_ino on POSIX; the volume
// serial number and the file index of GetFileInformationByHandle on Windows.
// Two names, two spellings or a hard link that reach one file give one
// identity. Taken from an open handle, never from a name, so that it is the
// identity of what was actually read or written.
struct file_id_t {
  uint64_t volume = 0;
  uint64_t index = 0;
};

inline bool operator==(file_id_t const& a, file_id_t const& b) { return a.volume == b.volume && a.index == b.index; }
inline bool operator!=(file_id_t const& a, file_id_t const& b) { return !(a == b); }
inline bool operator<(file_id_t const& a, file_id_t const& b) {
  return a.volume != b.volume ? a.volume < b.volume : a.index < b.index;
}

}  // namespace dvk
