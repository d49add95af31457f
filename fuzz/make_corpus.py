#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: valid .srr files and .sfv lines."""

import pathlib
import sys
import zlib

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "cli"))
sys.dont_write_bytecode = True  # nothing left behind in tests/cli
import srr_writer as w  # noqa: E402


def crc32(data):
    return zlib.crc32(data) & 0xFFFFFFFF


def srr_seeds():
    nfo = b"Release notes\r\n"
    sfv = b"release.rar 1234abcd\r\n"
    video = b"sample video bytes"
    rar = [w.rar_file("release.rar"), w.rar_marker(), w.rar_archive(),
           w.rar_file_header("release.mkv", 15000000, 15000000, 0xDEADBEEF), w.rar_end()]
    return {
        "realistic.srr": [w.srr_header("pyReScene 0.7"), w.stored("release.nfo", nfo),
                          w.stored("release.sfv", sfv),
                          w.stored("Sample/release-sample.srs",
                                   w.id3(6) + w.srsf("pyReScene 0.7", "Sample/release-sample.mkv",
                                                     crc32(video), len(video)) + b"track data")] + rar,
        "header-only.srr": [w.srr_header("tarvok")],
        "flac-sample.srr": [w.srr_header("app"), w.stored("s.srs", w.flac("app", "Sample/release-sample.mkv",
                                                                          crc32(video)))],
        "id3-plain.srr": [w.srr_header("app"), w.stored("song.mp3", w.id3(20) + b"music")],
        "unsized.srr": [w.srr_header("app", flags=w.SIZED, payload_size=0x12345),
                        w.stored("release.nfo", flags=0x8001), w.stored("missing.txt", b"x")],
        "other-blocks.srr": [w.srr_header("app"), w.block(0x7A, 0, body=b"\xee" * 9),
                             w.block(0x7A, w.SIZED, body=b"\xee" * 3, payload_size=7),
                             w.stored("release.nfo", nfo)],
    }


SFV_SEEDS = {
    "listing.sfv": b"; made by hand\r\n;\r\nrelease.r00 1234abcd\r\nrelease.r01 89ABCDEF\r\n",
    "spaces.sfv": b"my file.bin\t 0badf00d  \n  leading.bin 00defec7\n",
    "short.sfv": b"a 12345678\na 1234567\nab 1234567\n",
    "bad.sfv": b"nohexhere 0x123456\rname 123456789\rname\n",
}


def main():
    srr_dir = HERE / "corpus" / "srr"
    sfv_dir = HERE / "corpus" / "sfv"
    srr_dir.mkdir(parents=True, exist_ok=True)
    sfv_dir.mkdir(parents=True, exist_ok=True)
    for name, blocks in srr_seeds().items():
        (srr_dir / name).write_bytes(w.srr(blocks))
    for name, data in SFV_SEEDS.items():
        (sfv_dir / name).write_bytes(data)


if __name__ == "__main__":
    main()
