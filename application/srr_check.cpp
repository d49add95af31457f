// The .srr check: tests the stored files and samples that the reader finds against the disk, extracts with -x.
#include "srr_check.h"

#include <cstddef>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "checksum/crc32.h"
#include "console/console.h"
#include "crc_cache.h"
#include "files/file_status.h"
#include "files/files.h"
#include "files/write_inside.h"
#include "named_file.h"
#include "program.h"
#include "report.h"
#include "reported_files.h"
#include "srr_reader.h"

namespace app {
namespace {

void debugLine(std::string const& text) {
  if (optDebug.isSet()) std::cout << shown(text) << "\n";
}

// Messages for a file that exists with other contents: straight to standard
// error, never hidden; a name shown on a terminal as every message shows it.
void reportExistingFailure(dvk::write_outcome_t failure, std::string const& name) {
  // Made before the first byte is written, so that running out of memory
  // leaves no part of the line.
  std::string const shownName = dvk::con::shownOn(std::cerr, name);
  if (failure == dvk::write_outcome_t::openFailed) {
    std::cerr << "error: could not open \"" << shownName << "\" for writing\n";
  } else {
    std::cerr << "error: failure while trying to write to \"" << shownName << "\"\n";
  }
  std::cerr.flush();
}

// Messages for a missing file: level-tagged errors.
void reportMissingFailure(dvk::write_outcome_t failure, std::string const& name) {
  if (failure == dvk::write_outcome_t::openFailed) {
    dvk::con::error("could not open '" + name + "' for writing.");
  } else {
    dvk::con::error("failure while trying to write to '" + name + "'.");
  }
}

// Why a name that the writer refused was not written, in the program's
// words; null for the failures of opening and writing, which have lines of
// their own (reportExistingFailure, reportMissingFailure), and for keptFile,
// whose reason names the earlier report (keptReason).
const char* refusalReason(dvk::write_outcome_t outcome) {
  switch (outcome) {
    case dvk::write_outcome_t::leadsOutside:
      return "its name leads outside the current directory.";
    case dvk::write_outcome_t::hiddenName:
      return "a part of its name begins with '.' (a hidden file or folder).";
    case dvk::write_outcome_t::throughLink:
      return "its path goes through a symbolic link.";
    case dvk::write_outcome_t::endsInDotOrSpace:
      return "a part of its name ends in '.' or ' ', which Windows cannot open.";
    case dvk::write_outcome_t::deviceName:
      return "a part of its name is a Windows device name.";
    case dvk::write_outcome_t::dataStream:
      return "its name holds ':', which names a Windows data stream.";
    case dvk::write_outcome_t::notUtf8:
      return "its name is not UTF-8.";
    case dvk::write_outcome_t::othersFolder:
      return "its folder is another user's.";
    case dvk::write_outcome_t::written:
    case dvk::write_outcome_t::openFailed:
    case dvk::write_outcome_t::writeFailed:
    case dvk::write_outcome_t::keptFile:
      break;
  }
  return nullptr;
}

// Why file, which keepReported kept, was not written: the report it is in.
std::string keptReason(dvk::file_id_t const& file) {
  reported_file_t const& earlier = *findReported(file);
  switch (earlier.as) {
    case reported_as_t::checked:
      return "it is the file checked as '" + earlier.name + "'.";
    case reported_as_t::written:
      return "it is the file written as '" + earlier.name + "'.";
    case reported_as_t::list:
      return "it is the .sfv that this run found intact.";
    case reported_as_t::srr:
      break;
  }
  return "it is the .srr being checked.";
}

// The file the payload was written into as the stored name; empty, after the
// messages (reportFailure's lines for a failed open or write), when it must
// not be or could not be.
std::optional<dvk::write_result_t> extract(stored_t const& stored,
                                           void (*reportFailure)(dvk::write_outcome_t, std::string const&)) {
  dvk::write_result_t const written = dvk::writeInside(stored.name, stored.payload, stored.payloadSize, keepReported);
  if (written.outcome == dvk::write_outcome_t::written) return written;
  if (written.outcome == dvk::write_outcome_t::keptFile) {
    dvk::con::error("'" + stored.name + "' was not written: " + keptReason(written.file));
  } else if (const char* reason = refusalReason(written.outcome)) {
    dvk::con::error("'" + stored.name + "' was not written: " + reason);
  } else {
    reportFailure(written.outcome, stored.name);
  }
  return std::nullopt;
}

// After a write: the file is one this run reported on, and later blocks and
// checks of the name compare against the bytes now on disk.
void recordWritten(stored_t const& stored, uint32_t payloadCrc, dvk::write_result_t const& written) {
  recordReported(written.file, reported_as_t::written, stored.name);
  cacheWritten(payloadCrc, written);
}

// The CRC-32 of a stored file's payload: what a file written from it holds.
uint32_t payloadCrc(stored_t const& stored, dvk::crc32_tables_t const& tables) {
  return dvk::crc32(0, stored.payload, stored.payload + stored.payloadSize, tables);
}

// Tests one stored file (or its sample) against the disk, extracting it
// with -x where that is allowed, and counts the outcome.
void testStored(stored_t const& stored, dvk::crc32_tables_t const& tables, result_t& result) {
  std::string const& name = stored.name;
  // Samples describe a file, unsized payloads would wipe a good file on a
  // malformed block: neither is ever written.
  bool const writable = optExtract.isSet() && !stored.sample && stored.sizedPayload;

  named_file_t const named = findNamed(name);
  switch (named.found) {
    case found_t::absent: {
      std::optional<dvk::write_result_t> const written =
          writable ? extract(stored, reportMissingFailure) : std::nullopt;
      if (written) {
        recordWritten(stored, payloadCrc(stored, tables), *written);
        printNameLine(markerWritten, name);
        result.ok += 1;
      } else {
        countMissing(result, name);
      }
      return;
    }
    case found_t::directory:
    case found_t::remote:
      countMissing(result, name);
      return;
    case found_t::failed:
      countMismatch(result, 0, name);
      return;
    case found_t::present:
      break;
  }

  disk_crc_t const disk = diskCrc(name, named.status);
  // The payload's CRC-32, summed only for a file on disk and only once.
  std::optional<uint32_t> payloadSum;
  if (disk.readable) {
    if (!stored.sample) payloadSum = payloadCrc(stored, tables);
    uint32_t const expected = stored.sample ? stored.sampleCrc : *payloadSum;
    if (disk.crc == expected) {
      countIntact(result, disk, name);
      return;
    }
  }

  // Only a regular file is replaced: opening a FIFO for writing would hang.
  std::optional<dvk::write_result_t> const written = writable && named.status.kind == dvk::file_kind_t::regular
                                                         ? extract(stored, reportExistingFailure)
                                                         : std::nullopt;
  if (written) {
    recordWritten(stored, payloadSum ? *payloadSum : payloadCrc(stored, tables), *written);
    // The line keeps the CRC-32 from before the rewrite.
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
  dvk::crc32_tables_t const& tables = dvk::crc32Tables(dvk::crc32Polynomial);
  printVerifyLine(srr.name);

  // Each block is tested before the next is read, so output follows block order.
  std::optional<dvk::write_batch_t> writes;
  if (optExtract.isSet()) writes.emplace();
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
