// The one UTF-8 decoder of the text library: the UTF-16 conversion and the
// escaping for a terminal agree on what is valid UTF-8 and what it means.
#pragma once

#include <cstddef>
#include <string_view>

namespace dvk::internal {

// A byte 10xxxxxx, which continues a sequence.
inline bool isUtf8Continuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

// The length of the sequence a lead byte starts, by its bit pattern alone; 0
// for a byte that starts none.
std::size_t utf8SequenceLength(unsigned char lead);

// The valid UTF-8 character that starts at text[pos]: its length in bytes (1
// to 4), with its code point in point. 0, and point untouched, when none
// starts there: pos at or past the end, a continuation byte, one of the bytes
// C0, C1 and F5 to FF (they start no valid sequence), a sequence cut off or
// broken by a byte that is no continuation, an overlong form, a surrogate
// code point, a value above U+10FFFF. Reads at most four bytes.
std::size_t utf8Character(std::string_view text, std::size_t pos, char32_t& point);

}  // namespace dvk::internal
