"""End-to-end test that a file larger than 4 GiB is summed correctly, and that
the program's peak resident size stays within a generous bound."""

import os
import resource
import unittest
import zlib

import harness
from harness import CliCase, crc_column, sfv

SIZE = 5 << 30
MEMORY_LIMIT_KIB = 64 << 10  # ru_maxrss is in KiB on Linux


def crc32_of_zeros(size):
    chunk = bytes(16 << 20)
    crc = 0
    while size:
        step = min(size, len(chunk))
        crc = zlib.crc32(chunk[:step] if step < len(chunk) else chunk, crc)
        size -= step
    return crc & 0xFFFFFFFF


class LargeFileTest(CliCase):
    def make_sparse(self, path):
        free = os.statvfs(self.dir)
        if free.f_bavail * free.f_frsize < (64 << 20):
            self.skipTest("not enough room in the scratch file system")
        try:
            with open(path, "wb") as f:
                f.truncate(SIZE)
        except OSError as e:
            self.skipTest("cannot make a %d-byte file: %s" % (SIZE, e))
        if os.stat(path).st_blocks * 512 >= SIZE // 2:
            self.skipTest("the scratch file system does not keep files sparse")

    def test_five_gib_file_is_verified(self):
        big = self.dir / "big.bin"
        self.addCleanup(lambda: big.exists() and big.unlink())
        self.make_sparse(big)
        crc = crc32_of_zeros(SIZE)
        # Listed twice: a second lookup of the same name must report the same CRC.
        self.write("x.sfv", sfv([("big.bin", crc), ("big.bin", crc)]))
        run = self.tarvok("-vv", "x.sfv", timeout=600)
        line = b" == : " + crc_column(crc) + b"big.bin\n"
        self.assertRun(run, out=b"verify x.sfv\n" + line + line + b".sfv passed (2 files)\n")

    def test_five_gib_file_is_summed_in_bounded_memory(self):
        # Under qemu-i386 the peak includes the emulator's own (about 18 MiB), so
        # it stays an upper bound on the program's that the bound still tests;
        # under wine it is mostly wine's own and says nothing about the program.
        if harness.WINDOWS:
            self.skipTest("the Windows program's memory is not measured under wine")
        big = self.dir / "big.bin"
        self.addCleanup(lambda: big.exists() and big.unlink())
        self.make_sparse(big)
        self.write("x.sfv", sfv([("big.bin", 0)]))
        run = self.tarvok("x.sfv", timeout=600)
        self.assertRun(run, out=b"verify x.sfv\n.sfv failed (1 mismatch; 0 passed out of 1 checked)\n",
                       status=1)
        # The largest peak of all children waited for, so an upper bound on this run's.
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        self.assertLess(peak, MEMORY_LIMIT_KIB, "peak resident size %d KiB" % peak)


if __name__ == "__main__":
    unittest.main()
