// UTF-8 <-> UTF-16.
#include "text/utf16.h"

#include <cstdint>

#include "text/internal/utf8_character.h"

namespace dvk {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// Decodes the code point at text[pos] and moves pos past it; false on any
// invalid sequence, which leaves pos where it was.
bool decode(std::string_view text, std::size_t& pos, char32_t& point) {
  std::size_t const length = internal::utf8Character(text, pos, point);
  pos += length;
  return length != 0;
}

void appendUtf16(std::u16string& out, char32_t point) {
  if (point < 0x10000) {
    out += static_cast<char16_t>(point);
  } else {
    point -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (point >> 10));
    out += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
  }
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
    appendUtf16(out, point);
  }
  return out;
}

std::u16string utf8ToUtf16Replacing(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t point = 0;
    if (!decode(utf8, pos, point)) {
      point = replacementCharacter;
      pos += 1;
    }
    appendUtf16(out, point);
  }
  return out;
}

std::size_t completeUtf8Length(std::string_view utf8) {
  // A sequence is at most four bytes long, so its lead byte is among the last
  // four; past a byte that is no continuation there is nothing to wait for.
  std::size_t const size = utf8.size();
  for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
    auto const byte = static_cast<unsigned char>(utf8[size - back]);
    if (internal::isUtf8Continuation(byte)) continue;
    return internal::utf8SequenceLength(byte) > back ? size - back : size;
  }
  return size;
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
