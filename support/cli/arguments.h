// The platform layer's command-line arguments as UTF-8: one implementation per
// platform (arguments_posix.cpp, arguments_win32.cpp), chosen by the build.
#pragma once

namespace dvk::cli::platform {

// Makes argc and argv (main's own, passed in) the command line as strings of
// UTF-8 bytes, the program name first, for the parser. On POSIX they are the
// bytes as given and stay as they are. On Windows they are read from the wide
// command line and converted, since the runtime's narrow argv holds them in
// the ANSI code page, which cannot spell most names; the new strings live
// until the process ends. Should the wide command line be unavailable, argc
// and argv stay as they are.
void useUtf8Arguments(int& argc, char**& argv);

}  // namespace dvk::cli::platform
