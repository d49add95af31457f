"""Checks that tarvok.exe names the Windows it needs: every function it imports
is in the table below with the oldest Windows that has it, the header's
subsystem and OS versions are the newest of those, and every DLL it imports is
one that comes with Windows.

usage: windows_imports.py OBJDUMP FILE

An import missing from the table fails with its name: a new import is added
to the table, with its documented minimum Windows, on purpose. The table gives
a function's minimum as the program calls it: where a call passes a class or
flag that a later Windows brought, that later Windows is its entry.
"""
import re
import subprocess
import sys

# (major, minor) versions of Windows, as the PE header spells them.
XP = (5, 1)
X64 = (5, 2)  # the first x86-64 Windows: XP Professional x64, Server 2003
VISTA = (6, 0)
WIN7 = (6, 1)
WIN8 = (6, 2)
WIN10 = (10, 0)

NAMES = {XP: "Windows XP", X64: "Windows XP x64", VISTA: "Windows Vista", WIN7: "Windows 7",
         WIN8: "Windows 8", WIN10: "Windows 10"}


def at(version, *functions):
    return {function: version for function in functions}


# Minimum supported client of each function, as the Win32 documentation gives
# it; functions it lists for Windows 2000 or XP are given as XP (no x86-64
# Windows is older than X64 anyway).
MINIMUM = {
    "kernel32.dll": {
        **at(XP, "AddVectoredExceptionHandler", "CloseHandle", "CreateDirectoryW", "CreateEventA",
             "CreateFileW", "CreateSemaphoreA", "DeleteCriticalSection", "DeleteFileW", "DeviceIoControl",
             "DuplicateHandle", "EnterCriticalSection", "ExitProcess", "FileTimeToSystemTime", "FindClose",
             "FindNextFileW", "FlushFileBuffers", "FormatMessageA", "FormatMessageW", "GetCommandLineW", "GetConsoleMode",
             "GetConsoleScreenBufferInfo", "GetCurrentDirectoryW", "GetCurrentProcess", "GetCurrentProcessId",
             "GetCurrentThread", "GetCurrentThreadId", "GetDriveTypeW", "GetFileAttributesExW", "GetFileAttributesW",
             "GetFileInformationByHandle", "GetFileSizeEx", "GetFileType", "GetFullPathNameW",
             "GetHandleInformation", "GetLastError", "GetModuleHandleA", "GetModuleHandleW", "GetProcAddress",
             "GetProcessAffinityMask", "GetProcessTimes", "GetStartupInfoA", "GetStdHandle",
             "GetSystemTimeAdjustment", "GetSystemTimeAsFileTime", "GetThreadContext", "GetThreadPriority",
             "GetThreadTimes", "InitializeCriticalSection", "IsDBCSLeadByteEx", "IsDebuggerPresent",
             "LeaveCriticalSection", "LoadLibraryW", "LocalFree", "MoveFileExW", "MultiByteToWideChar",
             "OpenProcess", "OutputDebugStringA", "QueryPerformanceCounter", "QueryPerformanceFrequency",
             "RaiseException", "ReadFile", "ReleaseSemaphore", "RemoveDirectoryW",
             "RemoveVectoredExceptionHandler", "ResetEvent", "ResumeThread", "RtlCaptureContext",
             "SetConsoleCtrlHandler", "SetEndOfFile", "SetEvent", "SetFileAttributesW", "SetFilePointerEx",
             "SetFileTime", "SetLastError", "SetProcessAffinityMask", "SetSystemTime", "SetThreadContext",
             "SetThreadPriority", "SetUnhandledExceptionFilter", "Sleep", "SuspendThread", "TlsAlloc",
             "TlsGetValue", "TlsSetValue", "TryEnterCriticalSection", "VirtualProtect", "VirtualQuery",
             "WaitForMultipleObjects", "WaitForSingleObject", "WideCharToMultiByte", "WriteConsoleW",
             "WriteFile"),
        # The x86-64 exception and unwinding entries.
        **at(X64, "RtlLookupFunctionEntry", "RtlUnwindEx", "RtlVirtualUnwind", "__C_specific_handler"),
        # FileAttributeTagInfo, FileNameInfo; FileBasicInfo, FileDispositionInfo,
        # FileAllocationInfo, FileRenameInfo: all Vista classes.
        **at(VISTA, "AcquireSRWLockExclusive", "CompareStringOrdinal", "GetFileInformationByHandleEx", "GetFinalPathNameByHandleW",
             "GetTickCount64", "GetVolumeInformationByHandleW", "OpenFileById", "ReOpenFile",
             "ReleaseSRWLockExclusive", "SetFileInformationByHandle"),
        # The listing asks for FindExInfoBasic and FIND_FIRST_EX_LARGE_FETCH,
        # which Vista refuses (ERROR_INVALID_PARAMETER).
        **at(WIN7, "FindFirstFileExW"),
    },
    # The C runtime of Windows itself, on every x86-64 Windows.
    "msvcrt.dll": at(
        X64, "___lc_codepage_func", "___mb_cur_max_func", "__getmainargs", "__initenv", "__iob_func",
        "__set_app_type", "__setusermatherr", "_acmdln", "_amsg_exit", "_beginthreadex", "_cexit", "_close",
        "_commode", "_endthreadex", "_errno", "_fdopen", "_filelengthi64", "_fileno", "_fmode", "_fstat64",
        "_get_osfhandle", "_initterm", "_isatty", "_isctype", "_lseeki64", "_onexit", "_read", "_setjmp",
        "_setmode", "_strdup", "_ultoa", "_wfopen", "_write", "abort", "calloc", "exit", "fclose", "fflush",
        "fgetpos", "fopen", "fprintf", "fputc", "fputs", "fread", "free", "fsetpos", "fwrite", "getc", "getwc",
        "isspace", "iswctype", "isxdigit", "localeconv", "longjmp", "malloc", "memchr", "memcmp", "memcpy",
        "memmove", "memset", "printf", "putc", "putwc", "realloc", "setlocale", "setvbuf", "signal", "strcmp",
        "strcoll", "strerror", "strftime", "strlen", "strncmp", "strxfrm", "tolower", "toupper", "towlower",
        "towupper", "ungetc", "ungetwc", "vfprintf", "wcscoll", "wcsftime", "wcslen", "wcsxfrm"),
    "shell32.dll": at(XP, "CommandLineToArgvW"),
    # The writer's entries relative to a held folder (a root directory in the
    # object attributes and in FileRenameInformation), which Windows 2000 has
    # already.
    "ntdll.dll": at(XP, "NtCreateFile", "NtSetInformationFile"),
}

WINDOWS_CUI = 3
HEADER_FIELDS = ("MajorOSystemVersion", "MinorOSystemVersion", "MajorSubsystemVersion", "MinorSubsystemVersion",
                 "Subsystem")


def read_pe(objdump, path):
    result = subprocess.run([objdump, "-p", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{objdump} failed on {path}: {result.stderr.strip()}")
    header = {}
    imports = []
    delay_imports = 0
    dll = None
    for line in result.stdout.splitlines():
        field = re.match(r"^(\w+)\s+([0-9a-fA-F]+)\b", line)
        if field and field.group(1) in HEADER_FIELDS:
            header[field.group(1)] = int(field.group(2), 16 if field.group(1) == "Subsystem" else 10)
        delay = re.match(r"^Entry d [0-9a-f]+ ([0-9a-f]+) Delay Import Directory", line)
        if delay:
            delay_imports = int(delay.group(1), 16)
        name = re.match(r"^\tDLL Name: (\S+)$", line)
        if name:
            dll = name.group(1)
            continue
        if dll is None or line.startswith("\tvma:"):
            continue
        if not line.strip():
            dll = None
            continue
        entry = re.match(r"^\t[0-9a-f]+\t\s*\d+\s+(\S+)$", line)
        # An import by ordinal has no name to look up: it fails as one.
        imports.append((dll, entry.group(1) if entry else line.strip()))
    return header, imports, delay_imports


def spelt(version):
    return f"{NAMES.get(version, 'Windows')} ({version[0]}.{version[1]})"


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    objdump, path = argv[1], argv[2]
    header, imports, delay_imports = read_pe(objdump, path)
    failures = []
    missing = [field for field in HEADER_FIELDS if field not in header]
    if missing:
        sys.exit(f"{path}: no {', '.join(missing)} in the header (is objdump's output read?)")
    if not imports:
        sys.exit(f"{path}: no import found (is objdump's output read?)")
    if delay_imports:
        failures.append("has delay-loaded imports, which this check does not read")
    if header["Subsystem"] != WINDOWS_CUI:
        failures.append(f"subsystem {header['Subsystem']} is not the console one ({WINDOWS_CUI})")

    needed = X64
    for dll, function in imports:
        table = MINIMUM.get(dll.lower())
        if table is None:
            failures.append(f"imports {function} from {dll}, which is not a system DLL in the table")
        elif function not in table:
            failures.append(f"imports {dll} {function}, which is not in the table: add its minimum Windows")
        else:
            needed = max(needed, table[function])

    subsystem = (header["MajorSubsystemVersion"], header["MinorSubsystemVersion"])
    system = (header["MajorOSystemVersion"], header["MinorOSystemVersion"])
    for what, version in (("subsystem", subsystem), ("OS", system)):
        if version != needed:
            failures.append(f"header's {what} version is {version[0]}.{version[1]}, but its imports need "
                            f"{spelt(needed)}")
    for failure in failures:
        print(f"{path}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
