"""Fails when the project's own code on Windows calls a function that takes or
gives a name in the ANSI code page.

usage: narrow_name_calls.py NM FILE...

FILE: the project's own static libraries and object files (not the runtime's).
Inside the program names are UTF-8; the Windows files must hand the system
their UTF-16 form, so every name call is a wide one. The undefined symbols of
the files show which functions they call. The wide calls that the program is
known to make must be among them, so that an empty or unreadable symbol list
cannot pass for a clean one.
"""
import re
import subprocess
import sys

# Narrow calls on names, by their C names (imports carry "__imp_" in front).
NARROW_FUNCTIONS = {
    # Windows
    "CreateFileA", "FindFirstFileA", "FindFirstFileExA", "FindNextFileA", "GetFileAttributesA",
    "GetFileAttributesExA", "SetFileAttributesA", "GetFinalPathNameByHandleA", "GetFullPathNameA",
    "GetLongPathNameA", "GetShortPathNameA", "MoveFileA", "MoveFileExA", "MoveFileWithProgressA",
    "ReplaceFileA", "CopyFileA", "CopyFileExA", "DeleteFileA", "CreateDirectoryA", "CreateDirectoryExA",
    "RemoveDirectoryA", "SetCurrentDirectoryA", "GetCurrentDirectoryA", "CreateHardLinkA",
    "CreateSymbolicLinkA", "GetModuleFileNameA", "GetTempPathA", "GetTempFileNameA", "GetCommandLineA",
    "WriteConsoleA",
    # C runtime
    "fopen", "fopen_s", "freopen", "freopen_s", "_fsopen", "_open", "open", "_sopen", "_sopen_s", "_creat",
    "_stat", "_stat32", "_stat64", "_stati64", "_stat32i64", "_stat64i32", "stat", "_access", "_access_s",
    "access", "_chmod", "chmod", "_mkdir", "mkdir", "_rmdir", "rmdir", "_chdir", "chdir", "_getcwd",
    "getcwd", "_unlink", "unlink", "remove", "rename", "_findfirst", "_findfirst32", "_findfirst64",
    "_findfirsti64", "_findfirst32i64", "_findfirst64i32", "opendir", "_fullpath", "realpath", "_utime",
    "_utime32", "_utime64", "utime", "_mktemp", "tmpnam", "_getdcwd", "__getmainargs",
}

# Narrow-name stream opens and constructors of the C++ library (demangled).
NARROW_STREAM = re.compile(
    r"^std::basic_(?:filebuf|fstream|ifstream|ofstream)<char, std::char_traits<char> >::"
    r"(?:open|basic_\w+)\((?:char const\*|std::(?:__cxx11::)?basic_string<char)")

# Wide calls the program makes: the current directory that every verbatim
# path starts from, a typed path made full, the listing, every open, path
# resolution, a stream opened on a wide name, the command line and the console.
WIDE_CALLS = [
    "GetCurrentDirectoryW",
    "GetFullPathNameW",
    "FindFirstFileExW",
    "CreateFileW",
    "GetFinalPathNameByHandleW",
    "GetCommandLineW",
    "WriteConsoleW",
    "std::basic_filebuf<char, std::char_traits<char> >::open(wchar_t const*, std::_Ios_Openmode)",
]


def undefined(nm, path):
    result = subprocess.run([nm, "-C", "-u", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{nm} failed on {path}: {result.stderr.strip()}")
    for line in result.stdout.splitlines():
        # "                 U name"; archive member headers end in ':'.
        parts = line.split(None, 1)
        if len(parts) == 2 and parts[0] == "U":
            name = parts[1].strip()
            yield name[len("__imp_"):] if name.startswith("__imp_") else name


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    nm, files = argv[1], argv[2:]
    narrow = []
    seen = set()
    for path in files:
        for name in undefined(nm, path):
            seen.add(name)
            if name in NARROW_FUNCTIONS or NARROW_STREAM.match(name):
                narrow.append(f"{path}: {name}")
    for hit in narrow:
        print("narrow name call:", hit)
    missing = [name for name in WIDE_CALLS if name not in seen]
    for name in missing:
        print("expected wide call not found (is the symbol list read?):", name)
    return 1 if narrow or missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
