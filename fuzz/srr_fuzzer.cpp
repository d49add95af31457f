// libFuzzer target: the .srr reader on arbitrary bytes, in memory, checking
// what every walk must keep to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "srr_reader.h"

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

// The fixed fields of a block, with the payload-size field when announced.
size_t fixedSize(app::srr_block_t const& block) { return block.payloadSize ? 11 : 7; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  app::srr_reader_t reader;
  reader.data = data;
  reader.size = size;
  app::srr_block_t block;
  size_t next = 0;  // where the next block must start
  size_t count = 0;
  bool damaged = false;
  while (app::nextBlock(reader, block)) {
    require(!damaged);  // damage ends the walk
    // Blocks follow one another without gaps or overlaps, and each takes at
    // least its 7 fixed bytes, so the walk ends.
    require(block.offset == next);
    require(++count <= size / 7 + 1);
    if (block.damaged) {
      damaged = true;
      require(!block.stored);
      continue;
    }
    require(block.type.has_value());
    require(block.end >= block.offset + fixedSize(block) && block.end <= size);
    if (block.appName) {
      require(*block.type == 0x69);
      require(block.end == block.offset + fixedSize(block) + 2 + block.appName->size());
    }
    if (block.stored) {
      app::stored_t const& stored = *block.stored;
      require(*block.type == 0x6A && block.fileName.has_value());
      require(stored.sizedPayload == block.payloadSize.has_value());
      require(stored.payloadSize == block.payloadSize.value_or(0));
      // The payload lies inside the block, right after the name, and inside the data.
      require(stored.payload == data + block.offset + fixedSize(block) + 2 + block.fileName->size());
      require(stored.payload + stored.payloadSize == data + block.end);
      require(stored.sample == !block.sampleKind.empty());
      require(stored.sample || stored.name == *block.fileName);
    } else {
      require(!block.fileName);  // a whole stored-file block is always handed on
    }
    next = block.end;
  }
  require(damaged || next == size);
  return 0;
}
