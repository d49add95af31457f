// The platform layer's writing of text to a console: one implementation per
// platform (console_text_posix.cpp, console_text_win32.cpp), chosen by the
// build.
#pragma once

namespace dvk::con::platform {

// Makes standard output and standard error, where each is a console, show
// the program's UTF-8 text as the characters it spells. On Windows such a
// stream's text is converted to UTF-16 and written with the console's wide
// call, leaving the console's code page as it is; a stream that goes to a
// pipe or a file keeps writing its bytes unchanged. Nothing to do on POSIX,
// where a terminal takes the bytes. Acts once; later calls do nothing. The
// streams get new buffers, so the table of standard streams must be built
// after it.
void showTextOnConsoles();

}  // namespace dvk::con::platform
