// Whole files in memory, path splitting, status tests and opening for writing.
// Paths are byte strings used unchanged, as the user gave them (UTF-8 on
// Windows, where each call takes the verbatim UTF-16 path the system would
// open, see typedPath); nothing here prints. Names from a checksum file go
// through fileStatus and regular_file_t instead.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <ios>
#include <string>
#include <vector>

#include "files/file_id.h"
#include "files/name_from.h"

namespace dvk {

// A whole file in memory: where it was loaded from, and every byte.
struct file_t {
  std::string dir;            // dirName of the path
  std::string name;           // baseName of the path
  std::vector<uint8_t> data;  // all bytes, in file order
  file_id_t id;               // the file they were loaded from (loadFile)
};

// An error value: print writes the message text to std::cerr, without a line
// end; a caller frames it with dvk::con::error. print owns what it needs.
struct ErrorCli {
  int32_t code = 0;
  std::function<void()> print;
};

// The result of openForWrite: the open stream (ok) or an error value (!ok).
// Movable, not copyable; destroying it closes the stream.
class open_result_t {
 public:
  explicit open_result_t(std::fstream&& opened);
  explicit open_result_t(ErrorCli failure);
  open_result_t(open_result_t&& other) noexcept;
  open_result_t(open_result_t const&) = delete;
  open_result_t& operator=(open_result_t const&) = delete;
  open_result_t& operator=(open_result_t&&) = delete;
  ~open_result_t();

  union {
    std::fstream stream;
    ErrorCli error;
  };
  bool ok;
};

// Slash and backslash: both separate path components on both platforms.
extern const std::string pathSeparators;

// Loads the whole file with one read. False when it cannot be opened or
// positioned, when the read fails or is short, and when the file does not fit
// in memory, and for a name that names no file (a NUL byte; on Windows, bytes
// that are not UTF-8, see typedPath), which is never opened; on failure
// dir and name are untouched. Never throws. The path is one the user gave,
// or from elsewhere as from says.
bool loadFile(const char* path, file_t& file);
bool loadFile(std::string const& path, file_t& file, name_from_t from = name_from_t::user);

// Last component ("" when it is "." or ".."; "" after a trailing separator).
std::string baseName(std::string const& path);
// Up to and including the last separator ("" without one; the whole path when
// the last component is "." or "..").
std::string dirName(std::string const& path);
// Text after the last '.' of the base name, case kept; "" without one.
std::string extension(std::string const& path);

// The status query succeeds (following links), whatever the type. 64-bit
// sizes in every build: a file of 2 GiB or more exists in the 32-bit build too.
bool exists(std::string const& path);
// The status query succeeds and the type is directory.
bool isDirectory(std::string const& path);

// Opens path with mode unchanged; on failure (a name that names no file, as
// loadFile says, fails without an open) the error prints
// "'" + path + "': could not be opened for writing".
open_result_t openForWrite(std::string const& path, std::ios_base::openmode mode);

}  // namespace dvk
