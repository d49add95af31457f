// The UTF-8 decoder.
#include "text/internal/utf8_character.h"

namespace dvk::internal {

std::size_t utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80u) return 1;
  if ((lead & 0xE0u) == 0xC0u) return 2;
  if ((lead & 0xF0u) == 0xE0u) return 3;
  if ((lead & 0xF8u) == 0xF0u) return 4;
  return 0;
}

std::size_t utf8Character(std::string_view text, std::size_t pos, char32_t& point) {
  if (pos >= text.size()) return 0;
  auto const lead = static_cast<unsigned char>(text[pos]);
  std::size_t const length = utf8SequenceLength(lead);
  if (length == 0 || text.size() - pos < length) return 0;
  // By length: the lead byte's value bits, and the smallest value the length
  // may carry (below it the form is overlong).
  static constexpr unsigned char leadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  char32_t value = lead & leadBits[length];
  for (std::size_t i = 1; i < length; ++i) {
    auto const byte = static_cast<unsigned char>(text[pos + i]);
    if (!isUtf8Continuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3Fu);
  }
  if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  point = value;
  return length;
}

}  // namespace dvk::internal
