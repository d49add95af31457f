"""End-to-end tests of -x in a folder that takes no new entry from the user: the
file there is rewritten in place only where no one but that user and root can
change the folder's entries; in another user's folder the name is refused,
whatever that user swaps in under it meanwhile."""

import os
import stat
import signal
import time
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes
from test_srr import error, failed, line, passed

# Numeric ids need no entry in /etc/passwd: A owns the shared folder, B runs
# the program, G is a group that B is in only where a case says so.
A = 4242
B = 4243
G = 4244

PAYLOAD = b"stored contents\n"
OLD = b"the folder owner's bytes\n"
PRIVATE = b"B's private bytes\n"
RACE_BLOCKS = 3000
# How long the other user may swap names; each run must end well before.
RACE_SECONDS = 20


def others_folder(name):
    return error(b"'" + as_bytes(name) + b"' was not written: its folder is another user's.")


def require_two_users():
    """Skips the calling test unless it can make files of two other users and run as them."""
    if harness.WINDOWS:
        raise unittest.SkipTest("wine runs as one user and keeps no Unix owners")
    if os.geteuid() != 0:
        raise unittest.SkipTest("only root can make two other users' folders and run as each of them")


def make(path, owner, group, mode, data=None):
    """A folder (data None) or a file with data, given to owner and group, then its mode."""
    if data is None:
        path.mkdir()
    else:
        path.write_bytes(data)
    os.chown(path, owner, group)
    os.chmod(path, mode)
    return path


def _swap_as(user, victim, staging, private, states, ready):
    """The other user's side of a race, in a forked child: as user, replaces
    victim by a rename from staging (so that the name is never absent) with
    each state in turn, and writes to ready once it has, until it is killed
    or RACE_SECONDS have passed."""
    try:
        os.setgroups([])
        os.setgid(user)
        os.setuid(user)
        makers = {
            "file": lambda: (staging.write_bytes(OLD), os.chmod(staging, 0o666)),
            "symlink": lambda: os.symlink(private, staging),
            "hardlink": lambda: os.link(private, staging),
            "fifo": lambda: os.mkfifo(staging, 0o666),
        }
        deadline = time.monotonic() + RACE_SECONDS
        while time.monotonic() < deadline:
            for state in states:
                if os.path.lexists(staging):
                    os.unlink(staging)
                makers[state]()
                os.rename(staging, victim)
                if ready is not None:
                    os.write(ready, b"swapping\n")
                    os.close(ready)
                    ready = None
        os._exit(0)
    except BaseException as failure:  # the parent sees why in its assertion
        os.write(2, ("swapper: %r\n" % failure).encode())
        os._exit(1)


class OthersFolder(CliCase):
    """B runs -x over a stored file whose name is in a folder B cannot add to."""

    def setUp(self):
        super().setUp()
        require_two_users()

    def release(self, folder, names):
        make(folder / "release.srr", 0, 0, 0o644, w.srr([w.srr_header()] + [w.stored(n, PAYLOAD) for n in names]))

    def test_who_may_change_the_folder_decides(self):
        refused = (line("!=", "shared/file") + failed(0, 1, mismatch=1), others_folder("shared/file"), 1)
        written = (line("~~", "shared/file") + passed(1), b"", 0)
        # label, the folder's owner, group and mode, B's supplementary groups,
        # the outcome, whether the file is rewritten where it is (same inode)
        cases = [
            ("another user's", A, A, 0o755, [], refused, None),
            ("another user's, its group may write", A, A, 0o775, [], refused, None),
            ("root's, a group may write", 0, G, 0o775, [], refused, None),
            ("this user's, a group may write", B, G, 0o575, [], refused, None),
            ("this user's, others may write", B, B, 0o557, [], refused, None),
            ("this user's", B, B, 0o555, [], written, True),
            ("root's", 0, 0, 0o755, [], written, True),
            # B may create there: the file is replaced through a temporary.
            ("another user's, B's group may write", A, G, 0o775, [G], written, False),
        ]
        for label, owner, group, mode, groups, (out, err, status), in_place in cases:
            with self.subTest(label):
                here = self.fresh(label)
                self.release(here, ["shared/file"])
                shared = make(here / "shared", A, A, 0o755)
                target = make(shared / "file", A, A, 0o666, OLD)
                before = os.stat(target)
                os.chown(shared, owner, group)
                os.chmod(shared, mode)
                self.assertRun(self.tarvok("-v", "-x", "release.srr", cwd=here, user=B, groups=groups),
                               out=b"verify release.srr\n" + out, err=err, status=status)
                after = os.stat(target)
                self.assertEqual(os.listdir(shared), ["file"])
                if in_place is None:
                    self.assertEqual(target.read_bytes(), OLD)
                    self.assertEqual((after.st_ino, after.st_uid, after.st_mode), (before.st_ino, A, before.st_mode))
                else:
                    self.assertEqual(target.read_bytes(), PAYLOAD)
                    self.assertEqual(after.st_ino == before.st_ino, in_place)

    def test_a_sticky_folder_that_anyone_may_add_to(self):
        # As /tmp: B makes the temporary, but may not rename it over A's file.
        here = self.dir
        self.release(here, ["tmp/file"])
        shared = make(here / "tmp", 0, 0, 0o1777)
        target = make(shared / "file", A, A, 0o666, OLD)
        self.assertRun(self.tarvok("-v", "-x", "release.srr", user=B),
                       out=b"verify release.srr\n" + line("!=", "tmp/file") + failed(0, 1, mismatch=1),
                       err=b'error: failure while trying to write to "tmp/file"\n', status=1)
        self.assertEqual(target.read_bytes(), OLD)
        self.assertEqual(os.listdir(shared), ["file"])

    def test_what_the_folder_owner_swaps_in_never_changes_the_users_private_file(self):
        variants = [("a symbolic link to B's private file", "symlink"),
                    ("a hard link of B's private file", "hardlink"),
                    ("a FIFO", "fifo")]
        for label, state in variants:
            with self.subTest(label):
                if state == "hardlink" and _protected_hardlinks():
                    self.skipTest("fs.protected_hardlinks is on: the folder owner cannot link B's private file")
                self.race(self.fresh(label), ["file", state])

    def race(self, here, states):
        self.release(here, ["shared/victim"] * RACE_BLOCKS)
        shared = make(here / "shared", A, A, 0o755)
        home = make(here / "home", B, B, 0o755)
        private = make(home / "private", B, B, 0o600, PRIVATE)
        before = os.stat(private)
        readable, ready = os.pipe()
        swapper = os.fork()
        if swapper == 0:
            os.close(readable)
            _swap_as(A, shared / "victim", shared / "staging", private, states, ready)
        os.close(ready)
        try:
            with os.fdopen(readable, "rb") as started:
                self.assertEqual(started.readline(), b"swapping\n", "the folder owner could not swap names")
            run = self.tarvok("-v", "-x", "release.srr", cwd=here, user=B, timeout=RACE_SECONDS * 3)
        finally:
            os.kill(swapper, signal.SIGKILL)
            os.waitpid(swapper, 0)
        self.assertIn(b".srr failed (", run.out)  # the run reached its summary
        for marker in (b" ~~ : ", b" ++ : "):
            self.assertNotIn(marker, run.out)
        after = os.stat(private)
        self.assertEqual(private.read_bytes(), PRIVATE)
        self.assertEqual((after.st_ino, after.st_uid, stat.S_IMODE(after.st_mode)), (before.st_ino, B, 0o600))
        self.assertEqual(os.listdir(home), ["private"])


def _protected_hardlinks():
    try:
        with open("/proc/sys/fs/protected_hardlinks") as setting:
            return setting.read().strip() != "0"
    except OSError:
        return False


if __name__ == "__main__":
    unittest.main()
