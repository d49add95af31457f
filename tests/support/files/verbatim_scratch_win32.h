// For the Windows tests of names that Win32 would rewrite: the standard
// library removes a scratch folder by Win32 paths, where "Con.Air.1997.nfo"
// or "a.nfo." cannot be deleted (and its remove_all then never returns). So
// such a test empties its folder itself, by verbatim paths, before it goes.
#pragma once

#include <windows.h>

#include <string>

#include "files/native_path.h"

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

// Empties the current directory.
inline void emptyCurrentDirectory() { removeEntriesVerbatim(platform::nativePath(".")->native()); }

}  // namespace dvk::test
