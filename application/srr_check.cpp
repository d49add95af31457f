// The .srr check: tests the stored files and samples that the reader finds against the disk, extracts with -x.
#include "srr_check.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iostream>
#include <string>

#include "checksum/crc32.h"
#include "console/console.h"
#include "crc_cache.h"
#include "files/file_status.h"
#include "files/files.h"
#include "program.h"
#include "report.h"
#include "srr_reader.h"

namespace app {
namespace {

void debugLine(std::string const& text) {
  if (optDebug.isSet()) std::cout << shown(text) << "\n";
}

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// True when writing name, as stored, stays inside the current directory:
// not absolute, no drive letter, no ".." component, no NUL that would cut
// the path short at the system call.
bool staysInside(std::string const& name) {
  if (dvk::hasNulByte(name)) return false;
  if (!name.empty() && (name[0] == '/' || name[0] == '\\')) return false;
  if (name.size() >= 2 && isAsciiLetter(name[0]) && name[1] == ':') return false;
  size_t begin = 0;
  for (;;) {
    size_t const end = name.find_first_of(dvk::pathSeparators, begin);
    size_t const length = (end == std::string::npos ? name.size() : end) - begin;
    if (length == 2 && name.compare(begin, 2, "..") == 0) return false;
    if (end == std::string::npos) return true;
    begin = end + 1;
  }
}

// True when some component of name, as far as it exists, is a symbolic link:
// a release may carry links, and writing through one could replace a file
// anywhere the link points. Only the components that exist are queried, and
// empty and "." ones not at all: a hostile name of 32768 short components
// would otherwise cost as many queries of paths up to 64 KiB long.
bool passesThroughLink(std::string const& name) {
  size_t begin = 0;
  for (;;) {
    size_t const end = name.find_first_of(dvk::pathSeparators, begin);
    size_t const stop = end == std::string::npos ? name.size() : end;
    bool const addsNothing = stop == begin || (stop - begin == 1 && name[begin] == '.');
    if (!addsNothing) {
      std::error_code ec;
      std::filesystem::file_status const status =
          std::filesystem::symlink_status(std::filesystem::path(name.substr(0, stop)), ec);
      if (!ec && std::filesystem::is_symlink(status)) return true;
      // Nothing past a part that cannot be looked up can be looked up either
      // (the name holds no ".."): the open fails there the same way.
      if (ec || !std::filesystem::exists(status)) return false;
    }
    if (end == std::string::npos) return false;
    begin = end + 1;
  }
}

enum class write_result_t { written, openFailed, writeFailed };

// Writes the size bytes at data as the file name, replacing what was there.
// Closed here so that a full disk or a quota shows as a failed write, not as
// a silently short file: close flushes, and sets failbit when that fails.
write_result_t writeStored(std::string const& name, const uint8_t* data, size_t size) {
  dvk::open_result_t opened = dvk::openForWrite(name, std::ios::out | std::ios::binary);
  if (!opened.ok) return write_result_t::openFailed;
  std::fstream& stream = opened.stream;
  stream.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  stream.close();
  return stream.fail() ? write_result_t::writeFailed : write_result_t::written;
}

// Messages for a file that exists with other contents: straight to standard
// error, never hidden.
void reportExistingFailure(write_result_t failure, std::string const& name) {
  if (failure == write_result_t::openFailed) {
    std::cerr << "error: could not open \"" << name << "\" for writing\n";
  } else {
    std::cerr << "error: failure while trying to write to \"" << name << "\"\n";
  }
  std::cerr.flush();
}

// Messages for a missing file: level-tagged errors.
void reportMissingFailure(write_result_t failure, std::string const& name) {
  if (failure == write_result_t::openFailed) {
    dvk::con::error("could not open '" + name + "' for writing.");
  } else {
    dvk::con::error("failure while trying to write to '" + name + "'.");
  }
}

// False (after the message) when name must not be written: it leads outside
// the current directory, or through a symbolic link.
bool safeToWrite(std::string const& name) {
  if (!staysInside(name)) {
    dvk::con::error("'" + name + "' was not written: its name leads outside the current directory.");
    return false;
  }
  if (passesThroughLink(name)) {
    dvk::con::error("'" + name + "' was not written: its path goes through a symbolic link.");
    return false;
  }
  return true;
}

// True when the payload was written as the stored name; false, after the
// messages (reportFailure's form for a failed write), when it must not be or
// could not be.
bool extract(stored_t const& stored, void (*reportFailure)(write_result_t, std::string const&)) {
  if (!safeToWrite(stored.name)) return false;
  write_result_t const written = writeStored(stored.name, stored.payload, stored.payloadSize);
  if (written == write_result_t::written) return true;
  reportFailure(written, stored.name);
  return false;
}

// Tests one stored file (or its sample) against the disk, extracting it
// with -x where that is allowed, and counts the outcome.
void testStored(stored_t const& stored, dvk::crc32_tables_t const& tables, result_t& result) {
  std::string const& name = stored.name;
  // Samples describe a file, unsized payloads would wipe a good file on a
  // malformed block: neither is ever written.
  bool const writable = optExtract.isSet() && !stored.sample && stored.sizedPayload;

  dvk::file_status_t const status = dvk::fileStatus(name);
  if (!status.ok) {
    if (writable && extract(stored, reportMissingFailure)) {
      printNameLine(markerWritten, name);
      result.ok += 1;
    } else {
      countMissing(result, name);
    }
    return;
  }
  if (status.kind == dvk::file_kind_t::directory) {
    countMissing(result, name);
    return;
  }

  disk_crc_t const disk = diskCrc(name, status.kind);
  if (disk.readable) {
    uint32_t const expected =
        stored.sample ? stored.sampleCrc : dvk::crc32(0, stored.payload, stored.payload + stored.payloadSize, tables);
    if (disk.crc == expected) {
      printCrcLine(markerMatch, disk.crc, name);
      result.ok += 1;
      return;
    }
  }

  // Only a regular file is replaced: opening a FIFO for writing would hang.
  if (writable && status.kind == dvk::file_kind_t::regular && extract(stored, reportExistingFailure)) {
    // The line and the cache keep the CRC-32 from before the rewrite.
    printCrcLine(markerRewritten, disk.crc, name);
    result.ok += 1;
  } else {
    countMismatch(result, disk.crc, name);
  }
}

// The block's dump lines, in the order its fields were read: a damaged block
// shows what came before the damage.
void dumpBlock(srr_block_t const& block) {
  if (block.type) debugLine("  >> blocktype: " + hex(*block.type));
  if (block.payloadSize) debugLine("   > payload size: " + hex(*block.payloadSize));
  if (block.appName) debugLine("   > app name: " + *block.appName);
  if (block.fileName) debugLine("   > file name: " + *block.fileName);
  if (block.id3Size) debugLine("   > ID3 found, size: " + hex(*block.id3Size));
  if (!block.sampleKind.empty()) debugLine("   > " + block.sampleKind + " found, app: " + block.sampleApp);
}

}  // namespace

result_t checkSrr(dvk::file_t const& srr) {
  result_t result;
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(0xEDB88320u);
  printVerifyLine(srr.name);

  // Each block is tested before the next is read, so output follows block order.
  srr_reader_t reader;
  reader.data = srr.data.data();
  reader.size = srr.data.size();
  srr_block_t block;
  while (nextBlock(reader, block)) {
    dumpBlock(block);
    if (block.damaged) {
      dvk::con::error("'" + srr.name + "' is damaged at offset " + std::to_string(block.offset) +
                      "; checking stopped there.");
      result.unparseable += 1;
      break;
    }
    if (block.stored) {
      result.checked += 1;
      testStored(*block.stored, tables, result);
    }
  }

  result.passed = result.ok == result.checked && result.unparseable == 0;
  printSummary(".srr", result, false);
  return result;
}

}  // namespace app
