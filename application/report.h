// Per-file report lines, the "verify " line, the summary line and the failure
// bookkeeping, shared by the .sfv and .srr checks. All of it goes to standard output.
#pragma once

#include <cstdint>
#include <string>

#include "check_result.h"
#include "crc_cache.h"

namespace app {

inline constexpr const char* markerMatch = " == : ";
inline constexpr const char* markerMismatch = " != : ";
inline constexpr const char* markerMissing = " -- : ";
inline constexpr const char* markerRewritten = " ~~ : ";
inline constexpr const char* markerWritten = " ++ : ";

// Lowercase hex, zero-padded to 2 digits below 0x100, 4 below 0x10000, else 8.
std::string hex(uint32_t value);

// name as standard output shows it: on a terminal with its control characters
// (C0, DEL, C1) and its bytes that are no UTF-8 escaped ("\x1b" for ESC,
// "\xc2\x9b" for CSI), so that a hostile name cannot move the cursor, forge a
// report line or set the window title; to a pipe or a file unchanged.
std::string shown(std::string const& name);

// Eleven spaces when verbose was given twice or more, else empty.
std::string indent();

// "verify " + name + "\n" at verbose level 1 and above.
void printVerifyLine(std::string const& name);

// marker (V >= 2), "{" + hex(diskCrc) + "} " (V >= 3), name + "\n" (V >= 2).
void printCrcLine(const char* marker, uint32_t diskCrc, std::string const& name);

// marker + indent() + name + "\n" at V >= 2.
void printNameLine(const char* marker, std::string const& name);

// An entry found intact: the file it was read from is recorded as reported
// (-x leaves it as the report shows it), then its markerMatch CRC line, and it
// is counted.
void countIntact(result_t& result, disk_crc_t const& disk, std::string const& name);

// A missing entry: its markerMissing name line, counted and its name kept.
void countMissing(result_t& result, std::string const& name);

// A mismatched entry: its markerMismatch CRC line, counted and its name kept.
void countMismatch(result_t& result, uint32_t diskCrc, std::string const& name);

// The summary, unless quiet was given or nothing was checked. kind is
// ".sfv" or ".srr"; the "; also found N unparseable line(s)" tail only with
// withUnparseable.
void printSummary(const char* kind, result_t const& result, bool withUnparseable);

}  // namespace app
