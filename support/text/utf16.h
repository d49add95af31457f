// UTF-8 <-> UTF-16, for the one platform whose system calls take names as
// UTF-16: inside the program every name is a string of UTF-8 bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dvk {

// The UTF-16 spelling of UTF-8 bytes; empty when the bytes are not valid
// UTF-8 (a bad or cut-off sequence, an overlong form, a surrogate code point,
// a value above U+10FFFF). Such a name has no UTF-16 spelling at all.
std::optional<std::u16string> utf8ToUtf16(std::string_view utf8);

// The UTF-16 form of text that may hold bytes that are not UTF-8, for showing
// it: each byte that starts no valid sequence becomes U+FFFD, and the rest
// converts as in utf8ToUtf16.
std::u16string utf8ToUtf16Replacing(std::string_view utf8);

// The length of utf8 without a sequence cut off at its end (a lead byte whose
// continuation bytes have not come yet), so that text written in pieces can
// be converted up to there and the rest kept for the next piece.
std::size_t completeUtf8Length(std::string_view utf8);

// The UTF-8 bytes of UTF-16 text. A lone surrogate, which only a damaged
// name can hold, becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace dvk
