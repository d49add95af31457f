"""Checks that a Linux program stands alone: no program interpreter and no
library it needs (no NEEDED entry), and that the kernel its ELF ABI note
(NT_GNU_ABI_TAG) asks for is at most the one the README names.

usage: static_program.py FILE

A static PIE keeps a dynamic section for relocating itself at start; it may,
as long as it names no library. The ELF file is read directly, 32- or 64-bit,
either byte order. A missing ABI note fails too: then nothing says which
kernels the program runs on.
"""
import struct
import sys

# What the README promises the Linux program needs: this kernel or a newer one.
HIGHEST_KERNEL = (3, 2, 0)

PT_DYNAMIC, PT_INTERP, PT_NOTE = 2, 3, 4
DT_NULL, DT_NEEDED = 0, 1
NT_GNU_ABI_TAG = 1
ELF_NOTE_OS_LINUX = 0


def read_elf(data):
    if data[:4] != b"\x7fELF":
        sys.exit("not an ELF file")
    wide = data[4] == 2
    order = "<" if data[5] == 1 else ">"
    if wide:
        (phoff,) = struct.unpack_from(order + "Q", data, 0x20)
        phentsize, phnum = struct.unpack_from(order + "HH", data, 0x36)
        segment = order + "IIQQQQQQ"  # type, flags, offset, vaddr, paddr, filesz, memsz, align
    else:
        (phoff,) = struct.unpack_from(order + "I", data, 0x1C)
        phentsize, phnum = struct.unpack_from(order + "HH", data, 0x2A)
        segment = order + "IIIIIIII"  # type, offset, vaddr, paddr, filesz, memsz, flags, align
    segments = []
    for i in range(phnum):
        fields = struct.unpack_from(segment, data, phoff + i * phentsize)
        if wide:
            kind, offset, size = fields[0], fields[2], fields[5]
        else:
            kind, offset, size = fields[0], fields[1], fields[4]
        segments.append((kind, offset, size))
    return order, wide, segments


def dynamic_tags(data, order, wide, offset, size):
    entry = order + ("qQ" if wide else "iI")
    step = struct.calcsize(entry)
    for at in range(offset, offset + size - step + 1, step):
        tag, _ = struct.unpack_from(entry, data, at)
        if tag == DT_NULL:
            return
        yield tag


def notes(data, order, offset, size):
    end = offset + size
    while offset + 12 <= end:
        namesz, descsz, kind = struct.unpack_from(order + "III", data, offset)
        name_at = offset + 12
        desc_at = name_at + (namesz + 3) // 4 * 4
        yield data[name_at : name_at + namesz].rstrip(b"\0"), kind, data[desc_at : desc_at + descsz]
        offset = desc_at + (descsz + 3) // 4 * 4


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    with open(argv[1], "rb") as file:
        data = file.read()
    order, wide, segments = read_elf(data)
    failures = []
    if any(kind == PT_INTERP for kind, _, _ in segments):
        failures.append("has a program interpreter (PT_INTERP): it is dynamically linked")
    needed = sum(
        1
        for kind, offset, size in segments
        if kind == PT_DYNAMIC
        for tag in dynamic_tags(data, order, wide, offset, size)
        if tag == DT_NEEDED
    )
    if needed:
        failures.append(f"names {needed} librar{'y' if needed == 1 else 'ies'} it needs (NEEDED)")
    tags = [
        struct.unpack_from(order + "IIII", desc)
        for kind, offset, size in segments
        if kind == PT_NOTE
        for name, note_kind, desc in notes(data, order, offset, size)
        if name == b"GNU" and note_kind == NT_GNU_ABI_TAG and len(desc) >= 16
    ]
    if not tags:
        failures.append("has no ELF ABI note (NT_GNU_ABI_TAG): its lowest kernel is unknown")
    for os_id, *kernel in tags:
        if os_id != ELF_NOTE_OS_LINUX:
            failures.append(f"its ABI note names OS {os_id}, not Linux")
        elif tuple(kernel) > HIGHEST_KERNEL:
            wanted = ".".join(map(str, kernel))
            highest = ".".join(map(str, HIGHEST_KERNEL))
            failures.append(f"it needs Linux {wanted}, more than the {highest} promised")
    for failure in failures:
        print(f"{argv[1]}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
