// The length of one UTF-8 character, from the one UTF-8 decoder of the text
// library: the UTF-16 conversion and the escaping for a terminal agree on
// what is valid UTF-8.
#pragma once

#include <cstddef>
#include <string_view>

namespace dvk::internal {

// The number of bytes (1 to 4) of the valid UTF-8 character that starts at
// text[pos]; 0 when none starts there: pos at or past the end, a continuation
// byte, one of the bytes C0, C1 and F5 to FF (they start no valid sequence), a
// sequence cut off or broken by a byte that is no continuation, an overlong
// form, a surrogate code point, a value above U+10FFFF. Reads at most four
// bytes.
std::size_t utf8CharacterLength(std::string_view text, std::size_t pos);

}  // namespace dvk::internal
