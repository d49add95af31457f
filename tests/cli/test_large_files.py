"""End-to-end test that a file larger than 4 GiB is summed correctly in bounded memory."""

import os
import subprocess
import threading
import unittest
import zlib

import harness
from harness import CliCase, crc_column, sfv

SIZE = 5 << 30
MEMORY_LIMIT_KIB = 64 << 10


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

    def run_measured(self, *args, timeout=600):
        """Runs the program and returns (Run, peak resident size of that child in KiB)."""
        argv, executable = harness._command(args)
        out_path, err_path = self.dir / "stdout.txt", self.dir / "stderr.txt"
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            child = subprocess.Popen(argv, executable=executable, cwd=str(self.dir),
                                     stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            timer = threading.Timer(timeout, child.kill)
            timer.start()
            try:
                # wait4 gives this child's own peak, unlike RUSAGE_CHILDREN, which
                # keeps the largest of every child this process has waited for.
                _, wait_status, usage = os.wait4(child.pid, 0)
            finally:
                timer.cancel()
            child.returncode = os.waitstatus_to_exitcode(wait_status)
        self.assertNotEqual(child.returncode, -9, "no result within %d seconds" % timeout)
        run = harness.Run(out_path.read_bytes(), err_path.read_bytes(), child.returncode)
        return run, usage.ru_maxrss

    def test_five_gib_file_is_verified_in_bounded_memory(self):
        big = self.dir / "big.bin"
        self.addCleanup(lambda: big.exists() and big.unlink())
        self.make_sparse(big)
        crc = crc32_of_zeros(SIZE)
        self.write("x.sfv", sfv([("big.bin", crc), ("big.bin", crc)]))
        run, peak = self.run_measured("-vv", "x.sfv")
        # Listed twice, summed once: the second line comes from the CRC cache.
        line = b" == : " + crc_column(crc) + b"big.bin\n"
        self.assertRun(run, out=b"verify x.sfv\n" + line + line + b".sfv passed (2 files)\n")
        if not harness.EMULATOR:
            self.assertLess(peak, MEMORY_LIMIT_KIB, "peak resident size %d KiB" % peak)


if __name__ == "__main__":
    unittest.main()
