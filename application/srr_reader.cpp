// The .srr block walk: fixed fields, names, sample headers and payloads, each
// read checked against the end of the data.
#include "srr_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

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

// Looks for an ID3v2 tag and a sample header at the payload start. The
// headers are read from the data, not only the payload: a block without a
// sized payload still has the bytes after its name examined. False when a
// header is cut off by the end of the data.
bool detectSample(cursor_t cursor, srr_block_t& block, stored_t& stored) {
  if (!cursor.has(sampleMagicSize)) return true;
  const uint8_t* const tag = cursor.data + cursor.pos;
  if (tag[0] == 'I' && tag[1] == 'D' && tag[2] == '3') {
    if (!cursor.has(id3HeaderSize)) return false;
    // Syncsafe by intent, but the top bits are not cleared: a malformed tag
    // gives a larger size, which at worst means no sample header follows.
    uint32_t const tagSize = (static_cast<uint32_t>(tag[6]) << 21) | (static_cast<uint32_t>(tag[7]) << 14) |
                             (static_cast<uint32_t>(tag[8]) << 7) | tag[9];
    block.id3Size = tagSize;
    if (!cursor.skip(uint64_t{id3HeaderSize} + tagSize) || !cursor.has(sampleMagicSize)) return true;
  }

  std::string kind(reinterpret_cast<const char*>(cursor.data + cursor.pos), sampleMagicSize);
  if (kind != "SRSF" && kind != "fLaC") return true;
  // After the magic, SRSF: block size (4), flags (2); fLaC: block type (1),
  // length (3), flags (2).
  if (!cursor.skip(sampleMagicSize + 6)) return false;
  std::optional<std::string> appName = readName(cursor);
  if (!appName) return false;
  std::optional<std::string> sampleName = readName(cursor);
  if (!sampleName) return false;
  uint32_t crc = 0;
  if (!cursor.skip(8) || !cursor.u32(crc)) return false;  // sample size, then its CRC-32
  block.sampleKind = std::move(kind);
  block.sampleApp = std::move(*appName);
  stored.name = std::move(*sampleName);
  stored.sample = true;
  stored.sampleCrc = crc;
  return true;
}

// Reads the stored-file block whose name starts at the cursor; the cursor
// ends after its payload. False when the block is damaged.
bool readStoredFile(cursor_t& cursor, uint32_t payloadSize, srr_block_t& block) {
  block.fileName = readName(cursor);
  if (!block.fileName) return false;

  // Checked even when no payload byte is needed: a cut-off block is damage.
  if (!cursor.has(payloadSize)) return false;
  stored_t stored;
  stored.name = *block.fileName;
  stored.payload = cursor.data + cursor.pos;
  stored.payloadSize = payloadSize;
  stored.sizedPayload = block.payloadSize.has_value();
  if (!detectSample(cursor, block, stored)) return false;

  block.stored = std::move(stored);
  cursor.pos += payloadSize;
  return true;
}

// Reads the block at the cursor and moves the cursor to the next one. False
// when the block is damaged; the cursor then stays anywhere inside it.
bool readBlock(cursor_t& cursor, srr_block_t& block) {
  size_t const blockStart = cursor.pos;
  uint8_t type = 0;
  uint16_t flags = 0;
  uint16_t headerSize = 0;
  // The header CRC (2 bytes) is not checked.
  if (!cursor.skip(2) || !cursor.u8(type) || !cursor.u16(flags) || !cursor.u16(headerSize)) return false;
  block.type = type;

  uint32_t payloadSize = 0;
  bool const sizedPayload = flags == flagsWithPayload;
  if (sizedPayload) {
    if (!cursor.u32(payloadSize)) return false;
    block.payloadSize = payloadSize;
  }

  if (type == typeSrrHeader) {
    // A payload size on this block is not skipped: the next block follows the name.
    block.appName = readName(cursor);
    return block.appName.has_value();
  }
  if (type == typeStoredFile) return readStoredFile(cursor, payloadSize, block);

  // Any other block: its header-size field says where the next one starts.
  uint32_t const fixedFields = fixedFieldsSize + (sizedPayload ? payloadSizeFieldSize : 0);
  if (headerSize < fixedFields) return false;
  cursor.pos = blockStart;
  return cursor.skip(headerSize);
}

}  // namespace

bool nextBlock(srr_reader_t& reader, srr_block_t& block) {
  if (reader.stopped || reader.pos >= reader.size) return false;
  block = srr_block_t{};
  block.offset = reader.pos;

  cursor_t cursor;
  cursor.data = reader.data;
  cursor.size = reader.size;
  cursor.pos = reader.pos;
  if (readBlock(cursor, block)) {
    block.end = cursor.pos;
    reader.pos = cursor.pos;
  } else {
    block.damaged = true;
    reader.stopped = true;
  }
  return true;
}

}  // namespace app
