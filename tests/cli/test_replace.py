"""End-to-end tests of what -x keeps when it replaces a file: a hard link's
other name, the permission bits, the owner and group, a read-only file, and
the old file with no temporary beside it when a signal ends the write."""

import os
import pwd
import re
import resource
import signal
import subprocess
import time
import unittest

import harness
import srr_writer as w
from harness import Run
from test_extract import ExtractCase, strays
from test_srr import failed, line, passed

LINUX = not harness.WINDOWS
linux_only = unittest.skipUnless(LINUX, "needs POSIX permissions, owners, hard links and signals")

PAYLOAD = b"stored contents\n"
# Big enough that writing it takes a good part of a second, so that a signal
# sent once its temporary file shows up arrives in the middle of the write.
LARGE = 256 << 20
INTERRUPTS = (signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGTERM, signal.SIGUSR1, signal.SIGALRM,
              signal.SIGXCPU)


def not_opened(name):
    return b'error: could not open "' + name.encode() + b'" for writing\n'


def mode(path):
    return os.stat(path).st_mode & 0o7777


class InPlace(ExtractCase):
    def test_a_hard_links_other_name_in_another_folder_keeps_its_bytes(self):
        # A folder this user cannot write leaves only the in-place rewrite,
        # and a file with another name is never rewritten in place.
        user = harness.unprivileged_user()
        shared = self.outside / "shared"
        shared.write_bytes(b"shared bytes")
        shared.chmod(0o666)
        fixed = self.work / "fixed"
        fixed.mkdir()
        os.link(shared, fixed / "file")
        fixed.chmod(0o555)
        self.release(["fixed/file"])
        self.assertRun(self.extract(user=user),
                       out=b"verify release.srr\n" + line("!=", "fixed/file") + failed(0, 1, mismatch=1),
                       err=not_opened("fixed/file"), status=1)
        self.assertEqual(shared.read_bytes(), b"shared bytes")
        self.assertEqual(os.listdir(fixed), ["file"])
        self.assertEqual(os.stat(fixed / "file").st_ino, os.stat(shared).st_ino)


@linux_only
class Keeps(ExtractCase):
    def test_the_permission_bits(self):
        # name, its mode before, after; the run's umask would give 0600.
        # Bytes from an .srr are never a program: the execute bits go.
        cases = [("private.txt", 0o600, 0o600), ("group.txt", 0o640, 0o640), ("shared.txt", 0o666, 0o666),
                 ("tool.sh", 0o755, 0o644), ("setuid.bin", 0o4755, 0o644)]
        for name, before, _ in cases:
            (self.work / name).write_bytes(b"old bytes")
            os.chmod(self.work / name, before)
        self.release([n for n, _, _ in cases])
        self.assertRun(self.extract(preexec=lambda: os.umask(0o077)),
                       out=b"verify release.srr\n" + b"".join(line("~~", n) for n, _, _ in cases)
                       + passed(len(cases)))
        for name, _, after in cases:
            with self.subTest(name=name):
                self.assertEqual(mode(self.work / name), after)
                self.assertEqual((self.work / name).read_bytes(), PAYLOAD)

    def test_the_owner_and_group_as_root(self):
        if os.geteuid() != 0:
            self.skipTest("only root can give a file to another user")
        try:
            nobody = pwd.getpwnam("nobody")
        except KeyError:
            self.skipTest("there is no user nobody to own the file")
        theirs = self.work / "theirs.txt"
        theirs.write_bytes(b"old bytes")
        os.chown(theirs, nobody.pw_uid, nobody.pw_gid)
        theirs.chmod(0o640)
        self.release(["theirs.txt"])
        self.assertRun(self.extract(), out=b"verify release.srr\n" + line("~~", "theirs.txt") + passed(1))
        after = os.stat(theirs)
        self.assertEqual((after.st_uid, after.st_gid, mode(theirs)), (nobody.pw_uid, nobody.pw_gid, 0o640))
        self.assertEqual(theirs.read_bytes(), PAYLOAD)

    def test_another_users_writable_file_becomes_this_users(self):
        # An ordinary user cannot give a file away: the replacement is theirs,
        # with the old file's bits but for the group's, which go with the
        # group this user is not in.
        if os.geteuid() != 0:
            self.skipTest("only root can make another user's file here")
        user = harness.unprivileged_user()
        folder = self.work / "open"
        folder.mkdir()
        folder.chmod(0o777)
        (folder / "file").write_bytes(b"old bytes")
        (folder / "file").chmod(0o666)
        self.release(["open/file"])
        self.assertRun(self.extract(user=user), out=b"verify release.srr\n" + line("~~", "open/file") + passed(1))
        self.assertEqual(os.stat(folder / "file").st_uid, user)
        self.assertEqual(mode(folder / "file"), 0o606)
        self.assertEqual((folder / "file").read_bytes(), PAYLOAD)

    def test_a_read_only_file_is_never_replaced(self):
        # Not even by root, who could write it.
        names = ["locked.txt", "locked.sh"]
        for name, bits in zip(names, (0o444, 0o555)):
            (self.work / name).write_bytes(b"locked bytes")
            os.chmod(self.work / name, bits)
        self.release(names)
        self.assertRun(self.extract(),
                       out=b"verify release.srr\n" + b"".join(line("!=", n) for n in names)
                       + failed(0, 2, mismatch=2),
                       err=b"".join(not_opened(n) for n in names), status=2)
        for name, bits in zip(names, (0o444, 0o555)):
            self.assertEqual((self.work / name).read_bytes(), b"locked bytes")
            self.assertEqual(mode(self.work / name), bits)
        self.assertEqual(strays(self.work), [])


@linux_only
class Interrupts(ExtractCase):
    """A signal sent while -x writes a large payload over big.bin."""

    def setUp(self):
        super().setUp()
        self.big = self.work / "big.bin"
        self.big.write_bytes(b"old bytes")
        srr = self.work / "release.srr"
        for large in (srr, self.big):
            self.addCleanup(lambda path=large: path.exists() and path.unlink())
        self.payload = b"payload!" * (1 << 17)
        with open(srr, "wb") as out:
            out.write(w.srr([w.srr_header(), w.stored("big.bin", payload_size=LARGE)]))
            for _ in range(LARGE // len(self.payload)):
                out.write(self.payload)

    def interrupt(self, number, ignored=()):
        """Runs -x, sends signal number once the temporary file is there, and
        returns what the run left; the signals in ignored start ignored."""
        def start():
            # As from a terminal, whatever the test runner ignores; no core file.
            for each in INTERRUPTS:
                signal.signal(each, signal.SIG_IGN if each in ignored else signal.SIG_DFL)
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

        argv, executable = harness._command(["-v", "-x", "release.srr"])
        child = subprocess.Popen(argv, executable=executable, cwd=str(self.work), stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=start)
        try:
            while child.poll() is None and not strays(self.work):
                time.sleep(0.0005)
            self.assertIsNone(child.poll(), "the run ended before its temporary file was seen")
            child.send_signal(number)
            out, err = child.communicate(timeout=300)
        finally:
            if child.poll() is None:
                child.kill()
                child.communicate()
        return Run(out, err, child.returncode)

    def check_interrupted(self, number):
        run = self.interrupt(number)
        if harness.EMULATOR:
            # qemu-i386 reports, in its own words, a signal that would dump core.
            run.err = re.sub(rb"^qemu: uncaught target signal [^\n]*\n", b"", run.err)
        # The run dies of the signal before its buffered output is written.
        self.assertRun(run, status=-number)
        self.assertEqual(self.big.read_bytes(), b"old bytes")
        self.assertEqual(sorted(os.listdir(self.work)), ["big.bin", "release.srr"])

    def test_sigint(self):
        self.check_interrupted(signal.SIGINT)

    def test_sigterm(self):
        self.check_interrupted(signal.SIGTERM)

    def test_sighup(self):
        self.check_interrupted(signal.SIGHUP)

    def test_sigquit(self):
        self.check_interrupted(signal.SIGQUIT)

    def test_signals_of_timers_and_users(self):
        # Any signal that would end the run removes the temporary first.
        for number in (signal.SIGUSR1, signal.SIGALRM, signal.SIGXCPU):
            with self.subTest(signal=number.name):
                self.check_interrupted(number)

    def test_an_ignored_hangup_lets_the_write_finish(self):
        # As under nohup.
        self.assertRun(self.interrupt(signal.SIGHUP, ignored=(signal.SIGHUP,)),
                       out=b"verify release.srr\n" + line("~~", "big.bin") + passed(1))
        self.assertEqual(os.path.getsize(self.big), LARGE)
        with open(self.big, "rb") as written:
            self.assertEqual(written.read(len(self.payload)), self.payload)
        self.assertEqual(sorted(os.listdir(self.work)), ["big.bin", "release.srr"])


if __name__ == "__main__":
    unittest.main()
