// The .srr check: walks the blocks, tests stored files and samples against the disk, extracts with -x.
#include "srr_check.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ios>
#include <iostream>
#include <optional>
#include <string>

#include "checksum/crc32.h"
#include "console/console.h"
#include "crc_cache.h"
#include "files/file_status.h"
#include "files/files.h"
#include "program.h"
#include "report.h"

namespace app {
namespace {

constexpr uint8_t typeSrrHeader = 0x69;
constexpr uint8_t typeStoredFile = 0x6A;
// Only this exact value announces the 4-byte payload-size field.
constexpr uint16_t flagsWithPayload = 0x8000;
constexpr uint32_t fixedFieldsSize = 7;
constexpr uint32_t payloadSizeFieldSize = 4;
constexpr uint32_t id3HeaderSize = 10;
constexpr size_t sampleMagicSize = 4;

// A read position over the .srr's bytes. Every read is checked against the
// end first, so hostile lengths can never reach memory outside the data.
struct cursor_t {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;

  // n is 64-bit so that a 32-bit length added to a position cannot wrap.
  bool has(uint64_t n) const { return n <= static_cast<uint64_t>(size - pos); }
  bool skip(uint64_t n) {
    if (!has(n)) return false;
    pos += static_cast<size_t>(n);
    return true;
  }
  bool u8(uint8_t& value) {
    if (!has(1)) return false;
    value = data[pos++];
    return true;
  }
  bool u16(uint16_t& value) {
    if (!has(2)) return false;
    value = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
    pos += 2;
    return true;
  }
  bool u32(uint32_t& value) {
    if (!has(4)) return false;
    value = static_cast<uint32_t>(data[pos]) | (static_cast<uint32_t>(data[pos + 1]) << 8) |
            (static_cast<uint32_t>(data[pos + 2]) << 16) | (static_cast<uint32_t>(data[pos + 3]) << 24);
    pos += 4;
    return true;
  }
};

// The n bytes at the cursor as text; the cursor moves past them. Empty when
// they run past the end (the cursor then stays).
std::optional<std::string> readString(cursor_t& cursor, size_t n) {
  if (!cursor.has(n)) return std::nullopt;
  std::string text(reinterpret_cast<const char*>(cursor.data + cursor.pos), n);
  cursor.pos += n;
  return text;
}

// A length-prefixed name: 2-byte length, then that many bytes.
std::optional<std::string> readName(cursor_t& cursor) {
  uint16_t length = 0;
  if (!cursor.u16(length)) return std::nullopt;
  return readString(cursor, length);
}

// One stored-file block as the disk test needs it.
struct stored_t {
  std::string name;                  // the stored name, or the sample's name
  const uint8_t* payload = nullptr;  // its payloadSize bytes, inside the .srr's data
  uint32_t payloadSize = 0;
  bool sample = false;        // an "SRSF" or "fLaC" header names a sample
  uint32_t sampleCrc = 0;     // the header's CRC-32, when sample
  bool sizedPayload = false;  // flags were exactly 0x8000
};

void debugLine(std::string const& text) {
  if (optDebug.isSet()) std::cout << text << "\n";
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

// Looks for an ID3v2 tag and a sample header at the payload start. The
// headers are read from the data, not only the payload: a block without a
// sized payload still has the bytes after its name examined. False when a
// header is cut off by the end of the data.
bool detectSample(cursor_t cursor, stored_t& stored) {
  if (!cursor.has(sampleMagicSize)) return true;
  const uint8_t* const tag = cursor.data + cursor.pos;
  if (tag[0] == 'I' && tag[1] == 'D' && tag[2] == '3') {
    if (!cursor.has(id3HeaderSize)) return false;
    // Syncsafe by intent, but the top bits are not cleared: a malformed tag
    // gives a larger size, which at worst means no sample header follows.
    uint32_t const tagSize = (static_cast<uint32_t>(tag[6]) << 21) | (static_cast<uint32_t>(tag[7]) << 14) |
                             (static_cast<uint32_t>(tag[8]) << 7) | tag[9];
    debugLine("   > ID3 found, size: " + hex(tagSize));
    if (!cursor.skip(uint64_t{id3HeaderSize} + tagSize) || !cursor.has(sampleMagicSize)) return true;
  }

  std::string const kind(reinterpret_cast<const char*>(cursor.data + cursor.pos), sampleMagicSize);
  if (kind != "SRSF" && kind != "fLaC") return true;
  // After the magic, SRSF: block size (4), flags (2); fLaC: block type (1),
  // length (3), flags (2).
  if (!cursor.skip(sampleMagicSize + 6)) return false;
  std::optional<std::string> const appName = readName(cursor);
  if (!appName) return false;
  std::optional<std::string> const sampleName = readName(cursor);
  if (!sampleName) return false;
  uint32_t crc = 0;
  if (!cursor.skip(8) || !cursor.u32(crc)) return false;  // sample size, then its CRC-32
  debugLine("   > " + kind + " found, app: " + *appName);
  stored.name = *sampleName;
  stored.sample = true;
  stored.sampleCrc = crc;
  return true;
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

// Reads and handles the stored-file block whose name starts at the cursor;
// the cursor ends after its payload. False when the block is damaged.
bool handleStoredFile(cursor_t& cursor, bool sizedPayload, uint32_t payloadSize, dvk::crc32_tables_t const& tables,
                      result_t& result) {
  std::optional<std::string> storedName = readName(cursor);
  if (!storedName) return false;
  debugLine("   > file name: " + *storedName);

  // Checked even when no payload byte is needed: a cut-off block is damage.
  if (!cursor.has(payloadSize)) return false;
  stored_t stored;
  stored.name = std::move(*storedName);
  stored.payload = cursor.data + cursor.pos;
  stored.payloadSize = payloadSize;
  stored.sizedPayload = sizedPayload;
  if (!detectSample(cursor, stored)) return false;

  result.checked += 1;
  testStored(stored, tables, result);
  cursor.pos += payloadSize;
  return true;
}

// Handles the block at the cursor and moves the cursor to the next one.
// False when the block is damaged; the cursor then stays anywhere inside it.
bool walkBlock(cursor_t& cursor, dvk::crc32_tables_t const& tables, result_t& result) {
  size_t const blockStart = cursor.pos;
  uint8_t type = 0;
  uint16_t flags = 0;
  uint16_t headerSize = 0;
  // The header CRC (2 bytes) is not checked.
  if (!cursor.skip(2) || !cursor.u8(type) || !cursor.u16(flags) || !cursor.u16(headerSize)) return false;
  debugLine("  >> blocktype: " + hex(type));

  uint32_t payloadSize = 0;
  bool const sizedPayload = flags == flagsWithPayload;
  if (sizedPayload) {
    if (!cursor.u32(payloadSize)) return false;
    debugLine("   > payload size: " + hex(payloadSize));
  }

  if (type == typeSrrHeader) {
    // A payload size on this block is not skipped: the next block follows the name.
    std::optional<std::string> const appName = readName(cursor);
    if (!appName) return false;
    debugLine("   > app name: " + *appName);
    return true;
  }
  if (type == typeStoredFile) return handleStoredFile(cursor, sizedPayload, payloadSize, tables, result);

  // Any other block: its header-size field says where the next one starts.
  uint32_t const fixedFields = fixedFieldsSize + (sizedPayload ? payloadSizeFieldSize : 0);
  if (headerSize < fixedFields) return false;
  cursor.pos = blockStart;
  return cursor.skip(headerSize);
}

}  // namespace

result_t checkSrr(dvk::file_t const& srr) {
  result_t result;
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(0xEDB88320u);
  printVerifyLine(srr.name);

  cursor_t cursor;
  cursor.data = srr.data.data();
  cursor.size = srr.data.size();
  // Every block moves the cursor forward by at least its 7 fixed bytes, so
  // the walk ends on any input.
  while (cursor.pos < cursor.size) {
    size_t const blockStart = cursor.pos;
    if (!walkBlock(cursor, tables, result)) {
      dvk::con::error("'" + srr.name + "' is damaged at offset " + std::to_string(blockStart) +
                      "; checking stopped there.");
      result.unparseable += 1;
      break;
    }
  }

  result.passed = result.ok == result.checked && result.unparseable == 0;
  printSummary(".srr", result, false);
  return result;
}

}  // namespace app
