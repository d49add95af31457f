// Per-file report lines, the "verify " line and the summary line.
#include "report.h"

#include <iostream>

#include "console/console.h"
#include "program.h"
#include "reported_files.h"
#include "text/text.h"

namespace app {

std::string hex(uint32_t value) {
  // Two digits per byte the value needs, with three bytes shown as four.
  int const width = value < 0x100u ? 2 : value < 0x10000u ? 4 : 8;
  std::string text(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value != 0; --i, value >>= 4) {
    text[static_cast<std::size_t>(i)] = dvk::hexDigits[value & 0xFu];
  }
  return text;
}

std::string shown(std::string const& name) { return dvk::con::shownOn(std::cout, name); }

std::string indent() {
  // The width of "{", eight digits and "} ": lines without a CRC column line
  // up with those that show a full one.
  return optVerbose.count >= 2 ? std::string(11, ' ') : std::string();
}

// Each line's texts are made before its first byte is written: running out
// of memory on the way leaves no part of a line behind.

void printVerifyLine(std::string const& name) {
  dvk::con::normal([&name] {
    std::string const text = shown(name);
    std::cout << "verify " << text << "\n";
  });
}

void printCrcLine(const char* marker, uint32_t diskCrc, std::string const& name) {
  if (dvk::con::verboseBelow(2)) {
    return;
  }
  std::string const column = dvk::con::verboseBelow(3) ? std::string() : "{" + hex(diskCrc) + "} ";
  std::string const text = shown(name);
  std::cout << marker << column << text << "\n";
}

void printNameLine(const char* marker, std::string const& name) {
  dvk::con::verbose(2, [marker, &name] {
    std::string const text = indent() + shown(name);
    std::cout << marker << text << "\n";
  });
}

void countIntact(result_t& result, disk_crc_t const& disk, std::string const& name) {
  if (disk.file) recordReported(*disk.file, reported_as_t::checked, name);
  printCrcLine(markerMatch, disk.crc, name);
  result.ok += 1;
}

void countMissing(result_t& result, std::string const& name) {
  printNameLine(markerMissing, name);
  result.missing += 1;
  result.missingNames.push_back(name);
}

void countMismatch(result_t& result, uint32_t diskCrc, std::string const& name) {
  printCrcLine(markerMismatch, diskCrc, name);
  result.mismatch += 1;
  result.mismatchedNames.push_back(name);
}

void printSummary(const char* kind, result_t const& result, bool withUnparseable) {
  if (optQuiet.isSet() || result.checked == 0) {
    return;
  }
  if (result.passed) {
    std::cout << kind << " passed (" << result.checked << " file" << dvk::plural("s", result.checked) << ")\n";
    return;
  }
  std::cout << kind << " failed (";
  if (result.mismatch != 0) {
    std::cout << result.mismatch << " mismatch" << dvk::plural("es", result.mismatch) << "; ";
  }
  if (result.missing != 0) {
    std::cout << result.missing << " missing; ";
  }
  std::cout << result.ok << " passed out of " << result.checked << " checked";
  if (withUnparseable && result.unparseable != 0) {
    std::cout << "; also found " << result.unparseable << " unparseable line" << dvk::plural("s", result.unparseable);
  }
  std::cout << ")\n";
}

}  // namespace app
