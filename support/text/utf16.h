// UTF-8 <-> UTF-16, for the one platform whose system calls take names as
// UTF-16: inside the program every name is a string of UTF-8 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dvk {

// The UTF-16 spelling of UTF-8 bytes; empty when the bytes are not valid
// UTF-8 (a bad or cut-off sequence, an overlong form, a surrogate code point,
// a value above U+10FFFF). Such a name has no UTF-16 spelling at all.
std::optional<std::u16string> utf8ToUtf16(std::string_view utf8);

// The UTF-8 bytes of UTF-16 text. A lone surrogate, which only a damaged
// name can hold, becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace dvk
