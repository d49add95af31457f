// The .srr reader: walks the blocks of an .srr in memory and says what each
// holds, without touching the disk or printing anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace app {

// One stored-file block as the disk test needs it.
struct stored_t {
  std::string name;                  // the stored name, or the sample's name
  const uint8_t* payload = nullptr;  // its payloadSize bytes, inside the .srr's data
  uint32_t payloadSize = 0;
  bool sample = false;        // an "SRSF" or "fLaC" header names a sample
  uint32_t sampleCrc = 0;     // the header's CRC-32, when sample
  bool sizedPayload = false;  // flags were exactly 0x8000
};

// One block, as far as it could be read. The optional fields are the facts
// of the debug dump, set in the order they are read: a damaged block keeps
// those read before the damage.
struct srr_block_t {
  size_t offset = 0;     // where the block starts in the data
  size_t end = 0;        // where the next block starts; unset (0) when damaged
  bool damaged = false;  // the block runs past the end of the data or is malformed

  std::optional<uint8_t> type;          // empty when the fixed fields are cut off
  std::optional<uint32_t> payloadSize;  // only when the flags were exactly 0x8000
  std::optional<std::string> appName;   // of an SRR header block (0x69)
  std::optional<std::string> fileName;  // of a stored-file block (0x6A), as stored
  std::optional<uint32_t> id3Size;      // an ID3v2 tag opens the payload
  std::string sampleKind;               // "SRSF" or "fLaC" when a whole sample header was read
  std::string sampleApp;                // the sample header's application name

  std::optional<stored_t> stored;  // a whole stored-file block, ready for the disk test
};

// A walk over an .srr's bytes, which must stay alive and unchanged while the
// walk and the blocks it yields are used.
struct srr_reader_t {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;        // the start of the next block
  bool stopped = false;  // a damaged block was yielded
};

// Reads the block at the reader's position into block and moves on to the
// next one. False, with block untouched, once the data is used up or after a
// damaged block. No read goes outside the data; every block moves the walk on
// by at least its 7 fixed bytes, so the walk ends on any input.
bool nextBlock(srr_reader_t& reader, srr_block_t& block);

}  // namespace app
