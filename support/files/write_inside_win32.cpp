// Writing a stored file on Windows: every existing folder on the way and the
// name itself tested for a reparse point (a symbolic link or a junction), the
// bytes written beside the name and moved over it. Windows opens no folder
// relative to another's handle without its native API, so the walk tests
// each folder's path in turn; the name is never opened through a link.
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "files/files.h"
#include "files/internal/temporary_name.h"
#include "files/path_rules.h"
#include "files/write_inside.h"
#include "text/utf16.h"

namespace dvk {

namespace {

// Enough for two runs that start together and a few strays of older ones.
constexpr int createAttempts = 16;
// One WriteFile takes at most a DWORD of bytes; smaller pieces keep it simple.
constexpr std::size_t writePiece = std::size_t{1} << 30;

const wchar_t* wide(std::wstring const& text) { return text.c_str(); }

std::wstring toWide(std::u16string const& text) { return std::wstring(text.begin(), text.end()); }

// The UTF-16 spelling of one part of a name; empty for a part that is not
// UTF-8 (it has no spelling) or that Windows takes for a device.
std::optional<std::wstring> wideName(std::string const& part) {
  if (isDeviceName(part)) return std::nullopt;
  std::optional<std::u16string> const utf16 = utf8ToUtf16(part);
  if (!utf16) return std::nullopt;
  return toWide(*utf16);
}

// Closes a handle on every way out.
class handle_t {
 public:
  explicit handle_t(HANDLE handle) : handle_(handle) {}
  ~handle_t() {
    if (valid()) CloseHandle(handle_);
  }
  handle_t(handle_t const&) = delete;
  handle_t& operator=(handle_t const&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  void reset(HANDLE handle) {
    if (valid()) CloseHandle(handle_);
    handle_ = handle;
  }
  // Closes now; a failed close can be the only sign of lost bytes.
  bool close() {
    HANDLE const handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// A fresh file beside the name, removed again unless it was moved into place.
class temporary_file_t {
 public:
  explicit temporary_file_t(std::wstring folder) : folder_(std::move(folder)) {}
  ~temporary_file_t() { discard(); }
  temporary_file_t(temporary_file_t const&) = delete;
  temporary_file_t& operator=(temporary_file_t const&) = delete;

  // False, with the last error set, when it cannot be made.
  bool create(std::string const& last) {
    for (int attempt = 0; attempt < createAttempts; ++attempt) {
      std::optional<std::u16string> const name = utf8ToUtf16(internal::temporaryName(last));
      if (!name) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
      }
      path_ = folder_ + toWide(*name);
      HANDLE const handle =
          CreateFileW(wide(path_), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        created_ = true;
        file_.reset(handle);
        return true;
      }
      DWORD const error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
  }
  HANDLE handle() const { return file_.get(); }
  bool close() { return file_.close(); }
  bool moveOver(std::wstring const& target) {
    if (MoveFileExW(wide(path_), wide(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) return false;
    created_ = false;
    return true;
  }

 private:
  void discard() {
    file_.reset(INVALID_HANDLE_VALUE);
    if (created_) DeleteFileW(wide(path_));
    created_ = false;
  }

  std::wstring folder_;
  std::wstring path_;
  handle_t file_{INVALID_HANDLE_VALUE};
  bool created_ = false;
};

bool writeAll(HANDLE handle, const uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    DWORD const piece = static_cast<DWORD>(size < writePiece ? size : writePiece);
    DWORD written = 0;
    if (WriteFile(handle, bytes, piece, &written, nullptr) == 0 || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

// A regular file on a disk, reached without a reparse point.
bool isPlainFile(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || GetFileInformationByHandle(handle, &info) == 0) return false;
  return (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

write_result_t outcome(write_outcome_t what) { return write_result_t{what, file_id_t{}}; }

// The identity of an open file; false when it cannot be told.
bool identify(HANDLE handle, file_id_t& id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info) == 0) return false;
  id = file_id_t{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
  return true;
}

HANDLE openExisting(std::wstring const& path, DWORD disposition) {
  return CreateFileW(wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     disposition, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

write_result_t rewriteInPlace(std::wstring const& path, const uint8_t* bytes, std::size_t size) {
  handle_t file(openExisting(path, TRUNCATE_EXISTING));
  write_result_t result{write_outcome_t::written, file_id_t{}};
  if (!file.valid() || !isPlainFile(file.get()) || !identify(file.get(), result.file)) {
    return outcome(write_outcome_t::openFailed);
  }
  if (!writeAll(file.get(), bytes, size)) return outcome(write_outcome_t::writeFailed);
  return file.close() ? result : outcome(write_outcome_t::writeFailed);
}

// The attributes of path; empty when it does not exist.
std::optional<DWORD> attributes(std::wstring const& path, bool& failed) {
  DWORD const found = GetFileAttributesW(wide(path));
  if (found != INVALID_FILE_ATTRIBUTES) return found;
  DWORD const error = GetLastError();
  failed = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  return std::nullopt;
}

// Writes last inside folder (empty, or ending in a separator).
write_result_t writeInFolder(std::wstring const& folder, std::string const& last, std::wstring const& wideLast,
                             const uint8_t* bytes, std::size_t size, keep_file_t const& keep) {
  if (wideLast.empty() || wideLast == L".") return outcome(write_outcome_t::openFailed);
  std::wstring const path = folder + wideLast;
  bool failed = false;
  std::optional<DWORD> const found = attributes(path, failed);
  if (failed) return outcome(write_outcome_t::openFailed);
  bool const existed = found.has_value();
  if (existed) {
    if ((*found & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return outcome(write_outcome_t::throughLink);
    if ((*found & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return outcome(write_outcome_t::openFailed);
    // The file must be one this user may change; the test open neither
    // truncates nor follows a reparse point.
    handle_t probe(openExisting(path, OPEN_EXISTING));
    file_id_t id;
    if (!probe.valid() || !isPlainFile(probe.get()) || !identify(probe.get(), id)) {
      return outcome(write_outcome_t::openFailed);
    }
    if (keep && keep(id)) return write_result_t{write_outcome_t::keptFile, id};
    if (!probe.close()) return outcome(write_outcome_t::openFailed);
  }

  temporary_file_t temporary(folder);
  if (!temporary.create(last)) {
    if (existed && GetLastError() == ERROR_ACCESS_DENIED) return rewriteInPlace(path, bytes, size);
    return outcome(write_outcome_t::openFailed);
  }
  write_result_t result{write_outcome_t::written, file_id_t{}};
  if (!identify(temporary.handle(), result.file) || !writeAll(temporary.handle(), bytes, size) || !temporary.close() ||
      !temporary.moveOver(path)) {
    return outcome(write_outcome_t::writeFailed);
  }
  return result;
}

}  // namespace

write_result_t writeInside(std::string const& name, const uint8_t* bytes, std::size_t size, keep_file_t const& keep) {
  if (!staysInside(name)) return outcome(write_outcome_t::leadsOutside);
  if (hasHiddenPart(name)) return outcome(write_outcome_t::hiddenName);
  // "NUL:" would reach the device, "a.txt:x" a hidden stream of a.txt.
  if (namesDataStream(name)) return outcome(write_outcome_t::openFailed);
  std::wstring folder;
  std::size_t begin = 0;
  // Windows takes both separators.
  for (std::size_t end = name.find_first_of(pathSeparators); end != std::string::npos;
       end = name.find_first_of(pathSeparators, begin)) {
    std::string const part = name.substr(begin, end - begin);
    begin = end + 1;
    if (part.empty() || part == ".") continue;
    std::optional<std::wstring> const widePart = wideName(part);
    if (!widePart) return outcome(write_outcome_t::openFailed);
    folder += *widePart;
    bool failed = false;
    std::optional<DWORD> const found = attributes(folder, failed);
    if (!found) return outcome(write_outcome_t::openFailed);
    if ((*found & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return outcome(write_outcome_t::throughLink);
    if ((*found & FILE_ATTRIBUTE_DIRECTORY) == 0) return outcome(write_outcome_t::openFailed);
    folder += L'\\';
  }
  std::string const last = name.substr(begin);
  std::optional<std::wstring> const wideLast = wideName(last);
  if (!wideLast) return outcome(write_outcome_t::openFailed);
  return writeInFolder(folder, last, *wideLast, bytes, size, keep);
}

}  // namespace dvk
