"""End-to-end tests of the program under pressure: memory running out, a
standard output that loses what is written, and a byte-order mark before an
.sfv."""

import os
import resource
import signal
import subprocess
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes, crc32

linux_only = unittest.skipIf(harness.WINDOWS, "needs POSIX devices, descriptors and signals")

BOM = b"\xef\xbb\xbf"
GOOD = b"good"
GOOD_LINE = b"good.bin %08x" % crc32(GOOD)


def error(text):
    return b"tarvok: error: " + as_bytes(text) + b"\n"


def out_of_memory(name):
    return error(b"'" + as_bytes(name) + b"' could not be checked: not enough memory.")


LOST = error("could not write to standard output.")

# The address space the program is given where memory is to run out: the
# program itself needs a few MiB, the 32-bit one under qemu-i386 a few more.
LIMIT = 64 << 20


def _no_core():
    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))


class MemoryCase(CliCase):
    """Runs under an address-space limit that binds the program alone."""

    def setUp(self):
        super().setUp()
        if harness.WINDOWS:
            self.skipTest("wine lays out the Windows program's address space itself; "
                          "no limit binds the program alone")
        if os.path.basename(harness.EMULATOR) == "qemu-i386":
            # qemu-i386 reserves the whole 4 GiB for its guest, so a limit on the
            # emulator fails it at start; the guest's own space is set instead.
            self.limits = {"env": dict(os.environ, QEMU_RESERVED_VA=hex(LIMIT)),
                           "preexec": _no_core}
        else:
            def limit():
                _no_core()
                resource.setrlimit(resource.RLIMIT_AS, (LIMIT, LIMIT))
            self.limits = {"preexec": limit}
        if self.tarvok("--version", **self.limits).status != 0:
            self.skipTest("the program does not start under an address-space limit "
                          "(a sanitizer build reserves its shadow memory)")

    def limited(self, *args):
        return self.tarvok(*args, timeout=60, **self.limits)


class OutOfMemoryTest(MemoryCase):
    def test_sfv_of_empty_lines_is_checked_in_bounded_memory(self):
        # A record per line would take 8 (32-bit) or 16 times the file.
        self.write("good.bin", GOOD)
        self.write("x.sfv", b"\n" * (LIMIT // 3) + GOOD_LINE + b"\n")
        self.assertRun(self.limited("x.sfv"), out=b"verify x.sfv\n.sfv passed (1 file)\n")

    def test_sfv_whose_missing_list_outgrows_memory(self):
        # Each 11-byte line adds a name of 24 or 32 bytes to the missing list.
        self.write("x.sfv", b"a 00000000\n" * (LIMIT // 40))
        self.assertRun(self.limited("x.sfv"), out=b"verify x.sfv\n", err=out_of_memory("x.sfv"),
                       status=1)

    def test_srr_of_tiny_blocks_stops_extracting_when_memory_runs_out(self):
        # Unsized blocks are never written, so each missing one is listed.
        tiny = w.stored("a", flags=0).data()
        count = LIMIT // 40
        blocks = (w.srr([w.srr_header(), w.stored("first.txt", b"one")]) + tiny * count
                  + w.stored("last.txt", b"two").data())
        self.write("big.srr", blocks)
        self.assertRun(self.limited("-x", "big.srr"), out=b"verify big.srr\n",
                       err=out_of_memory("big.srr"), status=1)
        self.assertEqual((self.dir / "first.txt").read_bytes(), b"one")
        self.assertFalse((self.dir / "last.txt").exists(), "written after memory ran out")


def _run_with_stdout(case, stdout, *args, preexec=None):
    argv, executable = harness._command(args)
    done = subprocess.run(argv, executable=executable, cwd=str(case.dir), stdin=subprocess.DEVNULL,
                          stdout=stdout, stderr=subprocess.PIPE, timeout=120, preexec_fn=preexec)
    return harness.Run(b"", done.stderr, done.returncode)


class LostOutputTest(CliCase):
    """Standard output that takes nothing: the status must say so."""

    def setUp(self):
        super().setUp()
        self.write("good.bin", GOOD)
        self.write("pass.sfv", GOOD_LINE + b"\n")
        self.write("one.sfv", b"gone.bin 00000000\n")
        self.write("two.sfv", GOOD_LINE + b"\ngone.bin 00000000\ngone.bin 00000000\n")

    # (arguments, status of the run when its output is kept)
    RUNS = [
        (["pass.sfv"], 0),
        (["-v", "pass.sfv"], 0),
        (["one.sfv"], 1),
        (["two.sfv"], 2),
        (["--help"], 0),
        (["--version"], 0),
        (["--warranty"], 0),
    ]

    def check_lost(self, run_lost):
        for args, status in self.RUNS:
            with self.subTest(args=args):
                self.assertEqual(self.tarvok(*args).status, status)
                self.assertRun(run_lost(args), err=LOST, status=max(status, 1))

    def test_full_device(self):
        if not os.path.exists("/dev/full"):
            self.skipTest("no /dev/full here")
        with open("/dev/full", "wb") as full:
            self.check_lost(lambda args: _run_with_stdout(self, full, *args))

    @linux_only
    def test_closed_standard_output(self):
        self.check_lost(lambda args: _run_with_stdout(self, subprocess.DEVNULL, *args,
                                                      preexec=lambda: os.close(1)))

    def test_quiet_run_writes_nothing_and_loses_nothing(self):
        if not os.path.exists("/dev/full"):
            self.skipTest("no /dev/full here")
        with open("/dev/full", "wb") as full:
            self.assertRun(_run_with_stdout(self, full, "-q", "two.sfv"), status=2)

    @linux_only
    def test_broken_pipe_ends_the_program_by_its_signal(self):
        reader, writer = os.pipe()
        os.close(reader)
        try:
            run = _run_with_stdout(self, writer, "--help")
        finally:
            os.close(writer)
        self.assertRun(run, status=-signal.SIGPIPE)


class ByteOrderMarkTest(CliCase):
    """Only the three bytes at the very start of the .sfv are skipped."""

    UNPARSEABLE = b"ab 1234567"

    # (label, .sfv lines, -v report after the "verify" line, status)
    TABLE = [
        ("before-comment", [BOM + b"; made by a Windows tool", GOOD_LINE],
         b" == : good.bin\n.sfv passed (1 file)\n", 0),
        ("before-entry", [BOM + GOOD_LINE],
         b" == : good.bin\n.sfv passed (1 file)\n", 0),
        ("before-empty-line", [BOM, UNPARSEABLE, GOOD_LINE],
         b" xx : {.sfv line #2 couldn't be parsed as expected}\n == : good.bin\n"
         b".sfv failed (1 passed out of 1 checked; also found 1 unparseable line)\n", 1),
        ("before-unparseable", [BOM + UNPARSEABLE, GOOD_LINE],
         b" xx : {.sfv line #1 couldn't be parsed as expected}\n == : good.bin\n"
         b".sfv failed (1 passed out of 1 checked; also found 1 unparseable line)\n", 1),
        ("in-the-middle", [GOOD_LINE, BOM + GOOD_LINE],
         b" == : good.bin\n -- : " + BOM + b"good.bin\n"
         b".sfv failed (1 missing; 1 passed out of 2 checked)\n", 1),
        ("twice", [BOM + BOM + GOOD_LINE],
         b" -- : " + BOM + b"good.bin\n.sfv failed (1 missing; 0 passed out of 1 checked)\n", 1),
        ("cut-short", [BOM[:2] + GOOD_LINE],
         b" -- : " + BOM[:2] + b"good.bin\n.sfv failed (1 missing; 0 passed out of 1 checked)\n", 1),
    ]

    def test_mark_at_the_start(self):
        for end in (b"\r\n", b"\n"):
            for label, lines, report, status in self.TABLE:
                with self.subTest(label=label, end=end):
                    folder = self.fresh(label + repr(end))
                    (folder / "good.bin").write_bytes(GOOD)
                    (folder / "x.sfv").write_bytes(b"".join(line + end for line in lines))
                    self.assertRun(self.tarvok("-v", "x.sfv", cwd=folder),
                                   out=b"verify x.sfv\n" + report, status=status)

    def test_mark_alone(self):
        self.write("x.sfv", BOM)
        self.assertRun(self.tarvok("x.sfv"), out=b"verify x.sfv\n",
                       err=error("'x.sfv' didn't contain any file checksum entries."), status=1)


if __name__ == "__main__":
    unittest.main()
