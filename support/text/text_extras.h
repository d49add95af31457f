// Further text functions on byte strings, carried by the Windows deliverable:
// case, trimming, splitting, line views, replacing, markers, sizes, hex,
// wildcards and path joining.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace dvk {

// Every byte, taken as 0..255, through the C library's toupper in the current
// locale (in the "C" locale only 'a'..'z' change). toUpper returns a copy and
// leaves its argument alone.
std::string toUpper(std::string const& text);
void toUpperInPlace(std::string& text);

// Remove white space (isspace in the current locale) from the start, the end,
// or both ends, in place. Bytes inside the text are never touched; a text of
// white space only becomes empty.
void trimLeft(std::string& text);
void trimRight(std::string& text);
void trim(std::string& text);
// The same on a temporary, which is trimmed and moved out. Taking it as an
// rvalue (not by value) keeps trim(lvalue) unambiguous: that one trims in place.
std::string trim(std::string&& text);

// Fields of text between the delimiter. With keepEmpty, a non-empty text with
// n delimiters gives n + 1 fields; without it only the non-empty fields, in
// order. An empty text gives no field either way.
std::vector<std::string> split(std::string const& text, char delimiter, bool keepEmpty);
// split appending to fields, which is not cleared first.
void splitWorker(std::string const& text, char delimiter, std::vector<std::string>& fields, bool keepEmpty);

// The line that starts at cursor (which points into buffer, up to its end), and
// moves cursor past its terminator: LF, CR, or CR LF as one. At the end of the
// buffer: an empty line at the cursor, which stays. Lines follow the rules of
// splitLines and point into buffer; nothing is copied.
line_t nextLine(std::vector<uint8_t> const& buffer, const uint8_t*& cursor);
std::string_view nextLineView(std::vector<uint8_t> const& buffer, const uint8_t*& cursor);
// All lines of buffer as views (the lines of splitLines); valid while the
// buffer lives unchanged. Allocates only the vector.
std::vector<std::string_view> splitLineViews(std::vector<uint8_t> const& buffer);

// A copy of text with every occurrence of search, left to right and not
// overlapping, replaced; inserted text is never searched again. An empty
// search text returns the copy unchanged.
std::string replaceAll(std::string const& text, std::string const& search, std::string const& replacement);

// Replaces each marker "{^" name "^}" by the table's value for name; a name
// the table lacks becomes the bare name with keepUnmatched, else nothing.
// The first "^}" after an opening "{^" closes it; an opening without a closing
// stays as it is, and values are not scanned again.
std::string expandMarkers(std::string const& text, std::map<std::string, std::string> const& markers,
                          bool keepUnmatched);

// A byte count for people: below 1024 the plain number; otherwise a value in
// units of 1024 with `decimals` digits after the point (two more once the value
// was scaled past 1000 of a unit) and the letter K, M, G, T or P right after
// it, e.g. 1536 -> "1.5K", 1048576 -> "1.0M" with decimals 1. The scaled value
// passes through single precision, as the format always did. Exact halves
// round to the even digit. A negative decimals counts as 0.
std::string formatSize(uint64_t size, int decimals);

// Bytes from hexadecimal text: pairs of hex digits (isxdigit) become bytes, a
// lone digit a byte of its own; every other byte separates and is dropped
// ("de:ad" -> de ad, "abc" -> ab 0c, "0x1f" -> 00 1f).
std::vector<uint8_t> hexToBytes(std::string const& text);

// Two lower-case hex digits per byte, no separators ("000aff").
std::string toString(std::string const& bytes);
std::string toString(std::vector<uint8_t> const& bytes);

// Whether the whole text matches pattern, byte by byte and case-sensitively:
// '*' any run of bytes (also empty), '?' exactly one byte; no escapes. Only the
// most recent '*' is retried, so the cost is at most text x pattern steps.
bool wildcardMatch(std::string const& text, std::string const& pattern);

// first + "/" + second with the separators at the seam collapsed and every
// backslash turned into '/'. An empty first part returns second unchanged; an
// empty second part returns first without its trailing separators.
std::string joinPath(std::string const& first, std::string const& second);

}  // namespace dvk
