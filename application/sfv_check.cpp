// The .sfv check: parses each line into a name and a CRC-32 and tests the file.
#include "sfv_check.h"

#include <algorithm>
#include <cctype>
#include <iostream>

#include "checksum/crc32.h"
#include "console/console.h"
#include "crc_cache.h"
#include "files/files.h"
#include "named_file.h"
#include "report.h"
#include "text/text.h"

namespace app {

namespace {

bool isSpace(uint8_t byte) { return std::isspace(byte) != 0; }
bool isBlank(uint8_t byte) { return std::isblank(byte) != 0; }

// The shortest entry: a one-character name, a blank and eight digits.
constexpr std::ptrdiff_t shortestEntry = 10;
constexpr std::ptrdiff_t crcDigits = 8;

bool unparseable(sfv_entry_t& entry) {
  entry.name.clear();
  entry.crc = unparseableMark;
  return false;
}

// Several Windows tools begin an .sfv with the UTF-8 byte-order mark; it
// belongs to no line, and the first line stays line 1.
void skipByteOrderMark(const uint8_t*& cursor, const uint8_t* end) {
  static constexpr uint8_t mark[] = {0xEF, 0xBB, 0xBF};
  if (end - cursor >= 3 && std::equal(mark, mark + 3, cursor)) cursor += 3;
}

}  // namespace

bool parseSfvLine(const uint8_t* begin, const uint8_t* end, sfv_entry_t& entry) {
  entry.name.clear();
  entry.crc = 0;
  if (end - begin < shortestEntry || *begin == ';') {
    return false;
  }
  // Trailing white space goes, but the first byte always stays.
  while (end - begin > 1 && isSpace(end[-1])) {
    --end;
  }
  if (end - begin == 1) {
    return false;
  }
  const uint8_t* blank = end;
  while (blank != begin && !isBlank(blank[-1])) {
    --blank;
  }
  if (blank == begin || end - blank != crcDigits) {
    return unparseable(entry);
  }
  std::string const field(blank, end);
  if (!dvk::isNumber(field, 16)) {
    return unparseable(entry);
  }
  const uint8_t* nameEnd = blank - 1;
  while (nameEnd != begin && isSpace(nameEnd[-1])) {
    --nameEnd;
  }
  if (nameEnd == begin) {
    return unparseable(entry);
  }
  entry.name.assign(begin, nameEnd);
  entry.crc = static_cast<uint32_t>(dvk::parseUnsigned(field, 16));
  return true;
}

result_t check(dvk::file_t const& sfv) {
  result_t result;
  // Only makes sure the table set exists before the first file is summed.
  dvk::crc32Tables(dvk::crc32Polynomial);
  printVerifyLine(sfv.name);

  const uint8_t* cursor = sfv.data.data();
  const uint8_t* const end = cursor + sfv.data.size();
  skipByteOrderMark(cursor, end);
  std::size_t lineNumber = 0;
  dvk::line_t line{};
  while (dvk::takeLine(cursor, end, line)) {
    ++lineNumber;
    sfv_entry_t entry;
    if (!parseSfvLine(line.begin, line.end, entry)) {
      if (entry.crc == unparseableMark) {
        ++result.unparseable;
        if (!dvk::con::verboseBelow(2)) {
          std::cout << " xx : {.sfv line #" << lineNumber << " couldn't be parsed as expected}\n";
        }
      }
      continue;
    }
    ++result.checked;
    // Names are paths as written, relative to the working directory.
    named_file_t const named = findNamed(entry.name);
    switch (named.found) {
      case found_t::present: {
        disk_crc_t const disk = diskCrc(entry.name, named.status);
        if (disk.readable && disk.crc == entry.crc) {
          countIntact(result, disk, entry.name);
        } else {
          countMismatch(result, disk.crc, entry.name);
        }
        break;
      }
      case found_t::failed:
        countMismatch(result, 0, entry.name);
        break;
      case found_t::absent:
      case found_t::directory:
      case found_t::remote:
        countMissing(result, entry.name);
        break;
    }
  }

  result.passed = result.ok == result.checked && result.unparseable == 0;
  printSummary(".sfv", result, true);
  return result;
}

}  // namespace app
