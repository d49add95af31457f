// Rules for names from a checksum file, the same on every platform.
#include "files/path_rules.h"

#include <cstddef>

#include "files/files.h"

namespace dvk {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool startsWithDrive(std::string const& name) { return name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':'; }

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A port number of COM and LPT: one ASCII digit, or the superscript 1, 2 or
// 3 (U+00B9, U+00B2, U+00B3 in UTF-8), which Windows reserves as well.
bool isPortDigit(std::string const& tail) {
  if (tail.size() == 1) return tail[0] >= '0' && tail[0] <= '9';
  return tail == "\xC2\xB9" || tail == "\xC2\xB2" || tail == "\xC2\xB3";
}

// True when test(name, begin, length) holds for a part of name, split at
// "/" and "\" (empty parts included).
template <typename test_t>
bool anyPart(std::string const& name, test_t const& test) {
  std::size_t begin = 0;
  for (;;) {
    std::size_t const end = name.find_first_of(pathSeparators, begin);
    if (test(name, begin, (end == std::string::npos ? name.size() : end) - begin)) return true;
    if (end == std::string::npos) return false;
    begin = end + 1;
  }
}

}  // namespace

bool staysInside(std::string const& name) {
  if (hasNulByte(name)) return false;
  if (!name.empty() && (name[0] == '/' || name[0] == '\\')) return false;
  if (startsWithDrive(name)) return false;
  return !anyPart(name, [](std::string const& whole, std::size_t begin, std::size_t length) {
    return length == 2 && whole.compare(begin, 2, "..") == 0;
  });
}

bool hasHiddenPart(std::string const& name) {
  return anyPart(name, [](std::string const& whole, std::size_t begin, std::size_t length) {
    return length > 1 && whole[begin] == '.';
  });
}

bool beginsWithTwoSeparators(std::string const& name) {
  return name.size() >= 2 && pathSeparators.find(name[0]) != std::string::npos &&
         pathSeparators.find(name[1]) != std::string::npos;
}

bool isDeviceName(std::string const& name) {
  return anyPart(name, [](std::string const& whole, std::size_t begin, std::size_t length) {
    std::string part = whole.substr(begin, length);
    for (char& c : part) c = asciiUpper(c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
      if (part == device) return true;
    }
    return part.size() > 3 && (part.compare(0, 3, "COM") == 0 || part.compare(0, 3, "LPT") == 0) &&
           isPortDigit(part.substr(3));
  });
}

bool endsInDotOrSpace(std::string const& name) {
  return anyPart(name, [](std::string const& whole, std::size_t begin, std::size_t length) {
    if (length == 0) return false;
    char const last = whole[begin + length - 1];
    if (last != '.' && last != ' ') return false;
    bool const dotPart = whole.compare(begin, length, ".") == 0 || whole.compare(begin, length, "..") == 0;
    return !dotPart;
  });
}

bool namesDataStream(std::string const& name) {
  std::size_t const colon = name.find(':', startsWithDrive(name) ? 2 : 0);
  return colon != std::string::npos;
}

}  // namespace dvk
