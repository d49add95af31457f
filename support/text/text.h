// Text and number functions on byte strings: line splitting without copying,
// lower-casing, number checks and parsing with "$", "0x" and "%" prefixes,
// the escaping of text for a terminal, plural suffixes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dvk {

// The lower-case hex alphabet, in digit order: every hex text this program
// writes is spelt with it.
inline constexpr char hexDigits[] = "0123456789abcdef";

// One line of a byte buffer, terminator excluded; valid while the buffer
// lives unchanged.
struct line_t {
  const uint8_t* begin;
  const uint8_t* end;
};

// Lines end at LF, CR, or CR LF (one terminator). A final line without
// terminator counts; a terminator at the very end adds no empty line.
std::vector<line_t> splitLines(std::vector<uint8_t> const& data);

// The next line of [cursor, end) into line, with the terminators of
// splitLines; cursor moves past its terminator. False, line untouched, when
// cursor is at end. One line at a time keeps no record per line: a buffer of
// empty lines would cost eight to sixteen times its size as a list.
bool takeLine(const uint8_t*& cursor, const uint8_t* end, line_t& line);

// Every byte through the C library's tolower in the current locale.
std::string toLower(std::string const& text);

// Whether text is a number in base (2..22, 16 = both letter cases), or with
// base 0 in the base its prefix picks ("$" hex, "%" binary, "0x" hex, else
// decimal). No sign, no white space, never true for the empty text.
bool isNumber(std::string const& text, int base);

// Decimal, "$" hex, "%" binary or "0x" hex; -1 on any error (and the empty
// text gives 0). The value is held in 32 signed bits.
int64_t parseInt(std::string const& text);

// strtoul of text in base with the deliverable's unsigned long width (32 bits
// Linux, 64 bits Windows); -1 when characters remain after the number.
int64_t parseUnsigned(std::string const& text, uint8_t base);

// text as a terminal may be given it: each control character written as "\x"
// and two lowercase hex digits per byte, and so is each bidirectional control
// and each byte that is not part of a valid UTF-8 character. The control
// characters are C0 (below 0x20, ESC as "\x1b"), DEL (0x7F) and C1, U+0080 to
// U+009F (CSI as "\xc2\x9b"); a terminal may act on any of them. The
// bidirectional controls are U+061C, U+200E, U+200F, U+202A to U+202E and
// U+2066 to U+2069 (RIGHT-TO-LEFT OVERRIDE, U+202E, as "\xe2\x80\xae"): they
// would show the rest of a name reordered. The bytes that are no UTF-8 (a
// stray continuation byte such as a raw 9B, a sequence cut off, an overlong
// form, a surrogate, a value above U+10FFFF) are escaped one by one, as the
// UTF-16 conversion finds them. Every other character, printable UTF-8 of any
// length (an accented letter, CJK, an emoji) included, stays as it is, so the
// result is valid UTF-8 with no control character of either kind. Linear in
// the size of text.
std::string escapeControlBytes(std::string const& text);

// Empty when n is 1, else suffix.
std::string plural(std::string const& suffix, std::size_t n);

}  // namespace dvk
