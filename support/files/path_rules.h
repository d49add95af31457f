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

// True when name begins with two separators ("\\", "//", "\\/", "/\\"): on
// Windows a share on another machine ("\\server\share\x", whose lookup
// alone connects to that machine and offers it the user's credentials) or
// the device and verbatim namespaces ("\\.\pipe\x", "\\?\GLOBALROOT\x").
// Such a name from a list is never handed to the system.
bool beginsWithTwoSeparators(std::string const& name);

// True when a part of name, split at "/" and "\", is exactly a name Windows
// keeps for a device: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0 to COM9 or
// LPT0 to LPT9 (also with the superscript digits 1 to 3), in any case
// ("nul", "sub/con"). No file should bear such a name, which Windows tools
// take for the device. A part with more after it is none: release titles
// begin so ("Con.Air.1997.nfo", "nul.txt"), and the program spells every
// name verbatim, where only the device namespace has devices. ("NUL :" and
// "COM1:" are refused by the other rules, for the blank and the ":".)
bool isDeviceName(std::string const& name);

// True when a part of name, split at "/" and "\", ends in "." or " " ("a.",
// "a /b", "a. ."), other than the parts "." and "..": Windows tools strip
// such an ending, so they cannot open or delete that file.
bool endsInDotOrSpace(std::string const& name);

// True when name holds a ":" other than a drive letter's: on Windows it names
// an alternate data stream ("a.txt:hidden", "a.txt::$DATA").
bool namesDataStream(std::string const& name);

}  // namespace dvk
