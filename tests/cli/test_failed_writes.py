"""End-to-end tests of a write by -x that cannot finish: past the file-size
limit (with SIGXFSZ at its default, as from a shell's ulimit -f), on a full
file system, or interrupted. Whether the file is rewritten in place (its folder
takes no new entry) or replaced through a temporary, it ends up whole, the old
file or the new one, and no temporary stays behind."""

import ctypes
import os
import resource
import signal
import subprocess
import time
import unittest

import harness
import srr_writer as w
from harness import CliCase, Run
from test_srr import error, failed, line, passed

linux_only = unittest.skipUnless(not harness.WINDOWS, "wine passes no file-size limit, mount or permission bits on")

OLD = b"old bytes that must stay whole\n"
LIMIT = 1000
# Larger than the limit and than the room left on the small file system.
BIG = bytes(range(256)) * 800
# Large enough that writing it takes a good part of a second.
LARGE = 256 << 20

CLONE_NEWNS = 0x00020000
MS_REC = 0x4000
MS_PRIVATE = 1 << 18


def limited(size):
    """A preexec: writes past size bytes raise SIGXFSZ, at its default action (the end of the program)."""
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


def not_written_to(name):
    """What a failed write over an existing file prints: no program name, no level."""
    return b'error: failure while trying to write to "' + name.encode() + b'"\n'


class FailedWriteCase(CliCase):
    """A release whose stored files go into folders of the run's cwd, as an
    unprivileged user (root would write into a folder without write permission)."""

    def setUp(self):
        super().setUp()
        self.user = harness.unprivileged_user()

    def own(self, path, mode):
        """Gives path to the user who runs the program, then mode."""
        if self.user is not None:
            os.chown(path, self.user, self.user)
        os.chmod(path, mode)

    def fixed_folder(self, here, mode, old=OLD):
        """here/fixed holding file (old bytes, writable), with mode; returns the file."""
        folder = here / "fixed"
        folder.mkdir()
        target = folder / "file"
        target.write_bytes(old)
        self.own(target, 0o644)
        self.own(folder, mode)
        return target

    def release(self, here, names, payload):
        srr = here / "release.srr"
        srr.write_bytes(w.srr([w.srr_header()] + [w.stored(n, payload) for n in names]))
        return srr

    def extract(self, srr, cwd, **options):
        return self.tarvok("-v", "-x", str(srr), cwd=cwd, user=self.user, **options)


@linux_only
class SizeLimit(FailedWriteCase):
    def test_in_place(self):
        # label, payload, stdout after the verify line, stderr, status, the file afterwards
        cases = [
            ("past the limit", BIG, line("!=", "fixed/file") + failed(0, 1, mismatch=1),
             not_written_to("fixed/file"), 1, OLD),
            ("within the limit", b"short\n", line("~~", "fixed/file") + passed(1), b"", 0, b"short\n"),
        ]
        for label, payload, out, err, status, after in cases:
            with self.subTest(label):
                here = self.fresh(label)
                target = self.fixed_folder(here, 0o555)
                before = os.stat(target)
                srr = self.release(here, ["fixed/file"], payload)
                self.assertRun(self.extract(srr.name, here, preexec=limited(LIMIT)),
                               out=b"verify release.srr\n" + out, err=err, status=status)
                self.assertEqual(target.read_bytes(), after)
                self.assertEqual(os.stat(target).st_ino, before.st_ino)
                self.assertEqual(os.listdir(target.parent), ["file"])

    def test_through_a_temporary(self):
        # label, what is on disk, stdout after the verify line, stderr
        cases = [
            ("replacing", OLD, line("!=", "fixed/file") + failed(0, 1, mismatch=1), not_written_to("fixed/file")),
            ("creating", None, line("--", "fixed/file") + failed(0, 1, missing=1),
             error("failure while trying to write to 'fixed/file'.")),
        ]
        for label, old, out, err in cases:
            with self.subTest(label):
                here = self.fresh(label)
                target = self.fixed_folder(here, 0o755)
                if old is None:
                    target.unlink()
                srr = self.release(here, ["fixed/file"], BIG)
                self.assertRun(self.extract(srr.name, here, preexec=limited(LIMIT)),
                               out=b"verify release.srr\n" + out, err=err, status=1)
                self.assertEqual(sorted(os.listdir(target.parent)), [] if old is None else ["file"])
                if old is not None:
                    self.assertEqual(target.read_bytes(), old)


def _private_mount_namespace():
    """Moves this process into a mount namespace of its own, whose mounts
    reach no other process; None, or why it cannot."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.unshare(CLONE_NEWNS) != 0:
        return "unshare(CLONE_NEWNS): " + os.strerror(ctypes.get_errno())
    if libc.mount(b"none", b"/", None, MS_REC | MS_PRIVATE, None) != 0:
        return "making / private: " + os.strerror(ctypes.get_errno())
    return None


@linux_only
class FullFileSystem(FailedWriteCase):
    def setUp(self):
        super().setUp()
        if os.geteuid() != 0:
            self.skipTest("only root may mount the small file system")
        why = _private_mount_namespace()
        if why is not None:
            self.skipTest("no mount namespace of its own here (%s)" % why)

    def small_file_system(self, folder, kib):
        folder.mkdir()
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dk,mode=0755" % kib, "tarvok-test", str(folder)],
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if done.returncode != 0:
            self.skipTest("cannot mount a tmpfs here: %s" % done.stdout.decode(errors="replace").strip())
        self.addCleanup(subprocess.run, ["umount", "-l", str(folder)])

    def test_the_old_file_stays_whole(self):
        for label, mode in (("in place", 0o555), ("through a temporary", 0o755)):
            with self.subTest(label):
                here = self.fresh(label)
                small = here / "small"
                self.small_file_system(small, 256)
                target = self.fixed_folder(small, mode)
                # What is left after it is less than the payload.
                (small / "filler").write_bytes(b"\xff" * (160 << 10))
                srr = self.release(here, ["fixed/file"], BIG)
                self.assertRun(self.extract(srr, small),
                               out=b"verify release.srr\n" + line("!=", "fixed/file") + failed(0, 1, mismatch=1),
                               err=not_written_to("fixed/file"), status=1)
                self.assertEqual(target.read_bytes(), OLD)
                self.assertEqual(os.listdir(target.parent), ["file"])


@linux_only
class InterruptedInPlace(FailedWriteCase):
    """SIGINT while a large payload is rewritten in place: the file is the
    whole old one or the whole new one, never a mix of the two."""

    def setUp(self):
        super().setUp()
        self.target = self.fixed_folder(self.dir, 0o555)
        srr = self.dir / "release.srr"
        self.addCleanup(lambda: srr.exists() and srr.unlink())
        self.addCleanup(lambda: self.target.exists() and self.target.unlink())
        self.piece = b"payload!" * (1 << 17)
        with open(srr, "wb") as out:
            out.write(w.srr([w.srr_header(), w.stored("fixed/file", payload_size=LARGE)]))
            for _ in range(LARGE // len(self.piece)):
                out.write(self.piece)
        os.chmod(srr, 0o644)

    def interrupt(self):
        """Runs -x and sends SIGINT once the file starts to change; returns
        the run and whether the signal came while the new bytes were going in."""
        before = os.stat(self.target)
        argv, executable = harness._command(["-v", "-x", "release.srr"])
        identity = {} if self.user is None else {"user": self.user, "group": self.user, "extra_groups": []}

        def start():
            signal.signal(signal.SIGINT, signal.SIG_DFL)

        child = subprocess.Popen(argv, executable=executable, cwd=str(self.dir), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=start, **identity)
        midway = False
        try:
            while child.poll() is None:
                now = os.stat(self.target)
                if (now.st_blocks, now.st_size) != (before.st_blocks, before.st_size):
                    child.send_signal(signal.SIGINT)
                    midway = child.poll() is None and now.st_size < LARGE
                    break
                time.sleep(0.0005)
            out, err = child.communicate(timeout=300)
        finally:
            if child.poll() is None:
                child.kill()
                child.communicate()
        return Run(out, err, child.returncode), midway

    def holds(self):
        """"old" or "new" when the file is whole, else what it holds."""
        size = os.path.getsize(self.target)
        if size == len(OLD):
            return "old" if self.target.read_bytes() == OLD else "other bytes"
        if size != LARGE:
            return "%d bytes" % size
        with open(self.target, "rb") as data:
            for offset in range(0, LARGE, len(self.piece)):
                if data.read(len(self.piece)) != self.piece:
                    return "other bytes at %d" % offset
        return "new"

    def test_sigint(self):
        for _ in range(3):
            run, midway = self.interrupt()
            self.assertIn(self.holds(), ("old", "new"), run)
            self.assertEqual(os.listdir(self.target.parent), ["file"])
            if midway:
                # The write was under way: it finishes, then the signal ends the run.
                self.assertEqual(run.status, -signal.SIGINT, run)
                return
            self.target.write_bytes(OLD)
        self.fail("the interrupt never came while the file was being rewritten")


if __name__ == "__main__":
    unittest.main()
