// Where a reparse point leads, from REPARSE_DATA_BUFFER bytes laid out here:
// the same on every platform, and safe on any bytes at all.
#include "files/reparse_target.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "text/utf16.h"

namespace {

using dvk::reparse_place_t;

constexpr std::uint32_t symlinkTag = 0xA000000C;
constexpr std::uint32_t junctionTag = 0xA0000003;
constexpr std::uint32_t relative = 1;

// Offsets of the fields after the 8-byte header, as ntifs.h lays them out.
constexpr std::size_t dataLengthAt = 4;
constexpr std::size_t substituteOffsetAt = 8;
constexpr std::size_t substituteLengthAt = 10;
constexpr std::size_t printOffsetAt = 12;
constexpr std::size_t printLengthAt = 14;

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  put16(bytes, at, value & 0xFFFF);
  put16(bytes, at + 2, value >> 16);
}

struct link_t {
  std::uint32_t tag = symlinkTag;
  std::uint32_t flags = 0;
  std::u16string substitute;
  std::u16string print = u"shown";
  bool printFirst = false;  // the print name before the substitute name in PathBuffer
};

// The REPARSE_DATA_BUFFER of link, its data length saying exactly its size.
std::vector<std::uint8_t> layout(link_t const& link) {
  std::size_t const pathBuffer = link.tag == junctionTag ? 16 : 20;
  std::size_t const substituteBytes = 2 * link.substitute.size();
  std::size_t const printBytes = 2 * link.print.size();
  std::vector<std::uint8_t> bytes(pathBuffer + substituteBytes + printBytes);
  put32(bytes, 0, link.tag);
  put16(bytes, dataLengthAt, static_cast<std::uint32_t>(bytes.size() - 8));
  std::size_t const substituteOffset = link.printFirst ? printBytes : 0;
  std::size_t const printOffset = link.printFirst ? 0 : substituteBytes;
  put16(bytes, substituteOffsetAt, static_cast<std::uint32_t>(substituteOffset));
  put16(bytes, substituteLengthAt, static_cast<std::uint32_t>(substituteBytes));
  put16(bytes, printOffsetAt, static_cast<std::uint32_t>(printOffset));
  put16(bytes, printLengthAt, static_cast<std::uint32_t>(printBytes));
  if (link.tag != junctionTag) put32(bytes, 16, link.flags);
  for (std::size_t i = 0; i < link.substitute.size(); ++i) {
    put16(bytes, pathBuffer + substituteOffset + 2 * i, link.substitute[i]);
  }
  for (std::size_t i = 0; i < link.print.size(); ++i) put16(bytes, pathBuffer + printOffset + 2 * i, link.print[i]);
  return bytes;
}

dvk::reparse_target_t read(std::vector<std::uint8_t> const& bytes) {
  return dvk::reparseTarget(bytes.data(), bytes.size());
}

char const* shown(reparse_place_t place) {
  switch (place) {
    case reparse_place_t::notALink:
      return "notALink";
    case reparse_place_t::local:
      return "local";
    case reparse_place_t::remote:
      return "remote";
    case reparse_place_t::unknown:
      return "unknown";
    case reparse_place_t::malformed:
      return "malformed";
  }
  return "?";
}

struct place_case_t {
  std::uint32_t tag;
  std::uint32_t flags;
  std::u16string substitute;
  reparse_place_t place;
  char drive;
};

void check(place_case_t const& c, bool printFirst) {
  link_t link;
  link.tag = c.tag;
  link.flags = c.flags;
  link.substitute = c.substitute;
  link.printFirst = printFirst;
  SCOPED_TRACE((c.tag == junctionTag ? "junction '" : "symbolic link '") + dvk::utf16ToUtf8(c.substitute) + "'" +
               (c.flags == relative ? " (relative)" : "") + (printFirst ? ", print name first" : ""));
  dvk::reparse_target_t const target = read(layout(link));
  EXPECT_STREQ(shown(target.place), shown(c.place));
  EXPECT_EQ(target.drive, c.drive);
}

TEST(ReparseTarget, LinksLeadToThisMachineOrAnother) {
  place_case_t const cases[] = {
      {symlinkTag, 0, u"\\??\\UNC\\host\\share\\x", reparse_place_t::remote, 0},
      {junctionTag, 0, u"\\??\\UNC\\host\\share\\x", reparse_place_t::remote, 0},
      {symlinkTag, 0, u"\\??\\C:\\x", reparse_place_t::local, 'C'},
      {junctionTag, 0, u"\\??\\C:\\x", reparse_place_t::local, 'C'},
      {symlinkTag, relative, u"..\\x", reparse_place_t::local, 0},
      // Every spelling of another machine's share, in any ASCII case.
      {symlinkTag, 0, u"\\\\host\\share\\x", reparse_place_t::remote, 0},
      {symlinkTag, 0, u"//host/share/x", reparse_place_t::remote, 0},
      {symlinkTag, 0, u"\\DosDevices\\UNC\\host\\share\\x", reparse_place_t::remote, 0},
      {junctionTag, 0, u"\\GLOBAL??\\UNC\\host\\share", reparse_place_t::remote, 0},
      {symlinkTag, 0, u"\\global??\\unc\\host", reparse_place_t::remote, 0},
      {symlinkTag, 0, u"\\??\\uNc", reparse_place_t::remote, 0},
      {symlinkTag, 0, u"\\Device\\Mup\\host\\share\\x", reparse_place_t::remote, 0},
      {junctionTag, 0, u"\\DEVICE\\mup", reparse_place_t::remote, 0},
      // A drive letter under every name of the DOS devices, or a volume.
      {symlinkTag, 0, u"\\??\\d:\\x", reparse_place_t::local, 'D'},
      {junctionTag, 0, u"\\??\\Z:", reparse_place_t::local, 'Z'},
      {symlinkTag, 0, u"\\DosDevices\\E:\\x", reparse_place_t::local, 'E'},
      {symlinkTag, 0, u"\\GLOBAL??\\C:\\x", reparse_place_t::local, 'C'},
      {junctionTag, 0, u"\\??\\Volume{3c1e5a52-1a2b-11ee-9c8d-806E6F6E6963}\\x", reparse_place_t::local, 0},
      {symlinkTag, 0, u"\\??\\volume{3c1e5a52-1a2b-11ee-9c8d-806e6f6e6963}", reparse_place_t::local, 0},
      // Relative to the link's folder, unless it would be another machine's
      // if the system took it as absolute.
      {symlinkTag, relative, u"x.rar", reparse_place_t::local, 0},
      {symlinkTag, relative, u"\\x.rar", reparse_place_t::local, 0},
      {symlinkTag, relative, u"C:\\x.rar", reparse_place_t::local, 0},
      {symlinkTag, relative, u"\\\\host\\share\\x", reparse_place_t::remote, 0},
      {symlinkTag, relative, u"\\??\\UNC\\host\\share\\x", reparse_place_t::remote, 0},
      // Forms this reading does not place, however local they may be: a way
      // round the list of remote prefixes must not read as local.
      {symlinkTag, 0, u"\\??\\GLOBALROOT\\Device\\Mup\\host\\share\\x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\Device\\HarddiskVolume1\\x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\Device\\Mupx\\host", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\UNCx\\host", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\C:x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\C:/x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\1:\\x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\Volume{3c1e5a52-1a2b-11ee-9c8d-806e6f6e696}\\x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\Volume{3c1e5a52-1a2b-11ee-9c8d-806e6f6e6963}x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"\\??\\Volume{3c1e5a52-1a2b-11ee-9c8d-806e6f6e696g}", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"C:\\x", reparse_place_t::unknown, 0},
      {symlinkTag, 0, u"..\\x", reparse_place_t::unknown, 0},
      // A junction has no relative form: its Flags-less layout is read as such.
      {junctionTag, relative, u"..\\x", reparse_place_t::unknown, 0},
  };
  for (auto const& c : cases) {
    check(c, false);
    check(c, true);
  }
}

TEST(ReparseTarget, OtherTagsAreTheFileOrNotKnown) {
  struct tag_case_t {
    std::uint32_t tag;
    reparse_place_t place;
  };
  tag_case_t const cases[] = {
      {0x80000013, reparse_place_t::notALink},  // deduplicated
      {0x9000001A, reparse_place_t::notALink},  // a cloud file
      {0x8000001B, reparse_place_t::notALink},  // an app execution alias
      {0x00001234, reparse_place_t::notALink},  // another vendor's
      // Name surrogates of other kinds: they lead somewhere, nobody says where.
      {0xA000001D, reparse_place_t::unknown},
      {0xA0000019, reparse_place_t::unknown},
      {0x20001234, reparse_place_t::unknown},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.tag);
    // The bytes after the header are the tag owner's: never read.
    std::vector<std::uint8_t> bytes(8, 0xFF);
    put32(bytes, 0, c.tag);
    EXPECT_STREQ(shown(read(bytes).place), shown(c.place));
    link_t link;
    link.tag = c.tag;
    link.substitute = u"\\??\\UNC\\host\\share";
    EXPECT_STREQ(shown(read(layout(link)).place), shown(c.place));
  }
}

TEST(ReparseTarget, ABufferCutShortAnywhereIsMalformed) {
  for (std::uint32_t const tag : {symlinkTag, junctionTag}) {
    link_t link;
    link.tag = tag;
    link.substitute = u"\\??\\C:\\x";
    std::vector<std::uint8_t> const whole = layout(link);
    ASSERT_STREQ(shown(read(whole).place), "local");
    for (std::size_t size = 0; size < whole.size(); ++size) {
      SCOPED_TRACE((tag == symlinkTag ? "symbolic link of " : "junction of ") + std::to_string(size) + " bytes");
      // Cut short with the data length left as it was, and cut short with a
      // data length that owns up to it.
      std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_STREQ(shown(read(cut).place), "malformed");
      if (size >= 8) {
        put16(cut, dataLengthAt, static_cast<std::uint32_t>(size - 8));
        EXPECT_STREQ(shown(read(cut).place), "malformed");
      }
    }
  }
  EXPECT_STREQ(shown(dvk::reparseTarget(nullptr, 40).place), "malformed");
}

TEST(ReparseTarget, NamesOutsideTheBufferOrOddAreMalformed) {
  link_t link;
  link.substitute = u"\\??\\C:\\x";  // 16 bytes at 0, the print name's 10 bytes at 16
  struct patch_t {
    char const* what;
    std::vector<std::pair<std::size_t, std::uint32_t>> fields;  // where, what
  };
  patch_t const patches[] = {
      {"substitute name past the end", {{substituteOffsetAt, 12}}},
      {"substitute name far past the end", {{substituteOffsetAt, 0xFFFE}}},
      {"substitute name too long", {{substituteLengthAt, 28}}},
      {"both at their largest", {{substituteOffsetAt, 0xFFFE}, {substituteLengthAt, 0xFFFE}}},
      {"print name past the end", {{printOffsetAt, 18}}},
      {"print name too long", {{printLengthAt, 12}}},
      {"odd substitute length", {{substituteLengthAt, 15}}},
      {"odd substitute offset", {{substituteOffsetAt, 1}}},
      {"odd print length", {{printLengthAt, 9}}},
      {"empty substitute name", {{substituteLengthAt, 0}}},
      {"data length short of the names", {{dataLengthAt, 20}}},
      {"data length short of the fixed fields", {{dataLengthAt, 10}}},
  };
  for (auto const& p : patches) {
    SCOPED_TRACE(p.what);
    std::vector<std::uint8_t> bytes = layout(link);
    ASSERT_STREQ(shown(read(bytes).place), "local");
    for (auto const& field : p.fields) put16(bytes, field.first, field.second);
    EXPECT_STREQ(shown(read(bytes).place), "malformed");
  }
}

TEST(ReparseTarget, BytesAfterTheDataAreNotPartOfIt) {
  link_t link;
  link.substitute = u"\\??\\C:\\x";
  std::vector<std::uint8_t> bytes = layout(link);
  std::size_t const dataLength = bytes.size() - 8;
  // A whole buffer handed over: what follows the data is ignored...
  bytes.resize(bytes.size() + 64, 0xFF);
  EXPECT_STREQ(shown(read(bytes).place), "local");
  // ...and is never read as a name, even where the buffer holds it.
  put16(bytes, dataLengthAt, static_cast<std::uint32_t>(dataLength - 2));
  EXPECT_STREQ(shown(read(bytes).place), "malformed");
}

}  // namespace
