"""Builds .srr test fixtures block by block, in the RAR block layout, and records field boundaries."""

import struct

from harness import as_bytes

SRR_HEADER = 0x69
STORED_FILE = 0x6A
RAR_FILE = 0x71      # names the RAR volume whose headers follow
RAR_MARKER = 0x72
RAR_ARCHIVE = 0x73
RAR_FILE_HEADER = 0x74
RAR_END = 0x7B

SIZED = 0x8000       # the only flags value that announces the payload-size field


def u16(value):
    return struct.pack("<H", value & 0xFFFF)


def u32(value):
    return struct.pack("<I", value & 0xFFFFFFFF)


def u64(value):
    return struct.pack("<Q", value)


def name_fields(text):
    """A 2-byte length and the bytes of text, as two fields of a block."""
    text = as_bytes(text)
    return [u16(len(text)), text]


def named(text):
    """A 2-byte length followed by the bytes of text."""
    return b"".join(name_fields(text))


class Block:
    """One block: its fields in order, so that a fixture knows every boundary."""

    def __init__(self, kind, fields):
        self.kind = kind
        self.fields = fields  # list of bytes, concatenated in order

    def data(self):
        return b"".join(self.fields)


def block(kind, flags=0, body=(), payload=b"", payload_size=None, header_size=None, crc=0):
    """A block: header CRC, type, flags, header size, the payload-size field
    (only when flags == SIZED), the body fields, the payload.

    body is a list of byte fields (or one bytes value); header_size defaults
    to the length of everything before the payload; payload_size to
    len(payload)."""
    body = [as_bytes(body)] if isinstance(body, (bytes, str)) else [as_bytes(f) for f in body]
    payload = as_bytes(payload)
    fixed = 7 + (4 if flags == SIZED else 0)
    if header_size is None:
        header_size = fixed + sum(len(f) for f in body)
    if payload_size is None:
        payload_size = len(payload)
    fields = [u16(crc), bytes([kind]), u16(flags), u16(header_size)]
    if flags == SIZED:
        fields.append(u32(payload_size))
    fields += [f for f in body if f]
    if payload:
        fields.append(payload)
    return Block(kind, fields)


def srr_header(app="tarvok tests", flags=0, payload_size=0):
    """The SRR header block (0x69) with the name of the application."""
    return block(SRR_HEADER, flags, body=name_fields(app), payload_size=payload_size)


def stored(name, payload=b"", flags=SIZED, payload_size=None):
    """A stored-file block (0x6A): its name, then its payload."""
    return block(STORED_FILE, flags, body=name_fields(name), payload=payload,
                 payload_size=payload_size)


def id3_fields(size, body=None):
    """An ID3v2 tag announcing size bytes (syncsafe) as its fields: "ID3",
    version, flags, size, then the body (size zero bytes by default)."""
    if body is None:
        body = b"\0" * size
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    return [b"ID3", b"\x03\x00", b"\x00", syncsafe] + ([as_bytes(body)] if body else [])


def id3(size, body=None):
    """An ID3v2 tag header announcing size bytes (syncsafe), then the body."""
    return b"".join(id3_fields(size, body))


def srsf_fields(app, sample, crc, size=0):
    """An SRS sample header of the "SRSF" kind, field by field."""
    return [b"SRSF", u32(0), u16(0)] + name_fields(app) + name_fields(sample) + [u64(size), u32(crc)]


def srsf(app, sample, crc, size=0):
    """An SRS sample header of the "SRSF" kind."""
    return b"".join(srsf_fields(app, sample, crc, size))


def flac_fields(app, sample, crc, size=0):
    """An SRS sample header of the "fLaC" kind, field by field."""
    return ([b"fLaC", b"\x00", b"\x00\x00\x00", u16(0)] + name_fields(app) + name_fields(sample)
            + [u64(size), u32(crc)])


def flac(app, sample, crc, size=0):
    """An SRS sample header of the "fLaC" kind."""
    return b"".join(flac_fields(app, sample, crc, size))


# The blocks of a RAR volume as a reconstruction file keeps them: headers only,
# packed data stripped.

def rar_file(volume):
    """Names the volume whose headers follow (0x71)."""
    return block(RAR_FILE, 0, body=name_fields(volume))


def rar_marker():
    """The 7-byte marker "Rar!\\x1a\\x07\\x00", which reads as a block of type 0x72."""
    return Block(RAR_MARKER, [b"Ra", b"\x72", b"\x21\x1a", b"\x07\x00"])


def rar_archive():
    """The archive header (0x73): two reserved fields."""
    return block(RAR_ARCHIVE, 0, body=[u16(0), u32(0)])


def rar_file_header(name, pack_size, unpacked_size, file_crc):
    """A file header (0x74) with flags 0x8000 and its pack size, but no packed data after it."""
    text = as_bytes(name)
    body = [u32(unpacked_size), b"\x02", u32(file_crc), u32(0x5A7B3C21), b"\x1d", b"\x30",
            u16(len(text)), u32(0x20), text]
    return block(RAR_FILE_HEADER, SIZED, body=body, payload_size=pack_size)


def rar_end():
    """The end-of-archive block (0x7B)."""
    return block(RAR_END, 0x4000)


def srr(blocks):
    """The bytes of an .srr made of blocks."""
    return b"".join(b.data() for b in blocks)


def layout(blocks):
    """For each block, (start offset, end offset, [field end offsets])."""
    spans = []
    offset = 0
    for b in blocks:
        start = offset
        ends = []
        for field in b.fields:
            offset += len(field)
            ends.append(offset)
        spans.append((start, offset, ends))
    return spans
