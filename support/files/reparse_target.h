// Where a Windows reparse point leads, read from the bytes that
// FSCTL_GET_REPARSE_POINT gives back (a REPARSE_DATA_BUFFER). Pure bytes, so
// that it is tested on every platform; the layout's constants live in the
// source, not in <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dvk {

enum class reparse_place_t {
  // Not a link (the tag is no name surrogate): the reparse point is the file
  // itself, as a deduplicated or a cloud file is; it is opened as any file.
  notALink,
  // A symbolic link or a junction to a name on this machine: a drive letter
  // ("\??\C:\x"), a volume ("\??\Volume{...}\x"), or a link relative to its
  // own folder.
  local,
  // A link to another machine's share ("\??\UNC\host\share\x",
  // "\\host\share\x", "\DosDevices\UNC\...", "\GLOBAL??\UNC\...",
  // "\Device\Mup\..."): never to be opened.
  remote,
  // A link whose target is in none of the forms above ("\Device\Harddisk
  // Volume1\x", "\??\GLOBALROOT\Device\Mup\..."), or a name surrogate of a
  // kind other than a symbolic link or a junction: where it leads is not
  // known here, so it is no more to be opened than a remote one.
  unknown,
  // Bytes that hold no link's target: cut short, a name outside the buffer,
  // an odd length or offset, an empty target.
  malformed,
};

struct reparse_target_t {
  reparse_place_t place = reparse_place_t::malformed;
  // For a local target on a drive letter, the letter in upper case ('C'), so
  // that GetDriveTypeW can tell a mapped network drive; 0 otherwise.
  char drive = 0;
};

// The place of the reparse point whose REPARSE_DATA_BUFFER is the size bytes
// at data (little-endian, as the system writes it). Every field is read only
// after its bounds are checked against size and against the buffer's own data
// length, so any bytes at all are safe. Prefixes ("\??\", "UNC", "Volume{",
// "\Device\Mup") are compared without regard to ASCII case. Linear in the
// length of the substitute name.
reparse_target_t reparseTarget(std::uint8_t const* data, std::size_t size);

}  // namespace dvk
