"""End-to-end tests of -x against a hostile release: links, races, hard links,
failed writes, files that may not be replaced, Windows device and stream names."""

import ctypes
import os
import resource
import signal
import stat
import threading
import time
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes
from test_srr import error, failed, line, passed

LINUX = not harness.WINDOWS
linux_only = unittest.skipUnless(LINUX, "needs POSIX names, links and limits")
windows_only = unittest.skipUnless(harness.WINDOWS, "Windows names")

PAYLOAD = b"stored contents\n"
# How long a race may swap names; the run itself must end well before.
RACE_SECONDS = 10
RACE_BLOCKS = 3000


def through_link(name):
    return error(b"'" + as_bytes(name) + b"' was not written: its path goes through a symbolic link.")


def summary(ok, checked, mismatch=0, missing=0):
    return passed(checked) if ok == checked else failed(ok, checked, mismatch, missing)


def snapshot(folder):
    """Every entry under folder with its kind and bytes: shows any change."""
    found = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            key = os.path.relpath(path, folder)
            if os.path.islink(path):
                found[key] = ("link", os.readlink(path))
            elif os.path.isfile(path):
                with open(path, "rb") as data:
                    found[key] = ("file", data.read())
            else:
                found[key] = ("other", None)
    return found


def strays(folder):
    """Temporary files of the writer (".<name>.<suffix>") left in folder."""
    return [n for n in os.listdir(folder) if n.startswith(".") and n != ".."]


class ExtractCase(CliCase):
    """A work folder (the run's cwd) beside an outside folder the release must not reach."""

    def setUp(self):
        super().setUp()
        self.work = self.dir / "work"
        self.outside = self.dir / "outside"
        self.work.mkdir()
        self.outside.mkdir()
        (self.outside / "target").write_bytes(b"outside bytes")

    def release(self, names, payload=PAYLOAD):
        (self.work / "release.srr").write_bytes(
            w.srr([w.srr_header()] + [w.stored(n, payload) for n in names]))

    def extract(self, *args, **options):
        return self.tarvok("-v", "-x", *args, "release.srr", cwd=self.work, **options)


@linux_only
class Links(ExtractCase):
    def test_backslash_folder_holding_a_link(self):
        # "\" separates as "/" does, as in a list made on Windows: "a\b" is
        # the folder b of a, and the link in it is never followed.
        (self.work / "a" / "b").mkdir(parents=True)
        os.symlink("../../../outside", self.work / "a" / "b" / "lnk")
        before = snapshot(self.outside)
        self.release(["a\\b/lnk/evil", "a\\b\\lnk\\target"])
        self.assertRun(self.extract(),
                       out=b"verify release.srr\n" + line("--", "a\\b/lnk/evil") + line("!=", "a\\b\\lnk\\target")
                       + summary(0, 2, mismatch=1, missing=1),
                       err=through_link("a\\b/lnk/evil") + through_link("a\\b\\lnk\\target"), status=2)
        self.assertEqual(snapshot(self.outside), before)

    def test_a_link_in_every_position(self):
        (self.work / "a" / "b").mkdir(parents=True)
        (self.work / "inside").mkdir()
        os.symlink("../outside", self.work / "first")
        os.symlink("../../../outside", self.work / "a" / "b" / "middle")
        os.symlink("../outside/target", self.work / "last")
        os.symlink("../outside/nothing", self.work / "dangling")
        os.symlink("inside", self.work / "toinside")  # still a link: never followed
        # name, its line: through an existing link the check reads the target
        cases = [("first/new", "--"), ("first/target", "!="), ("a/b/middle/new", "--"),
                 ("a/b/middle/target", "!="), ("last", "!="), ("dangling", "--"), ("toinside/new", "--")]
        before = snapshot(self.outside)
        self.release([n for n, _ in cases])
        self.assertRun(self.extract(),
                       out=b"verify release.srr\n" + b"".join(line(m, n) for n, m in cases)
                       + summary(0, 7, mismatch=3, missing=4),
                       err=b"".join(through_link(n) for n, _ in cases), status=7)
        self.assertEqual(snapshot(self.outside), before)
        self.assertEqual(os.listdir(self.work / "inside"), [])
        self.assertTrue(os.path.islink(self.work / "last"))
        self.assertTrue(os.path.islink(self.work / "dangling"))


class HardLinks(ExtractCase):
    def test_the_other_name_keeps_its_bytes(self):
        os.link(self.outside / "target", self.work / "linked")
        self.release(["linked"])
        self.assertRun(self.extract(), out=b"verify release.srr\n" + line("~~", "linked") + summary(1, 1))
        self.assertEqual((self.work / "linked").read_bytes(), PAYLOAD)
        self.assertEqual((self.outside / "target").read_bytes(), b"outside bytes")


@linux_only
class FailedWrites(ExtractCase):
    def test_old_bytes_stay_and_no_temporary_is_left(self):
        (self.work / "old.bin").write_bytes(b"old")
        big = bytes(range(256)) * 800
        names = ["old.bin", "new.bin"]
        self.release(names, payload=big)

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))

        self.assertRun(self.extract(preexec=limit),
                       out=b"verify release.srr\n" + line("!=", "old.bin") + line("--", "new.bin")
                       + summary(0, 2, mismatch=1, missing=1),
                       err=b'error: failure while trying to write to "old.bin"\n'
                       + error("failure while trying to write to 'new.bin'."), status=2)
        self.assertEqual((self.work / "old.bin").read_bytes(), b"old")
        self.assertEqual(sorted(os.listdir(self.work)), ["old.bin", "release.srr"])


@linux_only
class Unreplaceable(ExtractCase):
    def test_read_only_file_and_fifo_stay(self):
        locked = self.work / "locked.txt"
        locked.write_bytes(b"locked bytes")
        locked.chmod(0o444)
        os.mkfifo(self.work / "pipe")
        self.release(["locked.txt", "pipe"])
        run = self.extract(user=harness.unprivileged_user(), timeout=30)
        self.assertRun(run, out=b"verify release.srr\n" + line("!=", "locked.txt") + line("!=", "pipe")
                       + summary(0, 2, mismatch=2),
                       err=b'error: could not open "locked.txt" for writing\n' + error("could not read from 'pipe'"),
                       status=2)
        self.assertEqual(locked.read_bytes(), b"locked bytes")
        self.assertTrue(stat.S_ISFIFO(os.lstat(self.work / "pipe").st_mode))
        self.assertEqual(strays(self.work), [])

    def test_writable_file_in_a_folder_without_write_permission(self):
        user = harness.unprivileged_user()
        fixed = self.work / "fixed"
        fixed.mkdir()
        (fixed / "file").write_bytes(b"old bytes")
        (fixed / "file").chmod(0o666)
        fixed.chmod(0o555)
        self.release(["fixed/file", "fixed/new"])
        self.assertRun(self.extract(user=user),
                       out=b"verify release.srr\n" + line("~~", "fixed/file") + line("--", "fixed/new")
                       + summary(1, 2, missing=1),
                       err=error("could not open 'fixed/new' for writing."), status=1)
        self.assertEqual((fixed / "file").read_bytes(), PAYLOAD)
        self.assertEqual(os.listdir(fixed), ["file"])


def _exchange():
    """renameat2 with RENAME_EXCHANGE, where the C library has it; else None."""
    libc = ctypes.CDLL(None, use_errno=True)
    call = getattr(libc, "renameat2", None)
    if call is None:
        return None
    call.argtypes = [ctypes.c_int, ctypes.c_char_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_uint]
    at_cwd, exchange = -100, 2

    def swap(a, b):
        call(at_cwd, os.fsencode(a), at_cwd, os.fsencode(b), exchange)
    return swap


@linux_only
class Races(ExtractCase):
    """A helper thread swaps what a stored name is while -x handles thousands of blocks of it."""

    def race(self, names, step, ready=None):
        """Runs -x while step() repeats (once ready() holds), for at most RACE_SECONDS."""
        self.release(names)
        before = snapshot(self.outside)
        done = threading.Event()

        def swapper():
            deadline = time.monotonic() + RACE_SECONDS
            while ready is not None and not ready() and not done.is_set() and time.monotonic() < deadline:
                time.sleep(0.001)
            while not done.is_set() and time.monotonic() < deadline:
                try:
                    step()
                except OSError:
                    pass

        helper = threading.Thread(target=swapper)
        helper.start()
        try:
            run = self.extract(timeout=60)
        finally:
            done.set()
            helper.join()
        self.assertIn(b".srr ", run.out)  # the run reached its summary
        self.assertEqual(snapshot(self.outside), before)
        return run

    def test_absent_and_a_link_to_an_outside_file(self):
        victim = self.work / "victim"

        def step():
            try:
                os.symlink("../outside/target", victim)
            finally:
                os.unlink(victim)
        self.race(["victim"] * RACE_BLOCKS, step)
        self.assertEqual([n for n in strays(self.work) if n.startswith(".victim.")], [])

    def test_a_folder_and_a_link_to_outside(self):
        swap = _exchange()
        if swap is None:
            self.skipTest("the C library has no renameat2")
        (self.work / "d").mkdir()
        os.symlink("../outside", self.work / "swap")
        self.race(["d/f%d" % i for i in range(RACE_BLOCKS)],
                  lambda: swap(self.work / "d", self.work / "swap"))

    def test_absent_and_a_fifo(self):
        # The FIFO is there for the first block, so that the check's read
        # (which opens what the status called a regular file) is settled
        # before the swapping starts; "marker" shows that moment.
        pipe = self.work / "pipe"
        os.mkfifo(pipe)

        def step():
            try:
                os.mkfifo(pipe)
            finally:
                os.unlink(pipe)
        self.race(["pipe", "marker"] + ["pipe"] * RACE_BLOCKS, step,
                  ready=lambda: os.path.lexists(self.work / "marker"))


@windows_only
class WindowsNames(ExtractCase):
    def test_linked_folder(self):
        # wine shows a Unix link to a folder as a reparse point (0x410).
        os.symlink("../outside", self.work / "linkdir")
        before = snapshot(self.outside)
        self.release(["linkdir/new.txt", "linkdir/target"])
        self.assertRun(self.extract(),
                       out=b"verify release.srr\n" + line("--", "linkdir/new.txt") + line("!=", "linkdir/target")
                       + summary(0, 2, mismatch=1, missing=1),
                       err=through_link("linkdir/new.txt") + through_link("linkdir/target"), status=2)
        self.assertEqual(snapshot(self.outside), before)

    def test_linked_file(self):
        # wine 8 shows a Unix link to a file as the plain file it points to
        # (attributes 0x20, no reparse point even when opened as one), so the
        # refusal cannot be seen there; the outside file must stay all the same.
        os.symlink("../outside/target", self.work / "victim")
        self.release(["victim"])
        self.extract()
        self.assertEqual((self.outside / "target").read_bytes(), b"outside bytes")

    def test_device_and_stream_names_are_never_written(self):
        # Every call spells a name verbatim, so none of them reaches a device:
        # each is looked up as the file it spells (missing here). -x refuses
        # them on the text; a device name with more after it is a plain name.
        (self.work / "sub").mkdir()
        stream = b"its name holds ':', which names a Windows data stream."
        device = b"a part of its name is a Windows device name."
        names = [("COM1:", stream), ("NUL:", stream), ("NUL:x", stream), ("NUL.txt:", stream), ("NUL :", stream),
                 ("sub\\NUL:", stream), ("NUL::$DATA", stream), ("nul", device), ("Com\xb9.log", None)]
        self.release([n for n, _ in names])
        self.assertRun(self.extract(),
                       out=b"verify release.srr\n" + b"".join(line("++" if r is None else "--", n) for n, r in names)
                       + summary(1, len(names), missing=len(names) - 1),
                       err=b"".join(error(b"'" + as_bytes(n) + b"' was not written: " + r) for n, r in names if r),
                       status=len(names) - 1)
        self.assertEqual(sorted(os.listdir(self.work)), ["Com\xb9.log", "release.srr", "sub"])
        self.assertEqual((self.work / "Com\xb9.log").read_bytes(), PAYLOAD)
        self.assertEqual(os.listdir(self.work / "sub"), [])

    def test_alternate_stream_names_are_never_written(self):
        (self.work / "a.txt").write_bytes(b"a")
        names = ["a.txt:evil", "new.txt:evil", "a.txt::$DATA"]
        self.release(names)
        self.assertRun(self.extract(),
                       out=b"verify release.srr\n" + b"".join(line("--", n) for n in names)
                       + summary(0, 3, missing=3),
                       err=b"".join(error("'%s' was not written: its name holds ':', which names a Windows data stream."
                                          % n) for n in names), status=3)
        self.assertEqual(sorted(os.listdir(self.work)), ["a.txt", "release.srr"])
        self.assertEqual((self.work / "a.txt").read_bytes(), b"a")


if __name__ == "__main__":
    unittest.main()
