// Opening a name from a checksum file on Windows, for the status query and the
// reader alike: a reparse point is followed only where it leads on this
// machine, for a link to another machine's share would make the open connect
// there and offer it the user's credentials.
#pragma once

#include <windows.h>

#include <filesystem>

namespace dvk::internal {

struct listed_open_t {
  HANDLE handle = INVALID_HANDLE_VALUE;  // open when the name was followed and opened
  bool remote = false;                   // a link on the way leads to another machine (or nowhere known)
  DWORD error = ERROR_SUCCESS;           // why the open failed, else
};

// Opens native, the verbatim path of a name from a list, with access,
// share and flags (CreateFileW's, OPEN_EXISTING). Each folder of the name and
// the name itself are first opened as they are (FILE_FLAG_OPEN_REPARSE_POINT):
// a symbolic link or a junction whose target is on another machine
// ("\??\UNC\...", a mapped network drive) or in no form known here is never
// followed; any other is, as the open itself follows it.
listed_open_t openListed(std::filesystem::path const& native, DWORD access, DWORD share, DWORD flags);

}  // namespace dvk::internal
