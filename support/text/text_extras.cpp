// Text extras of the Windows deliverable.
#include "text/text_extras.h"

#include <cctype>
#include <cstddef>

#include "text/internal/digit_value.h"
#include "text/internal/line_split.h"

namespace dvk {

namespace {

// The path separators of the file helpers (slash and backslash); repeated here
// so that the text library does not depend on the files library above it.
constexpr std::string_view separators = "/\\";

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Writes numerator / 2^10 with `decimals` digits after the point, rounded to
// nearest with ties to even. Done in integers because the C runtimes of the
// Windows world disagree on how printf rounds halves; the value is exact in
// ten decimals since 1/1024 = 9765625 / 10^10.
std::string fixedOver1024(uint64_t numerator, std::size_t decimals) {
  constexpr unsigned exactDigits = 10;
  constexpr uint64_t powersOfTen[exactDigits + 1] = {
      1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000, 10000000000,
  };
  const uint64_t scaled = numerator * 9765625u;  // value * 10^10; numerator < 2^31

  const std::size_t kept = decimals < exactDigits ? decimals : exactDigits;
  const uint64_t dropScale = powersOfTen[exactDigits - kept];
  uint64_t q = scaled / dropScale;
  if (dropScale > 1) {
    const uint64_t r = scaled % dropScale;
    const uint64_t half = dropScale / 2;
    if (r > half || (r == half && (q & 1u) != 0)) ++q;
  }
  const uint64_t keptScale = powersOfTen[kept];

  std::string out = std::to_string(q / keptScale);
  if (decimals > 0) {
    out += '.';
    std::string fraction = std::to_string(q % keptScale);
    out.append(kept - fraction.size(), '0');
    out += fraction;
    out.append(decimals - kept, '0');
  }
  return out;
}

// value rounded to the 24 significant bits of a float, ties to even, as the
// conversion to float rounds. Done in integers: x87 code (the 32-bit x86
// build) may keep the value at full precision instead of rounding it.
uint64_t roundToSingle(uint64_t value) {
  constexpr uint64_t mantissaLimit = uint64_t{1} << 24;
  unsigned dropped = 0;
  while ((value >> dropped) >= mantissaLimit) ++dropped;
  if (dropped == 0) return value;
  uint64_t kept = value >> dropped;
  const uint64_t rest = value & ((uint64_t{1} << dropped) - 1);
  const uint64_t half = uint64_t{1} << (dropped - 1);
  if (rest > half || (rest == half && (kept & 1u) != 0)) ++kept;
  return kept << dropped;
}

}  // namespace

void toUpperInPlace(std::string& text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string toUpper(std::string const& text) {
  std::string copy = text;
  toUpperInPlace(copy);
  return copy;
}

void trimLeft(std::string& text) {
  std::size_t first = 0;
  while (first < text.size() && isSpace(text[first])) ++first;
  text.erase(0, first);
}

void trimRight(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && isSpace(text[end - 1])) --end;
  text.erase(end);
}

void trim(std::string& text) {
  trimLeft(text);
  trimRight(text);
}

std::string trim(std::string&& text) {
  trimLeft(text);
  trimRight(text);
  return std::move(text);
}

void splitWorker(std::string const& text, char delimiter, std::vector<std::string>& fields, bool keepEmpty) {
  if (text.empty()) return;
  // Each pass takes the field up to the next delimiter, the last one up to the end.
  std::size_t start = 0;
  for (;;) {
    const std::size_t stop = text.find(delimiter, start);
    const std::size_t fieldEnd = stop == std::string::npos ? text.size() : stop;
    if (fieldEnd != start || keepEmpty) fields.emplace_back(text, start, fieldEnd - start);
    if (stop == std::string::npos) return;
    start = stop + 1;
  }
}

std::vector<std::string> split(std::string const& text, char delimiter, bool keepEmpty) {
  std::vector<std::string> fields;
  splitWorker(text, delimiter, fields, keepEmpty);
  return fields;
}

line_t nextLine(std::vector<uint8_t> const& buffer, const uint8_t*& cursor) {
  return internal::takeLine(cursor, buffer.data() + buffer.size());
}

std::string_view nextLineView(std::vector<uint8_t> const& buffer, const uint8_t*& cursor) {
  const line_t line = nextLine(buffer, cursor);
  return {reinterpret_cast<const char*>(line.begin), static_cast<std::size_t>(line.end - line.begin)};
}

std::vector<std::string_view> splitLineViews(std::vector<uint8_t> const& buffer) {
  std::vector<std::string_view> lines;
  const uint8_t* cursor = buffer.data();
  const uint8_t* const end = buffer.data() + buffer.size();
  while (cursor != end) lines.push_back(nextLineView(buffer, cursor));
  return lines;
}

std::string replaceAll(std::string const& text, std::string const& search, std::string const& replacement) {
  std::string result = text;
  if (search.empty()) return result;
  std::size_t pos = 0;
  while ((pos = result.find(search, pos)) != std::string::npos) {
    result.replace(pos, search.size(), replacement);
    pos += replacement.size();
  }
  return result;
}

std::string expandMarkers(std::string const& text, std::map<std::string, std::string> const& markers,
                          bool keepUnmatched) {
  std::string result;
  std::size_t p = 0;
  for (;;) {
    const std::size_t open = text.find("{^", p);
    if (open == std::string::npos) break;
    const std::size_t close = text.find("^}", open + 2);
    if (close == std::string::npos) break;
    result.append(text, p, open - p);
    const std::string name = text.substr(open + 2, close - open - 2);
    const auto found = markers.find(name);
    if (found != markers.end()) {
      result += found->second;
    } else if (keepUnmatched) {
      result += name;
    }
    p = close + 2;
  }
  result.append(text, p, std::string::npos);
  return result;
}

std::string formatSize(uint64_t size, int decimals) {
  if (size < 1024) return std::to_string(size);
  // Counted unsigned, so that the two extra digits cannot overflow an int.
  std::size_t shown = decimals < 0 ? 0 : static_cast<std::size_t>(decimals);

  // Each limit is 1023.95 units of the next smaller size, so that a value that
  // would round up to 1024.0 is shown in the larger unit.
  uint64_t value = 0;
  unsigned unit = 0;
  if (size <= 1048524u) {
    value = size;
  } else if ((size >> 10) <= 1073689395u) {
    value = size >> 10;
    unit = 1;
  } else if ((size >> 20) <= 1099457940684u) {
    value = size >> 20;
    unit = 2;
  } else {
    value = size >> 30;
    unit = 3;
  }
  // 1000 or more of a unit: one unit up, with two more decimals (0.977M, not 1000K).
  if (value >= 1024000u) {
    value >>= 10;
    ++unit;
    shown += 2;
  }
  // The value goes through single precision, which drops low bits above 2^24;
  // it stays an integer, so value / 1024 is exact in 10 decimals.
  return fixedOver1024(roundToSingle(value), shown) + "KMGTPE"[unit];
}

std::vector<uint8_t> hexToBytes(std::string const& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  std::size_t i = 0;
  while (i < text.size()) {
    if (!isHexDigit(text[i])) {
      ++i;
      continue;
    }
    unsigned value = internal::digitValue(text[i]);
    if (i + 1 < text.size() && isHexDigit(text[i + 1])) {
      value = value * 16 + internal::digitValue(text[i + 1]);
      i += 2;
    } else {
      i += 1;
    }
    bytes.push_back(static_cast<uint8_t>(value));
  }
  return bytes;
}

namespace {

template <typename Bytes>
std::string hexText(Bytes const& bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (auto byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    out += hexDigits[b >> 4];
    out += hexDigits[b & 0x0F];
  }
  return out;
}

}  // namespace

std::string toString(std::string const& bytes) { return hexText(bytes); }
std::string toString(std::vector<uint8_t> const& bytes) { return hexText(bytes); }

bool wildcardMatch(std::string const& text, std::string const& pattern) {
  if (pattern.empty()) return text.empty();
  constexpr std::size_t noStar = std::string::npos;
  std::size_t i = 0;  // pattern position
  std::size_t j = 0;  // text position
  std::size_t starPattern = noStar;
  std::size_t starText = 0;
  while (j < text.size()) {
    if (i < pattern.size() && pattern[i] == '*') {
      ++i;
      if (i == pattern.size()) return true;
      starPattern = i;
      starText = j;
    } else if (i < pattern.size() && (pattern[i] == '?' || pattern[i] == text[j])) {
      ++i;
      ++j;
    } else if (starPattern != noStar) {
      ++starText;
      j = starText;
      i = starPattern;
    } else {
      return false;
    }
  }
  while (i < pattern.size() && pattern[i] == '*') ++i;
  return i == pattern.size();
}

std::string joinPath(std::string const& first, std::string const& second) {
  if (first.empty()) return second;
  const std::size_t headEnd = first.find_last_not_of(separators.data(), std::string::npos, separators.size());
  std::string head = headEnd == std::string::npos ? std::string() : first.substr(0, headEnd + 1);
  if (second.empty()) return head;
  const std::size_t tailBegin = second.find_first_not_of(separators.data(), 0, separators.size());
  const std::string tail = tailBegin == std::string::npos ? std::string() : second.substr(tailBegin);
  std::string result = head + '/' + tail;
  for (char& c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

}  // namespace dvk
