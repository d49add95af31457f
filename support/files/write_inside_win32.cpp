// The writer's system calls on Windows. Every call takes the verbatim path of
// nativePath, so the name reaches exactly the file it spells. Windows opens
// no entry relative to a folder's handle without its native API, so each
// folder on the way is held instead (shared for reading and writing but not
// for deleting, so that no one renames or replaces it), each entry is opened
// without following a reparse point, and what was opened is then tested by
// handle: it must lie in the held folder under the part as spelt. The
// temporary is moved into place and removed by its handle, never by a path.
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "files/internal/identity_win32.h"
#include "files/internal/os_handle_win32.h"
#include "files/internal/write_inside_platform.h"
#include "files/native_path.h"
#include "files/path_rules.h"
#include "text/utf16.h"

namespace dvk::internal {

namespace {

// One WriteFile takes at most a DWORD of bytes; smaller pieces keep it simple.
constexpr std::size_t writePiece = std::size_t{1} << 30;
// The attributes a replaced file passes on to the file that replaces it.
// (A read-only file is never replaced.)
constexpr DWORD keptAttributes =
    FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// The longest path Windows takes at all, with its zero.
constexpr std::size_t longestPath = 32768;
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What the native calls answer (ntstatus.h, which <windows.h> does not take).
constexpr NTSTATUS nameTaken = static_cast<NTSTATUS>(0xC0000035);       // STATUS_OBJECT_NAME_COLLISION
constexpr NTSTATUS accessDenied = static_cast<NTSTATUS>(0xC0000022);    // STATUS_ACCESS_DENIED
constexpr NTSTATUS readOnlyMedium = static_cast<NTSTATUS>(0xC00000A2);  // STATUS_MEDIA_WRITE_PROTECTED
// Enough for a folder renamed back and forth a few times meanwhile.
constexpr int removalAttempts = 4;
// Listing access, so that the sharing counts: without deleting shared, no one
// renames or removes a held folder.
constexpr DWORD folderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_TRAVERSE;

using internal::asHandle;
HANDLE asHandle(owned_handle_t const& handle) { return asHandle(handle.get()); }

std::wstring wide(std::u16string const& text) { return std::wstring(text.begin(), text.end()); }

// The verbatim path of an entry of folder; empty when it has none.
std::optional<std::wstring> entryPath(folder_t const& folder, std::string const& part) {
  std::optional<std::filesystem::path> const native = platform::nativePath(folder.spelt + part);
  if (!native || native->native().size() >= longestPath) return std::nullopt;
  return native->native();
}

// Where an open file or folder lies now: its path on its volume
// ("\rel\sub\a.nfo"; "" for the root), as the system names it. (The final
// path of GetFinalPathNameByHandleW would do as well, but wine gives none
// past 260 characters.) Empty when it cannot be told.
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

bool sameIgnoringCase(std::wstring const& a, std::wstring const& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The name of the entry that part (a short name, say) reaches in folder, as
// the folder lists it; empty when it reaches none.
std::optional<std::wstring> listedName(folder_t const& folder, std::string const& part) {
  std::optional<std::wstring> const path = entryPath(folder, part);
  if (!path) return std::nullopt;
  WIN32_FIND_DATAW found;
  HANDLE const search = FindFirstFileExW(path->c_str(), FindExInfoStandard, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return std::wstring(found.cFileName);
}

// True when what opened lies in folder under the part as spelt (its case or
// its short name aside). A reparse point that the open followed after all
// (wine follows a Unix link even when asked not to) lies elsewhere, or under
// its target's name.
bool liesAs(HANDLE opened, folder_t const& folder, std::string const& part) {
  std::optional<std::wstring> const path = pathOnVolume(opened);
  std::optional<std::wstring> const within = pathOnVolume(asHandle(folder.handle));
  if (!path || !within || path->size() <= within->size() || path->compare(0, within->size(), *within) != 0 ||
      (*path)[within->size()] != L'\\') {
    return false;
  }
  std::wstring const leaf = path->substr(within->size() + 1);
  if (leaf.find(L'\\') != std::wstring::npos) return false;
  std::optional<std::u16string> const spelt = utf8ToUtf16(part);
  if (!spelt) return false;
  if (sameIgnoringCase(leaf, wide(*spelt))) return true;
  std::optional<std::wstring> const listed = listedName(folder, part);
  return listed && sameIgnoringCase(leaf, *listed);
}

bool isReparsePoint(HANDLE handle, bool& reparse, DWORD& attributes) {
  FILE_ATTRIBUTE_TAG_INFO tag;
  if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) == 0) return false;
  reparse = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  attributes = tag.FileAttributes;
  return true;
}

// Opens an entry of folder as it is, never through a reparse point, and tells
// whether it is one, or lies elsewhere (throughLink).
write_outcome_t openEntry(folder_t const& folder, std::string const& part, DWORD access, DWORD share, DWORD flags,
                          owned_handle_t& opened, DWORD& error) {
  error = ERROR_SUCCESS;
  std::optional<std::wstring> const path = entryPath(folder, part);
  if (!path) {
    error = ERROR_INVALID_NAME;
    return write_outcome_t::openFailed;
  }
  opened.reset(fromHandle(CreateFileW(path->c_str(), access, share, nullptr, OPEN_EXISTING,
                                      flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
  if (!opened.valid()) {
    error = GetLastError();
    return write_outcome_t::openFailed;
  }
  bool reparse = false;
  DWORD attributes = 0;
  if (!isReparsePoint(asHandle(opened), reparse, attributes)) return write_outcome_t::openFailed;
  if (reparse || !liesAs(asHandle(opened), folder, part)) return write_outcome_t::throughLink;
  return write_outcome_t::written;
}

write_outcome_t holdFolder(HANDLE opened, folder_t& folder) {
  folder.handle.reset(fromHandle(opened));
  bool reparse = false;
  DWORD attributes = 0;
  if (!isReparsePoint(opened, reparse, attributes)) return write_outcome_t::openFailed;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? write_outcome_t::written : write_outcome_t::openFailed;
}

// Opens (FILE_OPEN) or creates (FILE_CREATE) the entry leaf of the held
// folder relative to its handle, never through a reparse point: the native
// call, since Win32 opens nothing relative to a folder.
NTSTATUS openInFolder(folder_t const& folder, std::u16string const& leaf, ACCESS_MASK access, ULONG share,
                      ULONG disposition, HANDLE& opened) {
  std::u16string name = leaf;
  UNICODE_STRING spelt{};
  spelt.Buffer = reinterpret_cast<PWSTR>(name.data());
  spelt.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  spelt.MaximumLength = spelt.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &spelt, OBJ_CASE_INSENSITIVE, asHandle(folder.handle), nullptr);
  IO_STATUS_BLOCK done{};
  return NtCreateFile(&opened, access, &attributes, &done, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                      FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
}

}  // namespace

std::optional<write_outcome_t> refusedByPlatform(std::string const& name) {
  // "NUL:" would be a stream of NUL, "a.txt:x" a hidden stream of a.txt.
  if (namesDataStream(name)) return write_outcome_t::dataStream;
  if (isDeviceName(name)) return write_outcome_t::deviceName;
  if (endsInDotOrSpace(name)) return write_outcome_t::endsInDotOrSpace;
  if (!utf8ToUtf16(name)) return write_outcome_t::notUtf8;
  return std::nullopt;
}

write_outcome_t openCurrentFolder(folder_t& folder) {
  // The current directory is the user's choice, wherever it leads: only the
  // folders of the name are opened as they are, never followed.
  std::optional<std::filesystem::path> const here = platform::nativePath(".");
  if (!here) return write_outcome_t::openFailed;
  HANDLE const opened = CreateFileW(here->c_str(), folderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return write_outcome_t::openFailed;
  return holdFolder(opened, folder);
}

write_outcome_t openFolder(folder_t const& parent, std::string const& part, folder_t& folder) {
  owned_handle_t opened;
  DWORD error = ERROR_SUCCESS;
  // Backup semantics opens a folder.
  write_outcome_t const found = openEntry(parent, part, folderAccess, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          FILE_FLAG_BACKUP_SEMANTICS, opened, error);
  if (found != write_outcome_t::written) return found;
  folder.spelt = parent.spelt + part + "/";
  return holdFolder(asHandle(opened.release()), folder);
}

entry_t lookAt(folder_t const& folder, std::string const& part, file_facts_t& facts) {
  owned_handle_t opened;
  DWORD error = ERROR_SUCCESS;
  // No access right is needed to ask; backup semantics opens a folder too.
  switch (openEntry(folder, part, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    FILE_FLAG_BACKUP_SEMANTICS, opened, error)) {
    case write_outcome_t::written:
      return identify(opened.get(), facts) ? entry_t::present : entry_t::failed;
    case write_outcome_t::throughLink:
      return entry_t::link;
    default:
      return error == ERROR_FILE_NOT_FOUND ? entry_t::absent : entry_t::failed;
  }
}

write_outcome_t openExisting(folder_t const& folder, std::string const& last, open_for_t purpose, owned_handle_t& file,
                             file_facts_t& facts) {
  // A rewrite shares reading only: no one writes, renames or removes it
  // meanwhile.
  DWORD const share =
      purpose == open_for_t::rewrite ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  DWORD error = ERROR_SUCCESS;
  write_outcome_t const opened = openEntry(folder, last, GENERIC_WRITE, share, 0, file, error);
  if (opened != write_outcome_t::written) return opened;
  if (!identify(file.get(), facts)) return write_outcome_t::openFailed;
  if (purpose == open_for_t::rewrite) return write_outcome_t::written;
  // The pin asks for its attributes alone, so that it stands in the way of no
  // one's open, not even a rewrite's; it must be the file just probed.
  if (!file.close()) return write_outcome_t::openFailed;
  file_facts_t pinned;
  if (openEntry(folder, last, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, file,
                error) != write_outcome_t::written ||
      !identify(file.get(), pinned) || pinned.id != facts.id) {
    return write_outcome_t::openFailed;
  }
  return write_outcome_t::written;
}

bool identify(os_handle_t file, file_facts_t& facts) {
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  if (GetFileInformationByHandle(asHandle(file), &info) == 0 ||
      GetFileInformationByHandleEx(asHandle(file), FileBasicInfo, &basic, sizeof basic) == 0) {
    return false;
  }
  facts = file_facts_t{};
  facts.id = identityOf(info);
  facts.size = sizeOf(info);
  facts.stamp = stampOf(basic);
  facts.links = info.nNumberOfLinks;
  // A console, a pipe or a serial port is no file on a disk.
  facts.replaceable = GetFileType(asHandle(file)) == FILE_TYPE_DISK &&
                      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
  facts.permissions = info.dwFileAttributes;
  return true;
}

bool folderIsPrivate(folder_t const& /*folder*/) { return true; }

created_t createTemporary(folder_t const& folder, temporary_file_t& temporary, bool /*replacing*/) {
  std::optional<std::u16string> const leaf = utf8ToUtf16(temporary.leaf);
  if (!leaf) return created_t::failed;
  // Relative to the held folder, wherever a path to it leads now. Shared
  // with no one: no other process opens, moves or removes it while it is
  // this writer's. DELETE, so that it is moved and removed by handle.
  HANDLE created = INVALID_HANDLE_VALUE;
  NTSTATUS const status = openInFolder(folder, *leaf, GENERIC_WRITE | DELETE | SYNCHRONIZE, 0, FILE_CREATE, created);
  if (status == nameTaken) return created_t::taken;
  if (status == accessDenied || status == readOnlyMedium) return created_t::denied;
  if (status < 0) return created_t::failed;
  temporary.file.reset(fromHandle(created));
  // The same file, for moving and removing it once the writing handle is
  // closed.
  HANDLE keeper = INVALID_HANDLE_VALUE;
  if (DuplicateHandle(GetCurrentProcess(), created, GetCurrentProcess(), &keeper, 0, FALSE, DUPLICATE_SAME_ACCESS) !=
      0) {
    temporary.keeper.reset(fromHandle(keeper));
  }
  if (!temporary.keeper.valid()) {
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(created, FileDispositionInfo, &remove, sizeof remove);
    temporary.file.reset();
    return created_t::failed;
  }
  return created_t::created;
}

bool liesIn(folder_t const& folder, temporary_file_t const& temporary) {
  return liesAs(asHandle(temporary.file), folder, temporary.leaf);
}

os_handle_t removalHandle(temporary_file_t const& temporary) { return temporary.keeper.get(); }

void removeTemporary(folder_t const& folder, temporary_file_t& temporary) {
  file_facts_t facts;
  bool const known = identify(temporary.keeper.get(), facts);
  // Gone when the last handle to it closes.
  FILE_DISPOSITION_INFO remove{TRUE};
  SetFileInformationByHandle(asHandle(temporary.keeper), FileDispositionInfo, &remove, sizeof remove);
  temporary.keeper.reset();
  // wine removes a file so marked by the path it was made by, which a folder
  // renamed meanwhile by another process (wine's own sharing rules bind wine's
  // processes alone) sends elsewhere: what still bears its name in the held
  // folder and is this very file goes again.
  std::optional<std::u16string> const leaf = utf8ToUtf16(temporary.leaf);
  for (int attempt = 0; known && leaf && attempt < removalAttempts; ++attempt) {
    HANDLE left = INVALID_HANDLE_VALUE;
    if (openInFolder(folder, *leaf, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, shareAll, FILE_OPEN, left) < 0) return;
    file_facts_t now;
    bool const same = identify(fromHandle(left), now) && now.id == facts.id;
    if (same) SetFileInformationByHandle(left, FileDispositionInfo, &remove, sizeof remove);
    CloseHandle(left);
    if (!same) return;
  }
}

bool renameTemporary(folder_t const& folder, temporary_file_t const& temporary, std::string const& last) {
  std::optional<std::u16string> const name = utf8ToUtf16(last);
  if (!name || name->size() >= longestPath) return false;
  std::size_t const bytes = name->size() * sizeof(wchar_t);
  // FILE_RENAME_INFO ends in the name; DWORDs keep it aligned.
  std::vector<DWORD> buffer((offsetof(FILE_RENAME_INFO, FileName) + bytes + sizeof(wchar_t)) / sizeof(DWORD) + 1);
  auto* const info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  // The name is an entry of the held folder, whatever path leads there now.
  // (The native call, for SetFileInformationByHandle may take the name for a
  // path from the current directory, as wine's does.)
  info->RootDirectory = asHandle(folder.handle);
  info->FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(info->FileName, name->data(), bytes);
  IO_STATUS_BLOCK done{};
  return NtSetInformationFile(asHandle(temporary.keeper), &done, info,
                              static_cast<ULONG>(buffer.size() * sizeof(DWORD)), FileRenameInformation) >= 0;
}

bool takeOver(os_handle_t file, file_facts_t const& /*fresh*/, file_facts_t const& old) {
  FILE_BASIC_INFO basic{};  // times of zero stay as they are
  basic.FileAttributes = old.permissions & keptAttributes;
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(asHandle(file), FileBasicInfo, &basic, sizeof basic) != 0;
}

int64_t writeAt(os_handle_t file, const uint8_t* bytes, std::size_t size, uint64_t offset) {
  DWORD const piece = static_cast<DWORD>(size < writePiece ? size : writePiece);
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD written = 0;
  if (WriteFile(asHandle(file), bytes, piece, &written, &where) == 0) return -1;
  return written;
}

reserved_t reserveSize(os_handle_t file, std::size_t size) {
  LARGE_INTEGER current{};
  if (GetFileSizeEx(asHandle(file), &current) == 0) return reserved_t::failed;
  // Bytes that overwrite old ones need no new room; and an allocation below
  // the end of the file would cut it.
  if (static_cast<uint64_t>(current.QuadPart) >= size) return reserved_t::reserved;
  FILE_ALLOCATION_INFO allocation{};
  allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
  if (SetFileInformationByHandle(asHandle(file), FileAllocationInfo, &allocation, sizeof allocation) != 0) {
    return reserved_t::reserved;
  }
  // wine has no such call.
  DWORD const error = GetLastError();
  return error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_INVALID_PARAMETER ? reserved_t::unsupported
                                                                                 : reserved_t::failed;
}

bool setEnd(os_handle_t file, std::size_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  return SetFileInformationByHandle(asHandle(file), FileEndOfFileInfo, &end, sizeof end) != 0;
}

}  // namespace dvk::internal
