// The .srr block walk: block layout, flags, sample headers, other block types,
// and where damaged data stops the walk.
#include "srr_reader.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Fixtures are byte strings, built field by field in the RAR block layout.
std::string u16(uint32_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)}; }

std::string u32(uint32_t value) { return u16(value & 0xFFFF) + u16(value >> 16); }

std::string named(std::string const& text) { return u16(static_cast<uint32_t>(text.size())) + text; }

constexpr uint16_t sized = 0x8000;

// The fixed fields: header CRC, type, flags, header size, and the payload
// size when the flags announce it.
std::string fixedFields(uint8_t type, uint16_t flags, uint32_t headerSize, uint32_t payloadSize = 0) {
  return u16(0) + static_cast<char>(type) + u16(flags) + u16(headerSize) + (flags == sized ? u32(payloadSize) : "");
}

std::string srrHeader(std::string const& app, uint16_t flags = 0, uint32_t payloadSize = 0) {
  return fixedFields(0x69, flags, 0, payloadSize) + named(app);
}

std::string stored(std::string const& name, std::string const& payload, uint16_t flags = sized) {
  return fixedFields(0x6A, flags, 0, static_cast<uint32_t>(payload.size())) + named(name) + payload;
}

// A stored-file block that announces payloadSize bytes whatever follows it.
std::string storedAnnouncing(std::string const& name, uint32_t payloadSize, std::string const& payload) {
  return fixedFields(0x6A, sized, 0, payloadSize) + named(name) + payload;
}

// A block of another type whose header-size field covers body.
std::string otherBlock(uint8_t type, uint16_t flags, std::string const& body, uint32_t payloadSize = 0) {
  uint32_t const headerSize = (flags == sized ? 11u : 7u) + static_cast<uint32_t>(body.size());
  return fixedFields(type, flags, headerSize, payloadSize) + body;
}

// An ID3v2 tag whose size bytes are given as they are stored, then body.
std::string id3Raw(std::string const& sizeBytes, std::string const& body = "") {
  return "ID3" + std::string("\x03\x00\x00", 3) + sizeBytes + body;
}

std::string id3(uint32_t size) {
  std::string const syncsafe = {static_cast<char>((size >> 21) & 0x7F), static_cast<char>((size >> 14) & 0x7F),
                                static_cast<char>((size >> 7) & 0x7F), static_cast<char>(size & 0x7F)};
  return id3Raw(syncsafe, std::string(size, '\0'));
}

std::string srsf(std::string const& app, std::string const& sample, uint32_t crc) {
  return "SRSF" + u32(0) + u16(0) + named(app) + named(sample) + u32(0) + u32(0) + u32(crc);
}

std::string flac(std::string const& app, std::string const& sample, uint32_t crc) {
  return "fLaC" + std::string(4, '\0') + u16(0) + named(app) + named(sample) + u32(0) + u32(0) + u32(crc);
}

std::string hexText(uint32_t value) {
  std::ostringstream out;
  out << std::hex << value;
  return out.str();
}

// A block as one line: its facts in dump order, then what the disk test
// gets. Offsets and payload positions are checked by walk() instead.
std::string describe(app::srr_block_t const& block) {
  std::string text;
  auto add = [&text](std::string const& part) {
    if (!text.empty()) text += ' ';
    text += part;
  };
  if (block.type) add("type=" + hexText(*block.type));
  if (block.payloadSize) add("size=" + hexText(*block.payloadSize));
  if (block.appName) add("app=" + *block.appName);
  if (block.fileName) add("file=" + *block.fileName);
  if (block.id3Size) add("id3=" + hexText(*block.id3Size));
  if (!block.sampleKind.empty()) add(block.sampleKind + "=" + block.sampleApp);
  if (block.stored) {
    add("test=" + block.stored->name);
    if (block.stored->sample) add("crc=" + hexText(block.stored->sampleCrc));
    if (!block.stored->sizedPayload) add("unsized");
  }
  if (block.damaged) add("damaged");
  return text;
}

// Walks bytes held in a buffer of exactly their size, so that a read past
// the end shows under AddressSanitizer, and checks what holds for any walk:
// blocks follow one another without gaps, each moves the walk on, a stored
// payload lies inside the block and the data, damage ends the walk.
std::vector<app::srr_block_t> walk(std::string const& bytes) {
  std::vector<uint8_t> const data(bytes.begin(), bytes.end());
  app::srr_reader_t reader;
  reader.data = data.data();
  reader.size = data.size();
  std::vector<app::srr_block_t> blocks;
  app::srr_block_t block;
  size_t expectedOffset = 0;
  while (app::nextBlock(reader, block)) {
    EXPECT_EQ(block.offset, expectedOffset);
    if (block.damaged) {
      EXPECT_FALSE(block.stored);
      EXPECT_FALSE(app::nextBlock(reader, block));
      blocks.push_back(block);
      break;
    }
    EXPECT_GE(block.end, block.offset + 7);
    EXPECT_LE(block.end, data.size());
    if (block.stored) {
      app::stored_t const& s = *block.stored;
      EXPECT_EQ(*block.type, 0x6A);
      EXPECT_EQ(s.sizedPayload, block.payloadSize.has_value());
      EXPECT_EQ(s.payloadSize, block.payloadSize.value_or(0));
      // The payload runs from right after the name to the block's end.
      EXPECT_EQ(s.payload, data.data() + block.end - s.payloadSize);
      EXPECT_EQ(s.payload - data.data(),
                static_cast<std::ptrdiff_t>(block.offset + (s.sizedPayload ? 11 : 7) + 2 + block.fileName->size()));
      EXPECT_EQ(s.sample, !block.sampleKind.empty());
      if (!s.sample) {
        EXPECT_EQ(s.name, *block.fileName);
      }
    }
    expectedOffset = block.end;
    blocks.push_back(block);
  }
  if (blocks.empty() || !blocks.back().damaged) {
    EXPECT_EQ(expectedOffset, data.size());
  }
  return blocks;
}

struct walk_case_t {
  const char* what;
  // The bytes as the walk should split them into blocks; a damaged block's
  // piece runs to the end of the data.
  std::vector<std::string> pieces;
  std::vector<std::string> blocks;  // describe() of each block
};

std::vector<walk_case_t> walkCases() {
  std::string const nfo = "Release notes\r\n";
  return {
      {"no data", {}, {}},
      {"a header block alone", {srrHeader("tarvok")}, {"type=69 app=tarvok"}},
      {"a header block with a payload size, which is not skipped",
       {srrHeader("app", sized, 0x12345), stored("a.nfo", nfo)},
       {"type=69 size=12345 app=app", "type=6a size=f file=a.nfo test=a.nfo"}},
      {"an empty name and an empty payload",
       {srrHeader(""), stored("", "")},
       {"type=69 app=", "type=6a size=0 file= test="}},
      {"flags other than 0x8000 announce no payload",
       {stored("a", "", 0x8001), stored("b", "", 0x0080), stored("c", "", 0xC000), stored("d", "", 0),
        stored("e", "x")},
       {"type=6a file=a test=a unsized", "type=6a file=b test=b unsized", "type=6a file=c test=c unsized",
        "type=6a file=d test=d unsized", "type=6a size=1 file=e test=e"}},
      {"a name of 65535 bytes",
       {stored(std::string(65535, 'n'), "x")},
       {"type=6a size=1 file=" + std::string(65535, 'n') + " test=" + std::string(65535, 'n')}},
      {"an ID3 tag without a sample header",
       {stored("song.mp3", id3(20) + "music")},
       {"type=6a size=23 file=song.mp3 id3=14 test=song.mp3"}},
      {"an ID3 tag then an SRSF header",
       {stored("s.srs", id3(6) + srsf("pyReScene", "Sample/s.mkv", 0x1234abcd) + "track")},
       {"type=6a size=44 file=s.srs id3=6 SRSF=pyReScene test=Sample/s.mkv crc=1234abcd"}},
      {"an SRSF header",
       {stored("s.srs", srsf("app", "s.mkv", 0xFFFFFFFF))},
       {"type=6a size=22 file=s.srs SRSF=app test=s.mkv crc=ffffffff"}},
      {"a fLaC header",
       {stored("f.srs", flac("app", "Sample/f.flac", 0xCAFEF00D))},
       {"type=6a size=2a file=f.srs fLaC=app test=Sample/f.flac crc=cafef00d"}},
      {"sample magics are case-sensitive",
       {stored("a", "srsf...."), stored("b", "FLAC....")},
       {"type=6a size=8 file=a test=a", "type=6a size=8 file=b test=b"}},
      {"an ID3 tag that claims more than there is: no sample",
       {stored("a", id3Raw("\xff\xff\xff\xff", "SRSF"))},
       {"type=6a size=e file=a id3=1fffffff test=a"}},
      {"an ID3 tag that ends less than 4 bytes before the end: no sample",
       {stored("a", id3(0) + "SRS")},
       {"type=6a size=d file=a id3=0 test=a"}},
      {"a payload shorter than a sample magic at the end", {stored("a", "SR")}, {"type=6a size=2 file=a test=a"}},
      {"an unsized block has the bytes after its name examined",
       {stored("s.srs", "", 0), srsf("app", "s.mkv", 0x42)},
       // The header is then read as a block: 'S' is its type, "F\0" its flags, 0 its header size.
       {"type=6a file=s.srs SRSF=app test=s.mkv crc=42 unsized", "type=53 damaged"}},
      {"other block types end where their header size says",
       {otherBlock(0x7A, 0, std::string(9, '\xee')), otherBlock(0x74, sized, "abc", 0xFFFFFFFF),
        std::string("Ra\x72!\x1a\x07\x00", 7), otherBlock(0x7B, 0x4000, ""), stored("a", "x")},
       {"type=7a", "type=74 size=ffffffff", "type=72", "type=7b", "type=6a size=1 file=a test=a"}},

      {"fixed fields cut off", {std::string(6, '\0')}, {"damaged"}},
      {"payload-size field cut off", {fixedFields(0x6A, sized, 0).substr(0, 10)}, {"type=6a damaged"}},
      {"application-name length cut off", {fixedFields(0x69, 0, 0) + "\x05"}, {"type=69 damaged"}},
      {"application name cut off", {fixedFields(0x69, 0, 0) + u16(5) + "abcd"}, {"type=69 damaged"}},
      {"file name cut off",
       {srrHeader("app"), fixedFields(0x6A, sized, 0, 1) + u16(2) + "a"},
       {"type=69 app=app", "type=6a size=1 damaged"}},
      {"payload past the end",
       {stored("a", "x"), storedAnnouncing("b", 4, "abc")},
       {"type=6a size=1 file=a test=a", "type=6a size=4 file=b damaged"}},
      {"payload size 0xffffffff", {storedAnnouncing("b", 0xFFFFFFFF, "abc")}, {"type=6a size=ffffffff file=b damaged"}},
      {"ID3 header past the end of the data", {stored("a", "ID3\x03")}, {"type=6a size=4 file=a damaged"}},
      {"ID3 header cut off after an unsized block",
       {stored("a", "", 0) + std::string("ID3\x03\x00", 5)},
       {"type=6a file=a damaged"}},
      {"SRSF header cut off after its magic", {stored("a", "SRSF" + u32(0))}, {"type=6a size=8 file=a damaged"}},
      {"SRSF application name cut off",
       {stored("a", srsf("app", "s", 1).substr(0, 14))},
       {"type=6a size=e file=a damaged"}},
      {"SRSF sample name cut off",
       {stored("a", srsf("app", "s", 1).substr(0, 17))},
       {"type=6a size=11 file=a damaged"}},
      {"SRSF CRC-32 cut off",
       {stored("a", id3(0) + srsf("app", "s", 1).substr(0, 29))},
       {"type=6a size=27 file=a id3=0 damaged"}},
      {"fLaC header cut off", {stored("a", flac("app", "s", 1).substr(0, 26))}, {"type=6a size=1a file=a damaged"}},
      {"other block with a header size below 7", {fixedFields(0x7A, 0, 6) + "x"}, {"type=7a damaged"}},
      {"other block with a payload size and a header size below 11",
       {otherBlock(0x7A, 0, "ab"), fixedFields(0x7A, sized, 10, 0) + "xyz"},
       {"type=7a", "type=7a size=0 damaged"}},
      {"other block whose header size runs past the end", {fixedFields(0x7A, 0, 20) + "abc"}, {"type=7a damaged"}},
  };
}

TEST(SrrReader, SplitsTheDataIntoBlocks) {
  for (walk_case_t const& c : walkCases()) {
    SCOPED_TRACE(c.what);
    std::string data;
    std::vector<size_t> offsets;
    for (std::string const& piece : c.pieces) {
      offsets.push_back(data.size());
      data += piece;
    }
    std::vector<app::srr_block_t> const blocks = walk(data);
    ASSERT_EQ(blocks.size(), c.blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
      SCOPED_TRACE("block " + std::to_string(i));
      EXPECT_EQ(describe(blocks[i]), c.blocks[i]);
      EXPECT_EQ(blocks[i].offset, offsets[i]);
      if (!blocks[i].damaged) {
        EXPECT_EQ(blocks[i].end, offsets[i] + c.pieces[i].size());
      }
    }
  }
}

TEST(SrrReader, CutAtEveryByteStopsAtTheCutBlock) {
  std::string const release = srrHeader("pyReScene 0.7", sized, 3) + stored("release.nfo", "Release notes\r\n") +
                              stored("Sample/r.srs", id3(6) + srsf("pyReScene 0.7", "Sample/r.mkv", 0xDEADBEEF)) +
                              stored("f.srs", flac("app", "f.flac", 7)) + otherBlock(0x74, sized, "headers", 1500) +
                              stored("empty.txt", "", 0x8001) + stored("last.bin", "bytes");
  std::vector<app::srr_block_t> const whole = walk(release);
  ASSERT_EQ(whole.size(), 7u);
  ASSERT_FALSE(whole.back().damaged);

  for (size_t cut = 0; cut <= release.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    std::vector<app::srr_block_t> const blocks = walk(release.substr(0, cut));
    size_t intact = 0;
    while (intact < whole.size() && whole[intact].end <= cut) ++intact;
    bool const atBoundary = cut == (intact == 0 ? 0 : whole[intact - 1].end);
    ASSERT_EQ(blocks.size(), intact + (atBoundary ? 0 : 1));
    for (size_t i = 0; i < intact; ++i) EXPECT_EQ(describe(blocks[i]), describe(whole[i]));
    if (atBoundary) continue;

    // The cut block keeps the facts whose fields lie wholly before the cut.
    app::srr_block_t const& full = whole[intact];
    app::srr_block_t expected;
    expected.damaged = true;
    size_t const fixedEnd = full.offset + (full.payloadSize ? 11 : 7);
    if (cut >= full.offset + 7) expected.type = full.type;
    if (cut >= fixedEnd) expected.payloadSize = full.payloadSize;
    if (full.appName && cut >= fixedEnd + 2 + full.appName->size()) expected.appName = full.appName;
    if (full.fileName && cut >= fixedEnd + 2 + full.fileName->size()) expected.fileName = full.fileName;
    EXPECT_EQ(blocks.back().offset, full.offset);
    EXPECT_EQ(describe(blocks.back()), describe(expected));
  }
}

TEST(SrrReader, StopsAfterTheDataAndAfterDamage) {
  std::string const bytes = stored("a", "x") + std::string(3, '\0');
  std::vector<uint8_t> const data(bytes.begin(), bytes.end());
  app::srr_reader_t reader;
  reader.data = data.data();
  reader.size = data.size();
  app::srr_block_t block;
  ASSERT_TRUE(app::nextBlock(reader, block));
  ASSERT_TRUE(app::nextBlock(reader, block));
  EXPECT_TRUE(block.damaged);
  EXPECT_EQ(block.offset, 15u);
  // Further calls neither read nor change the last block.
  EXPECT_FALSE(app::nextBlock(reader, block));
  EXPECT_TRUE(block.damaged);
  EXPECT_EQ(block.offset, 15u);
}

}  // namespace
