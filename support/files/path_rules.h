// Rules for names that come from a checksum file: where writing them may lead,
// and which names Windows keeps for devices and data streams. Pure text tests,
// the same on every platform, so that both deliverables can be tested natively.
#pragma once

#include <string>

namespace dvk {

// No file has a NUL byte in its name: the system's calls would take only the
// part before it, which names another file. Such a path is never looked up,
// loaded, opened or written.
inline bool hasNulByte(std::string const& path) { return path.find('\0') != std::string::npos; }

// True when writing name, as stored, stays inside the current directory: not
// absolute ("/" or "\" first), no drive letter ("C:"), no ".." component
// (split at "/" and "\" on every platform, which on POSIX refuses a little
// more than it must), and no NUL byte that would cut the name short at the
// system call.
bool staysInside(std::string const& name);

// True when a part of name, split at "/" and "\", begins with "." and is
// not "." itself: a hidden file or folder (".bashrc", ".ssh/x", "a/.git/y").
// ".." leads outside and is refused by staysInside.
bool hasHiddenPart(std::string const& name);

// True when Windows takes the last part of name for a device, in any folder:
// its stem before the first "." or ":", with trailing spaces and dots
// trimmed, is CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 or LPT0 to
// LPT9 (also with the superscript digits 1 to 3), in any case. "NUL.txt",
// "COM1:", "sub\NUL :" are devices. A leading drive letter ("C:NUL") is not
// part of the last part.
bool isDeviceName(std::string const& name);

// True when name holds a ":" other than a drive letter's: on Windows it names
// an alternate data stream ("a.txt:hidden", "a.txt::$DATA").
bool namesDataStream(std::string const& name);

}  // namespace dvk
