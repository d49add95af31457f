// For the Windows tests of names that Win32 would rewrite: the standard
// library removes a scratch folder by Win32 paths, where "Con.Air.1997.nfo"
// or "a.nfo." cannot be deleted (and its remove_all then never returns). So
// such a test empties its folder itself, by verbatim paths, before it goes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "files/native_path.h"
#include "files/regular_file.h"

namespace dvk::test {

// Removes everything inside folder, a verbatim path ending in "\".
inline void removeEntriesVerbatim(std::wstring const& folder) {
  WIN32_FIND_DATAW found;
  HANDLE const search = FindFirstFileW((folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring const name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring const path = folder + name;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      removeEntriesVerbatim(path + L"\\");
      RemoveDirectoryW(path.c_str());
    } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(search, &found) != 0);
  FindClose(search);
}

// Writes bytes as the file name spells it (as a name from a list, by its
// verbatim path: "NUL" is a file); false when it cannot.
inline bool makeVerbatim(std::string const& name, std::string const& bytes) {
  std::optional<std::filesystem::path> const native = platform::nativePath(name);
  if (!native) return false;
  HANDLE const file =
      CreateFileW(native->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool const whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
                     written == bytes.size();
  return CloseHandle(file) != 0 && whole;
}

// Every byte of the file name spells (as a name from a list); "(unreadable)"
// when it cannot be read.
inline std::string readVerbatim(std::string const& name) {
  regular_file_t file(name);
  if (!file.isOpen()) return "(unreadable)";
  std::string bytes(static_cast<std::size_t>(file.size()), '\0');
  if (file.read(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()) != static_cast<int64_t>(bytes.size())) {
    return "(unreadable)";
  }
  return bytes;
}

// Empties the current directory.
inline void emptyCurrentDirectory() { removeEntriesVerbatim(platform::nativePath(".")->native()); }

}  // namespace dvk::test
