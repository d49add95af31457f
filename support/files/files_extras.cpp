// File extras of the Windows deliverable.
#include "files/files_extras.h"

#include <iostream>
#include <memory>
#include <vector>

#include "files/file_status.h"
#include "files/internal/path_error.h"
#include "files/native_path.h"
#include "files/path_resolve.h"
#include "files/standard_streams.h"

namespace dvk {

const std::string stdinName = "{data from stdin}";

namespace {

// Both the reserve before the first read and each read are this size.
constexpr std::size_t stdinChunk = 1u << 20;

}  // namespace

std::optional<ErrorCli> verifyFileForRead(std::string const& path) {
  if (!exists(path)) return internal::pathError("'", path, "': no such file or directory");
  if (isDirectory(path)) return internal::pathError("'", path, "': is a directory");
  return std::nullopt;
}

std::optional<ErrorCli> readFileAndProcess(std::string const& path, file_process_t const& process) {
  if (auto failure = verifyFileForRead(path)) return failure;
  file_t file;
  if (!loadFile(path, file)) return internal::pathError("could not read from '", path, "'");
  return process(file);
}

std::optional<ErrorCli> loadStdin(file_t& file) {
  // All bytes as they are: no CR LF folding, no stop at Ctrl-Z on Windows.
  platform::binaryStandardStreams();
  std::vector<uint8_t>& data = file.data;
  data.reserve(stdinChunk);
  auto piece = std::make_unique<char[]>(stdinChunk);
  std::size_t total = 0;
  if (!std::cin.eof()) {
    for (;;) {
      std::cin.read(piece.get(), static_cast<std::streamsize>(stdinChunk));
      const auto got = static_cast<std::size_t>(std::cin.gcount());
      total += got;
      // Doubling keeps a large input to a few copies.
      if (data.capacity() < total) data.reserve(2 * total);
      data.insert(data.end(), piece.get(), piece.get() + got);
      // A short read sets eof; a read error sets fail or bad without it. Either
      // way nothing more will come, so the loop must end on any of them.
      if (!std::cin.good()) break;
    }
  }
  piece.reset();
  if (data.capacity() > data.size()) data.shrink_to_fit();
  file.dir.clear();
  file.name = stdinName;
  return std::nullopt;
}

std::optional<ErrorCli> readStdinAndProcess(file_process_t const& process) {
  file_t file;
  if (auto failure = loadStdin(file)) return failure;
  return process(file);
}

std::optional<ErrorCli> openForWrite(std::string const& path, std::fstream& stream, std::ios_base::openmode mode) {
  std::fstream opened;
  // A name that names no file here (a NUL byte; not UTF-8 on Windows) fails as
  // an open would.
  if (std::optional<std::filesystem::path> const native = platform::typedPath(path))
    opened.open(*native, mode);
  else
    opened.setstate(std::ios_base::failbit);
  // As a move-assignment would: the caller's stream takes over the new file
  // with all of its state (formatting and exception mask too, copied before
  // the open state so that a mask the caller set cannot throw here); its old
  // file goes to the local, which closes it. (Swapping the whole streams
  // trips a false overflow warning of GCC with AddressSanitizer.)
  stream.rdbuf()->swap(*opened.rdbuf());
  stream.copyfmt(opened);
  stream.clear(opened.rdstate());
  if (stream.fail()) return internal::notOpenedForWriting(path);
  return std::nullopt;
}

bool writeFile(std::string const& path, const char* bytes, std::streamsize count, std::ios_base::openmode mode) {
  std::fstream out;
  if (openForWrite(path, out, mode)) {
    std::cerr << "error: could not open \"" << path << "\" for writing\n";
    return false;
  }
  out.write(bytes, count);
  // Flushed and closed here: a full disk or a size limit often shows only when
  // the buffered bytes reach the file, and that is a failed write too.
  out.flush();
  out.close();
  if (out.fail()) {
    std::cerr << "error: failure while trying to write to \"" << path << "\"\n";
    return false;
  }
  return true;
}

std::string realPath(std::string const& path) { return platform::resolvePath(path.c_str()).value_or(std::string()); }

bool pathResolves(const char* path) { return platform::resolvePath(path).has_value(); }

bool pathResolves(std::string const& path) { return pathResolves(path.c_str()); }

bool exists(const char* path) { return path != nullptr && exists(std::string(path)); }

bool isDirectory(const char* path) { return path != nullptr && isDirectory(std::string(path)); }

bool isRegularFile(const char* path) { return path != nullptr && isRegularFile(std::string(path)); }

bool isRegularFile(std::string const& path) {
  const file_status_t status = fileStatus(path, name_from_t::user);
  return status.ok && status.kind == file_kind_t::regular;
}

}  // namespace dvk
