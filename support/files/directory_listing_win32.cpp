// The listing of the current directory on Windows, by its verbatim path.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "files/directory_listing.h"
#include "files/native_path.h"
#include "text/utf16.h"

namespace dvk {

namespace {

// The UTF-8 spelling of a name the system gave; empty for one with a lone
// surrogate, which has none.
std::optional<std::string> narrowed(std::wstring const& wide) {
  std::u16string const utf16(wide.begin(), wide.end());
  std::string utf8 = utf16ToUtf8(utf16);
  std::optional<std::u16string> const back = utf8ToUtf16(utf8);
  if (!back || *back != utf16) return std::nullopt;
  return utf8;
}

// The last part of a verbatim folder path that ends in "\": "" for a drive's
// root ("\\?\C:\"), the share's name for a share's.
std::wstring lastPart(std::wstring folder) {
  folder.pop_back();
  std::size_t const separator = folder.rfind(L'\\');
  std::wstring last = folder.substr(separator + 1);
  if (last.size() == 2 && last[1] == L':') return std::wstring();
  return last;
}

// The system's error of the call that just failed; fallback when it left none.
std::error_code lastError(DWORD fallback) {
  DWORD const code = GetLastError();
  return std::error_code(static_cast<int>(code != ERROR_SUCCESS ? code : fallback), std::system_category());
}

}  // namespace

std::error_code listCurrentDirectory(directory_listing_t& listing) {
  // "." names the current directory, with the "\" after it. The directory
  // may also have no path to list it by (it is neither on a drive nor on a
  // share), which leaves no error of the system's.
  SetLastError(ERROR_SUCCESS);
  std::optional<std::filesystem::path> const here = platform::nativePath(".");
  if (!here) return lastError(ERROR_PATH_NOT_FOUND);
  std::wstring const folder = here->native();
  listing.name = narrowed(lastPart(folder)).value_or(std::string());

  WIN32_FIND_DATAW found;
  HANDLE const search = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    // A drive's root has no "." and "..", so an empty one has nothing at all.
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return std::error_code();
    return lastError(ERROR_PATH_NOT_FOUND);
  }
  std::error_code failure;
  for (;;) {
    std::wstring const entry = found.cFileName;
    if (entry != L"." && entry != L"..") {
      if (std::optional<std::string> const utf8 = narrowed(entry)) listing.entries.push_back(*utf8);
    }
    if (FindNextFileW(search, &found) == 0) {
      if (GetLastError() != ERROR_NO_MORE_FILES) failure = lastError(ERROR_READ_FAULT);
      break;
    }
  }
  FindClose(search);
  return failure;
}

}  // namespace dvk
