// Text and number functions.
#include "text/text.h"

#include <algorithm>
#include <cctype>

#include "text/internal/digit_value.h"
#include "text/internal/line_split.h"
#include "text/internal/unsigned_parse.h"
#include "text/internal/utf8_character.h"

namespace dvk {

namespace {

// unsigned long of the deliverable: 32 bits on Linux (even the x86-64 local
// build keeps the Linux deliverable's traits), 64 on Windows.
constexpr unsigned unsignedLongBits = TARVOK_ULONG_BITS;
static_assert(unsignedLongBits == 32 || unsignedLongBits == 64, "unsigned long is 32 or 64 bits");

using internal::digitValue;

// The digit set of the number checks: "0123456789abcdefABCDEF", the hex
// digits of both cases, lower case first. The place of c in it, or
// digitCount when it is not there.
constexpr std::size_t digitCount = 22;

std::size_t digitSetIndex(char c) {
  unsigned const value = digitValue(c);
  if (value >= 16) return digitCount;
  return c >= 'A' && c <= 'F' ? value + 6 : value;
}

// Base 16 takes all 22 characters (both letter cases); base n the first n.
bool allInDigitSet(std::string const& text, std::size_t from, int base) {
  if (base < 0) return false;
  std::size_t const allowed =
      base == 16 ? digitCount : std::min<std::size_t>(static_cast<std::size_t>(base), digitCount);
  for (std::size_t i = from; i < text.size(); ++i) {
    if (digitSetIndex(text[i]) >= allowed) return false;
  }
  return true;
}

// Where the digits start and their base, as a prefix picks them: "$" hex,
// "%" binary, "0x" hex, else decimal. A prefix counts only with text after it.
struct digits_t {
  std::size_t from;
  int base;
};

digits_t prefixedDigits(std::string const& text) {
  if (text.size() >= 2 && text[0] == '$') return {1, 16};
  if (text.size() >= 2 && text[0] == '%') return {1, 2};
  if (text.size() >= 3 && text[0] == '0' && text[1] == 'x') return {2, 16};
  return {0, 10};
}

// strtol of a 32-bit long over text[from..], which the caller has checked
// holds only digits of base: saturates at the maximum like that strtol.
int64_t convertSigned32(std::string const& text, std::size_t from, int base) {
  constexpr int64_t largestValue = 2147483647;
  int64_t value = 0;
  for (std::size_t i = from; i < text.size(); ++i) {
    value = value * base + digitValue(text[i]);
    if (value > largestValue) value = largestValue;  // stays saturated: largestValue * 16 + 15 fits in 64 bits
  }
  return value;
}

// Where the digits of text start, after blanks, a sign and a "0x" that base
// allows; a base of 0 becomes the one the prefix gives. npos where nothing
// can convert.
std::size_t digitsStart(std::string const& text, unsigned& base, bool& negative) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i < text.size() && text[i] == '0') {
    bool const hexPrefix = i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X');
    if ((base == 0 || base == 16) && hexPrefix) {
      // "0x" without a hex digit after it converts just the "0", leaving the
      // "x": characters remain either way.
      if (i + 2 >= text.size() || digitValue(text[i + 2]) >= 16) return std::string::npos;
      i += 2;
      base = 16;
    } else if (base == 0) {
      base = 8;
    }
  } else if (base == 0) {
    base = 10;
  }
  return i;
}

// The code point of the valid UTF-8 character of length bytes at text[pos].
// Whether a terminal must not be given the character as it is. The control
// characters: C0 (below 0x20), DEL and C1 (U+0080 to U+009F); a terminal acts
// on a C1 control as on the ESC sequence it stands for (U+009B is CSI, U+009D
// OSC). The bidirectional controls: ALM (U+061C), LRM and RLM (U+200E,
// U+200F), the embeddings and overrides U+202A to U+202E and the isolates
// U+2066 to U+2069; they reorder what is shown after them, so that "bidi",
// U+202E, "ofn.exe" reads as "bidiexe.nfo".
bool mustEscape(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

namespace internal {

int64_t parseUnsignedBits(std::string const& text, unsigned base, unsigned bits) {
  if (text.empty()) return 0;
  if (base == 1 || base > 36) return -1;  // strtoul converts nothing
  uint64_t const max = bits >= 64 ? UINT64_MAX : (uint64_t{1} << bits) - 1;

  bool negative = false;
  std::size_t const first = digitsStart(text, base, negative);
  if (first == std::string::npos) return -1;
  std::size_t i = first;
  uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    unsigned const d = digitValue(text[i]);
    if (d >= base) break;
    if (!overflow) {
      if (value > (max - d) / base) {
        overflow = true;
      } else {
        value = value * base + d;
      }
    }
  }
  if (i == first) return -1;  // no digits: nothing converted, the text remains
  if (i != text.size()) return -1;
  if (overflow) return static_cast<int64_t>(max);
  if (negative) value = (~value + 1) & max;
  return static_cast<int64_t>(value);
}

line_t takeLine(const uint8_t*& cursor, const uint8_t* end) {
  const uint8_t* const begin = cursor;
  const uint8_t* p = begin;
  while (p != end && *p != '\n' && *p != '\r') ++p;
  if (p == end) {
    cursor = end;
  } else {
    bool const crlf = *p == '\r' && p + 1 != end && p[1] == '\n';
    cursor = p + (crlf ? 2 : 1);
  }
  return line_t{begin, p};
}

}  // namespace internal

std::vector<line_t> splitLines(std::vector<uint8_t> const& data) {
  std::vector<line_t> lines;
  const uint8_t* const end = data.data() + data.size();
  for (const uint8_t* cursor = data.data(); cursor != end;) lines.push_back(internal::takeLine(cursor, end));
  return lines;
}

bool takeLine(const uint8_t*& cursor, const uint8_t* end, line_t& line) {
  if (cursor == end) return false;
  line = internal::takeLine(cursor, end);
  return true;
}

std::string toLower(std::string const& text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool isNumber(std::string const& text, int base) {
  if (text.empty()) return false;
  if (base != 0) return allInDigitSet(text, 0, base);
  digits_t const digits = prefixedDigits(text);
  return allInDigitSet(text, digits.from, digits.base);
}

int64_t parseInt(std::string const& text) {
  digits_t const digits = prefixedDigits(text);
  if (!allInDigitSet(text, digits.from, digits.base)) return -1;
  return convertSigned32(text, digits.from, digits.base);
}

int64_t parseUnsigned(std::string const& text, uint8_t base) {
  return internal::parseUnsignedBits(text, base, unsignedLongBits);
}

std::string escapeControlBytes(std::string const& text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t point = 0;
    std::size_t const length = internal::utf8Character(text, pos, point);
    if (length != 0 && !mustEscape(point)) {
      shown.append(text, pos, length);
      pos += length;
      continue;
    }
    // A character to escape is escaped byte by byte; a byte that is no UTF-8
    // alone, and the bytes after it are looked at afresh, so that a valid
    // character right after a stray byte still shows as itself.
    for (std::size_t const end = pos + (length == 0 ? 1 : length); pos < end; ++pos) {
      auto const byte = static_cast<unsigned char>(text[pos]);
      shown += "\\x";
      shown += hexDigits[byte >> 4];
      shown += hexDigits[byte & 0xFu];
    }
  }
  return shown;
}

std::string plural(std::string const& suffix, std::size_t n) { return n == 1 ? std::string() : suffix; }

}  // namespace dvk
