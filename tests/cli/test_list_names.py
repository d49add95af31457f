"""End-to-end tests of names as a list spells them: a list made on Windows
separates with "\\" on every build, and a name that cannot be checked says why."""

import os
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes, sfv
from test_srr import error, failed, line, outside, passed

PAYLOAD = b"stored contents\n"
VOLUME = b"Rar! volume bytes"


def sfv_passed(count):
    return b".sfv passed (%d file%s)\n" % (count, b"" if count == 1 else b"s")


def sfv_failed(ok, checked, mismatch):
    return b".sfv failed (%d mismatch%s; %d passed out of %d checked)\n" % (
        mismatch, b"" if mismatch == 1 else b"es", ok, checked)


def entries(folder):
    """Every file and folder under folder, as relative paths with "/"."""
    found = []
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            found.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/"))
    return sorted(found)


class BackslashForms(CliCase):
    def test_list_forms(self):
        # label, files on disk, .sfv entries (or None), stored names (or None),
        # stdout, stderr, status, every entry of the folder afterwards
        cases = [
            ("a folder in an .sfv", {"sub/b.r00": VOLUME}, [("sub\\b.r00", VOLUME)], None,
             b"verify rel.sfv\n" + line("==", "sub\\b.r00") + sfv_passed(1), b"", 0, ["rel.sfv", "sub", "sub/b.r00"]),
            ("a folder in an .srr", {"sub/keep": b""}, None, ["sub\\x.txt"],
             b"verify rel.srr\n" + line("++", "sub\\x.txt") + passed(1), b"", 0,
             ["rel.srr", "sub", "sub/keep", "sub/x.txt"]),
            ("the current folder", {}, None, [".\\bashrc"],
             b"verify rel.srr\n" + line("++", ".\\bashrc") + passed(1), b"", 0, ["bashrc", "rel.srr"]),
            ("the parent folder", {}, None, ["..\\x"],
             b"verify rel.srr\n" + line("--", "..\\x") + failed(0, 1, missing=1), outside("..\\x"), 1, ["rel.srr"]),
        ]
        for label, disk, listed, stored, out, err, status, after in cases:
            with self.subTest(label):
                parent = self.fresh(label)
                here = parent / "release"
                here.mkdir()
                for name, data in disk.items():
                    (here / name).parent.mkdir(parents=True, exist_ok=True)
                    (here / name).write_bytes(data)
                if listed is not None:
                    (here / "rel.sfv").write_bytes(sfv(listed))
                    args = ["-v", "rel.sfv"]
                else:
                    (here / "rel.srr").write_bytes(w.srr([w.srr_header()] + [w.stored(n, PAYLOAD) for n in stored]))
                    args = ["-v", "-x", "rel.srr"]
                self.assertRun(self.tarvok(*args, cwd=here), out=out, err=err, status=status)
                self.assertEqual(entries(here), after)
                self.assertEqual(os.listdir(parent), ["release"])
                for name in set(after) - set(disk) - {"rel.sfv", "rel.srr", "sub"}:
                    self.assertEqual((here / name).read_bytes(), PAYLOAD, name)


linux_only = unittest.skipUnless(not harness.WINDOWS, "the system's words here are Linux's")


def not_checked(name, reason):
    return error(b"'" + as_bytes(name) + b"' could not be checked: " + as_bytes(reason) + b".")


@linux_only
class WhyNotChecked(CliCase):
    """A name that cannot even be looked up is a mismatch with the system's reason, in either list."""

    def run_lists(self, here, name, reason, user=None):
        """Checks name (and an intact file after it) in an .sfv and an .srr, with and without -x."""
        (here / "a.bin").write_bytes(PAYLOAD)
        (here / "rel.sfv").write_bytes(sfv([(name, PAYLOAD), ("a.bin", PAYLOAD)]))
        (here / "rel.srr").write_bytes(w.srr([w.srr_header(), w.stored(name, PAYLOAD), w.stored("a.bin", PAYLOAD)]))
        lines = line("!=", name) + line("==", "a.bin")
        runs = [
            (["rel.sfv"], b"verify rel.sfv\n" + lines + sfv_failed(1, 2, 1)),
            (["rel.srr"], b"verify rel.srr\n" + lines + failed(1, 2, mismatch=1)),
            (["-x", "rel.srr"], b"verify rel.srr\n" + lines + failed(1, 2, mismatch=1)),
        ]
        for args, out in runs:
            with self.subTest(name=name, args=args):
                self.assertRun(self.tarvok("-v", *args, cwd=here, user=user), out=out,
                               err=not_checked(name, reason), status=1)

    def test_a_folder_the_user_cannot_enter(self):
        user = harness.unprivileged_user()
        for mode in (0o000, 0o600):
            here = self.fresh("mode %o" % mode)
            locked = here / "locked"
            locked.mkdir()
            (locked / "f").write_bytes(PAYLOAD)
            if user is not None:
                os.chown(locked, user, user)
            locked.chmod(mode)
            self.run_lists(here, "locked/f", "Permission denied", user=user)
            locked.chmod(0o700)
            self.assertEqual(os.listdir(locked), ["f"])

    def test_a_loop_of_symbolic_links(self):
        here = self.dir
        os.symlink("two", here / "one")
        os.symlink("one", here / "two")
        for name in ("one", "one/f"):
            self.run_lists(here, name, "Too many levels of symbolic links")
        self.assertEqual(sorted(os.listdir(here)), ["a.bin", "one", "rel.sfv", "rel.srr", "two"])


if __name__ == "__main__":
    unittest.main()
