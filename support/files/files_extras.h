// Further file helpers carried by the Windows deliverable: checked reading with
// a callback, standard input as a file, writing buffers, path resolution and
// regular-file tests. Paths are byte strings used unchanged.
#pragma once

#include <fstream>
#include <functional>
#include <ios>
#include <optional>
#include <string>

#include "files/files.h"

namespace dvk {

// The name loadStdin gives standard input: "{data from stdin}".
extern const std::string stdinName;

// What a reading function hands the loaded file to. It may take the data out of
// the file, which lives until it returns; its result is passed on unchanged.
using file_process_t = std::function<std::optional<ErrorCli>(file_t&)>;

// Every error value made here has code 0; its print writes one text to
// std::cerr without a line end, and holds its own copy of the path.

// Empty when path can be read as a file. Errors: "'path': no such file or
// directory" when its status cannot be read (a missing path is never called a
// directory), "'path': is a directory". Devices, FIFOs and sockets pass.
std::optional<ErrorCli> verifyFileForRead(std::string const& path);

// verifyFileForRead, then loadFile, then process(file). The first failure is
// returned and stops the rest; a load failure is "could not read from 'path'".
// An empty process throws std::bad_function_call, after the file was loaded.
std::optional<ErrorCli> readFileAndProcess(std::string const& path, file_process_t const& process);

// Appends all of standard input (std::cin, consumed) to file.data, reading in
// 1 MiB pieces; dir becomes "" and name stdinName. Nothing is read when std::cin
// is already at end of input or failed. Always empty: a read error ends the
// loop like end of input does and stays visible in std::cin's state (bad or
// fail without eof). Capacity beyond the size is released at the end.
std::optional<ErrorCli> loadStdin(file_t& file);

// loadStdin into a fresh file, then process(file); an empty process throws
// std::bad_function_call.
std::optional<ErrorCli> readStdinAndProcess(file_process_t const& process);

// Opens path with exactly mode (pass std::ios_base::out and the rest) and hands
// the new file, with the state of opening it, to stream, closing whatever file
// it held, as a move-assignment would. Error: "'path': could not be opened
// for writing"; stream then holds no file and is failed.
std::optional<ErrorCli> openForWrite(std::string const& path, std::fstream& stream, std::ios_base::openmode mode);

// Writes count bytes to path opened with mode, then flushes and closes the file.
// On failure prints one plain line straight to std::cerr (no program name, no
// level, never quieted) and returns false: "error: could not open \"path\" for
// writing", or "error: failure while trying to write to \"path\"" when the
// write, the flush or the close fails (a full disk, a file-size limit).
bool writeFile(std::string const& path, const char* bytes, std::streamsize count, std::ios_base::openmode mode);

// The absolute path with ".", ".." and links resolved; "" when path does not
// resolve (missing, say). The Windows deliverable answers in drive-letter form.
std::string realPath(std::string const& path);
// Whether realPath would resolve path (the std::string form passes the
// characters up to the first zero byte).
bool pathResolves(const char* path);
bool pathResolves(std::string const& path);

// The std::string forms of files.h with a character pointer.
bool exists(const char* path);
bool isDirectory(const char* path);

// The status query succeeds (following links) and the type is a regular file.
bool isRegularFile(const char* path);
bool isRegularFile(std::string const& path);

}  // namespace dvk
