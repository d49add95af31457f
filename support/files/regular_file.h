// The platform layer's one way to read a file named from outside: open it
// without waiting, and read it only when what was opened is a regular file.
// One implementation per platform (regular_file_posix.cpp,
// regular_file_win32.cpp), chosen by the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_id.h"
#include "files/file_status.h"
#include "files/name_from.h"

namespace dvk {

// A regular file open for reading, closed when the object goes. A name's
// status query and its open are two moments: between them a hostile folder
// can swap the file for a FIFO (whose open would wait for a writer for good)
// or a device. So the open itself does not wait, and the type is taken from
// the opened file, never from the name.
class regular_file_t {
 public:
  // Opens name (UTF-8 bytes; spelt as systemPath spells a name from that
  // origin); isOpen() tells whether a regular file was opened. Missing, no
  // access, a directory, a FIFO, a device, a NUL byte in the name, on
  // Windows bytes that are not UTF-8 or a list's name that leads to another
  // machine: not open, nothing read.
  explicit regular_file_t(std::string const& name, name_from_t from = name_from_t::list);
  ~regular_file_t();
  regular_file_t(regular_file_t const&) = delete;
  regular_file_t& operator=(regular_file_t const&) = delete;

  bool isOpen() const { return handle_ != closed; }
  // The size the opened file had when it was opened.
  uint64_t size() const { return size_; }
  // The identity of the opened file (see file_id_t).
  file_id_t id() const { return id_; }
  // When the opened file last changed, as it was opened.
  file_stamp_t stamp() const { return stamp_; }
  // Reads up to count bytes into buffer: the number read, 0 at the end of
  // the file, -1 when the read failed. Never past size(): a pseudo-file that
  // says it is empty (/proc/self/pagemap) reads as empty at once, and a file
  // that grows meanwhile reads as it was when opened.
  int64_t read(uint8_t* buffer, std::size_t count);

 private:
  static constexpr intptr_t closed = -1;
  intptr_t handle_ = closed;  // a descriptor on POSIX, a HANDLE on Windows
  uint64_t size_ = 0;
  uint64_t left_ = 0;  // of size_, not read yet
  file_id_t id_;
  file_stamp_t stamp_;
};

}  // namespace dvk
