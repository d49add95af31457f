// UTF-8 <-> UTF-16.
#include "text/utf16.h"

#include <cstdint>

namespace dvk {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

// Decodes the code point at text[pos]; false on any invalid sequence.
bool decode(std::string_view text, std::size_t& pos, char32_t& point) {
  auto const lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t smallest = 0;
  if (lead < 0x80u) {
    point = lead;
    pos += 1;
    return true;
  }
  if ((lead & 0xE0u) == 0xC0u) {
    length = 2;
    smallest = 0x80;
    point = lead & 0x1Fu;
  } else if ((lead & 0xF0u) == 0xE0u) {
    length = 3;
    smallest = 0x800;
    point = lead & 0x0Fu;
  } else if ((lead & 0xF8u) == 0xF0u) {
    length = 4;
    smallest = 0x10000;
    point = lead & 0x07u;
  } else {
    return false;
  }
  if (text.size() - pos < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    auto const byte = static_cast<unsigned char>(text[pos + i]);
    if (!isContinuation(byte)) return false;
    point = (point << 6) | (byte & 0x3Fu);
  }
  if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
  pos += length;
  return true;
}

void append(std::string& out, char32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

}  // namespace

std::optional<std::u16string> utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t point = 0;
    if (!decode(utf8, pos, point)) return std::nullopt;
    if (point < 0x10000) {
      out += static_cast<char16_t>(point);
    } else {
      point -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (point >> 10));
      out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    }
  }
  return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t const unit = utf16[i];
    bool const high = unit >= 0xD800 && unit <= 0xDBFF;
    bool const low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      char32_t const next = utf16[++i];
      append(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
    } else if (high || low) {
      append(out, replacementCharacter);
    } else {
      append(out, unit);
    }
  }
  return out;
}

}  // namespace dvk
