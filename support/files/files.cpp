// Whole-file loading, paths, status tests and opening for writing.
#include "files/files.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <limits>
#include <new>
#include <utility>

#include "files/file_status.h"
#include "files/internal/path_error.h"
#include "files/native_path.h"
#include "files/regular_file.h"

namespace dvk {

const std::string pathSeparators = "/\\";

open_result_t::open_result_t(std::fstream&& opened) : stream(std::move(opened)), ok(true) {}

open_result_t::open_result_t(ErrorCli failure) : error(std::move(failure)), ok(false) {}

open_result_t::open_result_t(open_result_t&& other) noexcept : ok(other.ok) {
  if (ok) {
    new (&stream) std::fstream(std::move(other.stream));
  } else {
    new (&error) ErrorCli(std::move(other.error));
  }
}

open_result_t::~open_result_t() {
  if (ok) {
    stream.~basic_fstream();
  } else {
    error.~ErrorCli();
  }
}

namespace {

// The largest length one read into a byte vector can take: the vector's own
// limit, size_t and the stream's count type all bound it (2 GiB - 1 in the
// 32-bit build).
uint64_t largestLoadable(std::vector<uint8_t> const& data) {
  uint64_t limit = data.max_size();
  uint64_t const sizeLimit = std::numeric_limits<std::size_t>::max();
  uint64_t const countLimit = static_cast<uint64_t>(std::numeric_limits<std::streamsize>::max());
  if (sizeLimit < limit) limit = sizeLimit;
  if (countLimit < limit) limit = countLimit;
  return limit;
}

struct split_t {
  std::string prefix;  // up to and including the last separator
  std::string last;    // after it
};

split_t splitPath(std::string const& path) {
  std::size_t const p = path.find_last_of(pathSeparators);
  if (p == std::string::npos) return {std::string(), path};
  return {path.substr(0, p + 1), path.substr(p + 1)};
}

bool isDotComponent(std::string const& last) { return last == "." || last == ".."; }

}  // namespace

bool loadFile(std::string const& path, file_t& file, name_from_t from) {
  regular_file_t in(path, from);
  if (!in.isOpen()) return false;

  // The size is 64-bit in every build; checking it before the cast keeps a
  // 5 GiB file from wrapping to 1 GiB in a 32-bit size_t.
  uint64_t const length = in.size();
  if (length > largestLoadable(file.data)) return false;
  std::size_t const size = static_cast<std::size_t>(length);

  try {
    file.data.resize(size);
  } catch (std::exception const&) {  // bad_alloc, length_error
    return false;
  }

  // One read may deliver less than asked (a signal, a pipe-backed file
  // system), so read on until the size is reached or the file ends.
  std::size_t count = 0;
  while (count < size) {
    int64_t const got = in.read(file.data.data() + count, size - count);
    if (got <= 0) return false;
    count += static_cast<std::size_t>(got);
  }

  file.dir = dirName(path);
  file.name = baseName(path);
  file.id = in.id();
  return true;
}

bool loadFile(const char* path, file_t& file) { return path != nullptr && loadFile(std::string(path), file); }

std::string baseName(std::string const& path) {
  split_t parts = splitPath(path);
  if (isDotComponent(parts.last)) return std::string();
  return std::move(parts.last);
}

std::string dirName(std::string const& path) {
  split_t parts = splitPath(path);
  if (isDotComponent(parts.last)) return path;
  return std::move(parts.prefix);
}

std::string extension(std::string const& path) {
  std::string const base = baseName(path);
  std::size_t const dot = base.rfind('.');
  if (dot == std::string::npos) return std::string();
  return base.substr(dot + 1);
}

bool exists(std::string const& path) { return fileStatus(path, name_from_t::user).ok; }

bool isDirectory(std::string const& path) {
  file_status_t const status = fileStatus(path, name_from_t::user);
  return status.ok && status.kind == file_kind_t::directory;
}

open_result_t openForWrite(std::string const& path, std::ios_base::openmode mode) {
  // Else another file could be created or truncated.
  std::optional<std::filesystem::path> const native = platform::typedPath(path);
  if (!native) return open_result_t(internal::notOpenedForWriting(path));
  std::fstream stream;
  stream.open(*native, mode);
  if (stream.fail() || stream.bad()) {
    return open_result_t(internal::notOpenedForWriting(path));
  }
  return open_result_t(std::move(stream));
}

}  // namespace dvk
