// The place a reparse point leads to, from its REPARSE_DATA_BUFFER bytes.
#include "files/reparse_target.h"

#include <string>
#include <string_view>

namespace dvk {

namespace {

// The layout of REPARSE_DATA_BUFFER (ntifs.h), little-endian: a header of
// the tag, the length of the data after the header and a reserved word; then,
// for both kinds of link, the substitute name's and the print name's offsets
// and lengths in bytes into PathBuffer; a symbolic link has a Flags word
// before PathBuffer, a junction (mount point) has none.
constexpr std::size_t headerSize = 8;
constexpr std::size_t tagAt = 0;
constexpr std::size_t dataLengthAt = 4;
constexpr std::size_t substituteOffsetAt = 8;
constexpr std::size_t substituteLengthAt = 10;
constexpr std::size_t printOffsetAt = 12;
constexpr std::size_t printLengthAt = 14;
constexpr std::size_t flagsAt = 16;
constexpr std::size_t symlinkPathBufferAt = 20;
constexpr std::size_t mountPointPathBufferAt = 16;

constexpr std::uint32_t tagSymlink = 0xA000000C;     // IO_REPARSE_TAG_SYMLINK
constexpr std::uint32_t tagMountPoint = 0xA0000003;  // IO_REPARSE_TAG_MOUNT_POINT
constexpr std::uint32_t nameSurrogateBit = 0x20000000;
constexpr std::uint32_t symlinkFlagRelative = 1;  // SYMLINK_FLAG_RELATIVE

// Callers check that the bytes are there.
std::uint32_t read16(std::uint8_t const* at) { return static_cast<std::uint32_t>(at[0] | (at[1] << 8)); }
std::uint32_t read32(std::uint8_t const* at) { return read16(at) | (read16(at + 2) << 16); }

char16_t asciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool isAsciiLetter(char16_t c) { return asciiLower(c) >= u'a' && asciiLower(c) <= u'z'; }

bool isHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (asciiLower(c) >= u'a' && asciiLower(c) <= u'f'); }

// A "/" is no separator in the object namespace, but taking it for one only
// makes more names remote.
bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// prefix is ASCII, in lower case.
bool startsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (asciiLower(text[i]) != prefix[i]) return false;
  }
  return true;
}

// text begins with the whole component word: nothing after it but a separator.
bool startsWithComponent(std::u16string_view text, std::u16string_view word) {
  return startsWithNoCase(text, word) && (text.size() == word.size() || isSeparator(text[word.size()]));
}

// "Volume{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", the mount manager's name
// for a volume of this machine, alone or before a "\".
bool startsWithVolume(std::u16string_view text) {
  constexpr std::u16string_view shape = u"volume{........-....-....-....-............}";
  if (text.size() < shape.size() || (text.size() > shape.size() && text[shape.size()] != u'\\')) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    if (shape[i] == u'.' ? !isHexDigit(text[i]) : asciiLower(text[i]) != shape[i]) return false;
  }
  return true;
}

reparse_target_t placed(reparse_place_t place, char drive = 0) {
  reparse_target_t target;
  target.place = place;
  target.drive = drive;
  return target;
}

// The place of a target in the object namespace, as a junction or an
// absolute symbolic link holds it.
reparse_target_t absolutePlace(std::u16string_view name) {
  // "\\host\share" is Win32's spelling of a share, never the system's; taken
  // for one all the same, as "\\?\UNC\..." is one.
  if (name.size() >= 2 && isSeparator(name[0]) && isSeparator(name[1])) return placed(reparse_place_t::remote);
  if (startsWithComponent(name, u"\\device\\mup")) return placed(reparse_place_t::remote);
  for (std::u16string_view const dosDevices : {u"\\??\\", u"\\dosdevices\\", u"\\global??\\"}) {
    if (!startsWithNoCase(name, dosDevices)) continue;
    std::u16string_view const rest = name.substr(dosDevices.size());
    if (startsWithComponent(rest, u"unc")) return placed(reparse_place_t::remote);
    if (rest.size() >= 2 && isAsciiLetter(rest[0]) && rest[1] == u':' && (rest.size() == 2 || rest[2] == u'\\')) {
      return placed(reparse_place_t::local, static_cast<char>(asciiLower(rest[0]) - u'a' + 'A'));
    }
    if (startsWithVolume(rest)) return placed(reparse_place_t::local);
    return placed(reparse_place_t::unknown);
  }
  return placed(reparse_place_t::unknown);
}

// The name of length bytes at offset into the path buffer, which runs from
// pathBuffer to dataEnd; false when it is not wholly there, or its offset or
// its length is odd (half a UTF-16 unit).
bool readName(std::uint8_t const* data, std::size_t pathBuffer, std::size_t dataEnd, std::uint32_t offset,
              std::uint32_t length, std::u16string* name) {
  if (offset % 2 != 0 || length % 2 != 0) return false;
  // Each term is at most 0xFFFF past pathBuffer: no overflow.
  if (pathBuffer + offset + length > dataEnd) return false;
  if (name != nullptr) {
    std::uint8_t const* const at = data + pathBuffer + offset;
    name->resize(length / 2);
    for (std::size_t i = 0; i < name->size(); ++i) (*name)[i] = static_cast<char16_t>(read16(at + 2 * i));
  }
  return true;
}

}  // namespace

reparse_target_t reparseTarget(std::uint8_t const* data, std::size_t size) {
  reparse_target_t const malformed = placed(reparse_place_t::malformed);
  if (data == nullptr || size < headerSize) return malformed;
  std::uint32_t const tag = read32(data + tagAt);
  if ((tag & nameSurrogateBit) == 0) return placed(reparse_place_t::notALink);
  if (tag != tagSymlink && tag != tagMountPoint) return placed(reparse_place_t::unknown);

  std::size_t const dataEnd = headerSize + read16(data + dataLengthAt);
  std::size_t const pathBuffer = tag == tagSymlink ? symlinkPathBufferAt : mountPointPathBufferAt;
  // The fixed fields, Flags among them, lie inside the data.
  if (dataEnd > size || pathBuffer > dataEnd) return malformed;
  std::u16string substitute;
  if (!readName(data, pathBuffer, dataEnd, read16(data + substituteOffsetAt), read16(data + substituteLengthAt),
                &substitute) ||
      !readName(data, pathBuffer, dataEnd, read16(data + printOffsetAt), read16(data + printLengthAt), nullptr) ||
      substitute.empty()) {
    return malformed;
  }

  reparse_target_t const absolute = absolutePlace(substitute);
  bool const relative = tag == tagSymlink && (read32(data + flagsAt) & symlinkFlagRelative) != 0;
  if (!relative) return absolute;
  // Relative to the link's own folder, so on its volume; a name that would be
  // remote if it were absolute stays remote, should the system read it so.
  return absolute.place == reparse_place_t::remote ? absolute : placed(reparse_place_t::local);
}

}  // namespace dvk
