// Writing a stored file on Windows. Every call takes the verbatim path of
// nativePath, so the name reaches exactly the file it spells. Windows opens
// no folder relative to another's handle without its native API, so the walk
// holds each folder on the way instead: opened without following a reparse
// point (a symbolic link or a junction), tested by handle, and shared for
// reading and writing but not for deleting, which keeps it from being renamed
// or replaced until the file is in place. The bytes go into a fresh file in
// the innermost folder, which is moved over the name.
#include <windows.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "files/files.h"
#include "files/internal/temporary_name.h"
#include "files/internal/write_seams.h"
#include "files/native_path.h"
#include "files/path_rules.h"
#include "files/write_inside.h"
#include "text/utf16.h"

namespace dvk {

namespace {

// Enough for two runs that start together and a few strays of older ones.
constexpr int createAttempts = 16;
// One WriteFile takes at most a DWORD of bytes; smaller pieces keep it simple.
constexpr std::size_t writePiece = std::size_t{1} << 30;
// The attributes a replaced file passes on to the file that replaces it.
// (A read-only file is never replaced.)
constexpr DWORD keptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// The longest path Windows takes at all, with its zero.
constexpr std::size_t longestPath = 32768;

// Closes a handle on every way out.
class handle_t {
 public:
  explicit handle_t(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~handle_t() {
    if (valid()) CloseHandle(handle_);
  }
  handle_t(handle_t const&) = delete;
  handle_t& operator=(handle_t const&) = delete;
  handle_t(handle_t&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  handle_t& operator=(handle_t&&) = delete;

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

// The temporary being written, for the console control handler: Ctrl+C,
// Ctrl+Break or the closing window end the process on another thread, and
// the handler removes the file first. The writer holds the lock while it
// creates and records a temporary and while it moves or removes it and
// forgets it, so the handler never sees one that is not there or misses one
// that is. Plain data: nothing to build or destroy, nothing allocated.
SRWLOCK inFlightLock = SRWLOCK_INIT;
wchar_t inFlight[longestPath];

class in_flight_lock_t {
 public:
  in_flight_lock_t() { AcquireSRWLockExclusive(&inFlightLock); }
  ~in_flight_lock_t() { ReleaseSRWLockExclusive(&inFlightLock); }
  in_flight_lock_t(in_flight_lock_t const&) = delete;
  in_flight_lock_t& operator=(in_flight_lock_t const&) = delete;
};

BOOL WINAPI removeInFlight(DWORD /*event*/) {
  // Never given back: the process is ending, and no temporary may be made
  // or moved after this one is gone.
  AcquireSRWLockExclusive(&inFlightLock);
  // The writer's handle shares deleting, so the file goes at once or, at the
  // latest, when the ending process closes that handle.
  if (inFlight[0] != L'\0') DeleteFileW(inFlight);
  // The default handler then ends the process as it would have.
  return FALSE;
}

void watchForInterrupts() {
  static bool const installed = SetConsoleCtrlHandler(removeInFlight, TRUE) != 0;
  static_cast<void>(installed);
}

bool attributeTag(HANDLE handle, FILE_ATTRIBUTE_TAG_INFO& tag) {
  return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) != 0;
}

file_id_t idOf(BY_HANDLE_FILE_INFORMATION const& info) {
  return file_id_t{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// Where an open file or folder lies now: its path on its volume
// ("\rel\sub\a.nfo"; "" for the root), as the system names it. (The
// final path of GetFinalPathNameByHandleW would do as well, but wine gives
// none past 260 characters.) Empty when it cannot be told.
std::optional<std::wstring> pathOnVolume(HANDLE handle) {
  // FILE_NAME_INFO with room for the longest path; DWORDs keep it aligned.
  std::vector<DWORD> buffer((sizeof(FILE_NAME_INFO) + longestPath * sizeof(wchar_t)) / sizeof(DWORD) + 1);
  auto* const info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
  if (GetFileInformationByHandleEx(handle, FileNameInfo, info, static_cast<DWORD>(buffer.size() * sizeof(DWORD))) ==
      0) {
    return std::nullopt;
  }
  std::wstring path(info->FileName, info->FileNameLength / sizeof(wchar_t));
  // A folder is known without a "\" at its end, the root as "".
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// The folder part of a path on a volume: "\rel" of "\rel\a.nfo", "" of
// "\a.nfo" (the root, as pathOnVolume gives it).
std::wstring parentOf(std::wstring const& path) {
  std::size_t const separator = path.rfind(L'\\');
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

// True when what the handle opened is an entry of the folder that lies at
// folder. A reparse point the open followed after all (wine follows a Unix
// link even when asked not to) lies elsewhere; a case or short-name
// spelling of the entry still lies in the folder.
bool liesIn(HANDLE handle, std::wstring const& folder) {
  std::optional<std::wstring> const path = pathOnVolume(handle);
  return path && parentOf(*path) == folder;
}

write_result_t outcome(write_outcome_t what) { return write_result_t{what, file_id_t{}}; }

// The folders on the way, each held open from the current directory inward.
class held_folders_t {
 public:
  // Opens and holds the folder spelt by prefix, the current directory (".")
  // first; written when it is a folder reached through no reparse point.
  write_outcome_t hold(std::string const& prefix) {
    std::optional<std::filesystem::path> const native = platform::nativePath(prefix);
    if (!native) return write_outcome_t::openFailed;
    // The current directory is the user's choice, wherever it leads: only
    // the folders of the name are opened as they are, never followed.
    bool const here = folders_.empty();
    DWORD const follow = here ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
    // Listing access, so that the sharing counts: without deleting shared,
    // no one renames or removes the folder while it is held.
    handle_t folder(CreateFileW(native->c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_TRAVERSE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | follow, nullptr));
    if (!folder.valid()) return write_outcome_t::openFailed;
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!attributeTag(folder.get(), tag)) return write_outcome_t::openFailed;
    if (!here && ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !liesIn(folder.get(), paths_.back()))) {
      return write_outcome_t::throughLink;
    }
    if ((tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return write_outcome_t::openFailed;
    std::optional<std::wstring> path = pathOnVolume(folder.get());
    if (!path) return write_outcome_t::openFailed;
    folders_.push_back(std::move(folder));
    paths_.push_back(std::move(*path));
    return write_outcome_t::written;
  }

  // Where the innermost folder lies (see pathOnVolume).
  std::wstring const& innermostPath() const { return paths_.back(); }

 private:
  std::vector<handle_t> folders_;
  std::vector<std::wstring> paths_;
};

// A fresh file in the innermost held folder, removed again unless it was
// moved into place.
class temporary_file_t {
 public:
  temporary_file_t(std::string prefix, std::wstring const& folder) : prefix_(std::move(prefix)), folder_(folder) {}
  ~temporary_file_t() { discard(); }
  temporary_file_t(temporary_file_t const&) = delete;
  temporary_file_t& operator=(temporary_file_t const&) = delete;

  // Creates it exclusively, never through a reparse point; false, with
  // error() set, when it cannot be made.
  bool create(std::string const& last) {
    for (int attempt = 0; attempt < createAttempts; ++attempt) {
      leaf_ = internal::temporaryName(last);
      std::optional<std::filesystem::path> const native = platform::nativePath(prefix_ + leaf_);
      if (!native || native->native().size() >= longestPath) {
        error_ = ERROR_INVALID_NAME;
        return false;
      }
      path_ = native->native();
      in_flight_lock_t const held;
      // Deleting shared, so that the console control handler can remove it
      // by its path while this handle is open.
      HANDLE const handle = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        file_.reset(handle);
        path_.copy(inFlight, path_.size());
        inFlight[path_.size()] = L'\0';
        created_ = true;
        return true;
      }
      error_ = GetLastError();
      if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
  }
  // Why create failed.
  DWORD error() const { return error_; }
  HANDLE handle() const { return file_.get(); }
  // The file still lies in the held folder under its own name.
  bool inPlace() const {
    std::optional<std::u16string> const leaf = utf8ToUtf16(leaf_);
    std::optional<std::wstring> const path = pathOnVolume(file_.get());
    return leaf && path && *path == folder_ + L'\\' + std::wstring(leaf->begin(), leaf->end());
  }
  bool close() { return file_.close() && !internal::writeSeams().failClose; }
  // Replaces the entry target, whatever it is now (a file swapped in is
  // replaced, never written through).
  bool moveOver(std::wstring const& target) {
    in_flight_lock_t const held;
    if (MoveFileExW(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
      return false;
    }
    forget();
    return true;
  }

 private:
  void discard() {
    file_.reset(INVALID_HANDLE_VALUE);
    if (!created_) return;
    in_flight_lock_t const held;
    DeleteFileW(path_.c_str());
    forget();
  }
  void forget() {
    inFlight[0] = L'\0';
    created_ = false;
  }

  std::string prefix_;
  std::wstring const& folder_;  // where the held folder lies
  std::string leaf_;
  std::wstring path_;
  handle_t file_;
  bool created_ = false;
  DWORD error_ = ERROR_SUCCESS;
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

// What the probe learnt of an existing file.
struct existing_t {
  file_id_t id;
  DWORD attributes = 0;
};

// A regular file on a disk in the folder that lies at folder, not a
// reparse point, not a folder, not read-only: info filled in; else the
// outcome that refuses it.
std::optional<write_outcome_t> inspect(HANDLE handle, std::wstring const& folder, BY_HANDLE_FILE_INFORMATION& info) {
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (GetFileType(handle) != FILE_TYPE_DISK || !attributeTag(handle, tag)) return write_outcome_t::openFailed;
  if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !liesIn(handle, folder)) {
    return write_outcome_t::throughLink;
  }
  if (GetFileInformationByHandle(handle, &info) == 0) return write_outcome_t::openFailed;
  // A folder is never replaced, a read-only file never changed.
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    return write_outcome_t::openFailed;
  }
  return std::nullopt;
}

// The existing file itself, rewritten where its folder takes no new entry:
// opened without truncating or following a reparse point, and written only
// when it is still the file the probe found and no other name shares it
// (a hard link's other name would change too).
write_result_t rewriteInPlace(std::wstring const& path, std::wstring const& folder, existing_t const& probed,
                              const uint8_t* bytes, std::size_t size) {
  // Shared for reading only: no one writes, renames or removes it meanwhile.
  handle_t file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) return outcome(write_outcome_t::openFailed);
  BY_HANDLE_FILE_INFORMATION info;
  if (std::optional<write_outcome_t> const refused = inspect(file.get(), folder, info)) return outcome(*refused);
  if (info.nNumberOfLinks != 1 || idOf(info) != probed.id) return outcome(write_outcome_t::openFailed);
  LARGE_INTEGER start{};
  if (SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) == 0 || SetEndOfFile(file.get()) == 0 ||
      !writeAll(file.get(), bytes, size)) {
    return outcome(write_outcome_t::writeFailed);
  }
  bool const closed = file.close() && !internal::writeSeams().failClose;
  return closed ? write_result_t{write_outcome_t::written, probed.id} : outcome(write_outcome_t::writeFailed);
}

// Writes last inside the innermost held folder, spelt prefix (empty, or
// ending in "/").
write_result_t writeInFolder(held_folders_t const& held, std::string const& prefix, std::string const& last,
                             const uint8_t* bytes, std::size_t size, keep_file_t const& keep) {
  std::optional<std::filesystem::path> const native = platform::nativePath(prefix + last);
  if (!native) return outcome(write_outcome_t::openFailed);
  std::wstring const path = native->native();

  // The probe: the file must be one this user may change. It neither
  // truncates nor follows a reparse point; backup semantics opens a folder
  // too, to be refused as one.
  std::optional<existing_t> existing;
  {
    handle_t probe(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr));
    if (probe.valid()) {
      BY_HANDLE_FILE_INFORMATION info;
      std::optional<write_outcome_t> const refused = inspect(probe.get(), held.innermostPath(), info);
      if (refused) return outcome(*refused);
      existing = existing_t{idOf(info), info.dwFileAttributes};
      if (keep && keep(existing->id)) return write_result_t{write_outcome_t::keptFile, existing->id};
      if (!probe.close()) return outcome(write_outcome_t::openFailed);
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
      return outcome(write_outcome_t::openFailed);
    }
  }
  if (existing) {
    if (auto const& afterProbe = internal::writeSeams().afterProbe) afterProbe();
  }

  temporary_file_t temporary(prefix, held.innermostPath());
  if (!temporary.create(last)) {
    // A folder that takes no new entry: a user who may change the file but
    // not the folder keeps that ability.
    if (existing && temporary.error() == ERROR_ACCESS_DENIED) {
      return rewriteInPlace(path, held.innermostPath(), *existing, bytes, size);
    }
    return outcome(write_outcome_t::openFailed);
  }
  if (existing) {
    FILE_BASIC_INFO basic{};  // times of zero stay as they are
    basic.FileAttributes = existing->attributes & keptAttributes;
    if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (SetFileInformationByHandle(temporary.handle(), FileBasicInfo, &basic, sizeof basic) == 0) {
      return outcome(write_outcome_t::writeFailed);
    }
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(temporary.handle(), &info) == 0 || !writeAll(temporary.handle(), bytes, size) ||
      !temporary.inPlace() || !temporary.close() || !temporary.moveOver(path)) {
    return outcome(write_outcome_t::writeFailed);
  }
  return write_result_t{write_outcome_t::written, idOf(info)};
}

}  // namespace

write_result_t writeInside(std::string const& name, const uint8_t* bytes, std::size_t size, keep_file_t const& keep) {
  // The rules on the text come first: none of these names reaches a call.
  // Two separators first ("\\host\share") lead outside as well.
  if (!staysInside(name)) return outcome(write_outcome_t::leadsOutside);
  if (hasHiddenPart(name)) return outcome(write_outcome_t::hiddenName);
  // "NUL:" would be a stream of NUL, "a.txt:x" a hidden stream of a.txt.
  if (namesDataStream(name)) return outcome(write_outcome_t::dataStream);
  if (isDeviceName(name)) return outcome(write_outcome_t::deviceName);
  if (endsInDotOrSpace(name)) return outcome(write_outcome_t::endsInDotOrSpace);
  if (!utf8ToUtf16(name)) return outcome(write_outcome_t::notUtf8);
  watchForInterrupts();

  held_folders_t held;
  write_outcome_t const here = held.hold(".");
  if (here != write_outcome_t::written) return outcome(here);
  std::string prefix;
  std::size_t begin = 0;
  // Windows takes both separators.
  for (std::size_t end = name.find_first_of(pathSeparators); end != std::string::npos;
       end = name.find_first_of(pathSeparators, begin)) {
    std::string const part = name.substr(begin, end - begin);
    begin = end + 1;
    // Empty and "." parts stay where they are; ".." never gets here.
    if (part.empty() || part == ".") continue;
    prefix += part;
    write_outcome_t const folder = held.hold(prefix);
    if (folder != write_outcome_t::written) return outcome(folder);
    prefix += '/';
  }
  std::string const last = name.substr(begin);
  if (last.empty() || last == ".") return outcome(write_outcome_t::openFailed);
  return writeInFolder(held, prefix, last, bytes, size, keep);
}

}  // namespace dvk
