// Text on a Windows console: UTF-8 converted to UTF-16 and written with
// WriteConsoleW. Written as bytes, it would be read in the console's code
// page and every name outside ASCII would show as other characters.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <streambuf>
#include <string>
#include <string_view>

#include "console/console_text.h"
#include "console/terminal.h"
#include "text/utf16.h"

namespace dvk::con::platform {

namespace {

// WriteConsoleW refuses very long writes on some systems.
constexpr std::size_t largestWrite = 8192;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Writes all of text to the console; false when the console refuses it.
bool writeConsole(HANDLE console, std::u16string const& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    std::size_t count = std::min(text.size() - done, largestWrite);
    // A surrogate pair goes out in one write.
    if (count > 1 && done + count < text.size() && isHighSurrogate(text[done + count - 1])) --count;
    std::wstring const piece(text.begin() + static_cast<std::ptrdiff_t>(done),
                             text.begin() + static_cast<std::ptrdiff_t>(done + count));
    DWORD written = 0;
    if (WriteConsoleW(console, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) == 0 ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// The buffer of a standard stream that is a console. The standard library's
// stream buffer is the one place where the streams let the program decide how
// bytes leave, so this one overrides its two output hooks.
class console_buffer_t : public std::streambuf {
 public:
  explicit console_buffer_t(HANDLE console) : console_(console) { setp(bytes_, bytes_ + sizeof bytes_); }

 protected:
  int_type overflow(int_type c) override {
    if (!writeOut(false)) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }

  int sync() override { return writeOut(true) ? 0 : -1; }

 private:
  // Writes what is buffered. Unless all, a character cut off at the end of
  // the buffer stays for the next write, so that it is converted whole.
  bool writeOut(bool all) {
    std::string_view const pending(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    std::size_t const complete = all ? pending.size() : completeUtf8Length(pending);
    bool const written = complete == 0 || writeConsole(console_, utf8ToUtf16Replacing(pending.substr(0, complete)));
    std::size_t const rest = pending.size() - complete;
    std::memmove(bytes_, pending.data() + complete, rest);
    setp(bytes_, bytes_ + sizeof bytes_);
    pbump(static_cast<int>(rest));
    return written;
  }

  HANDLE console_;
  char bytes_[4096];
};

// NOLINTNEXTLINE(performance-no-int-to-ptr): the runtime hands out a HANDLE as an intptr_t
HANDLE consoleOf(FILE* file) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))); }

}  // namespace

void showTextOnConsoles() {
  static bool const shown = [] {
    // Never freed: the standard streams write through these buffers until the
    // last flush at exit, after every ordinary object is gone.
    if (isTerminal(stdout)) {
      std::cout.flush();
      std::cout.rdbuf(new console_buffer_t(consoleOf(stdout)));
    }
    if (isTerminal(stderr)) {
      std::streambuf* const shared = std::cerr.rdbuf();
      std::cerr.flush();
      std::clog.flush();
      std::streambuf* const console = new console_buffer_t(consoleOf(stderr));
      std::cerr.rdbuf(console);
      if (std::clog.rdbuf() == shared) std::clog.rdbuf(console);
    }
    return true;
  }();
  static_cast<void>(shown);
}

}  // namespace dvk::con::platform
