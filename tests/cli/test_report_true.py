"""End-to-end tests of what -x must leave alone: a file the run has reported on
(intact or written), under whatever name reaches it, the .srr being checked,
and the user's hidden files and folders."""

import os
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes, crc32, crc_column
from test_srr import error, failed, passed

NFO = b"Release notes\r\n"
OTHER = b"other bytes from the .srr\n"
OLD = b"old bytes on disk\n"
VOLUME = b"Rar! volume bytes"
INDENT = b" " * 11
SRR = object()  # in a table: the bytes of the .srr being checked


def crc_line(marker, name, data):
    """A per-file line at -vv: the marker, the CRC-32 of data, the name."""
    return b" " + as_bytes(marker) + b" : " + crc_column(crc32(data)) + as_bytes(name) + b"\n"


def name_line(marker, name):
    return b" " + as_bytes(marker) + b" : " + INDENT + as_bytes(name) + b"\n"


def not_written(name, reason):
    return error(b"'" + as_bytes(name) + b"' was not written: " + as_bytes(reason))


def checked_as(name, earlier):
    return not_written(name, b"it is the file checked as '" + as_bytes(earlier) + b"'.")


def written_as(name, earlier):
    return not_written(name, b"it is the file written as '" + as_bytes(earlier) + b"'.")


def hidden(name):
    return not_written(name, "a part of its name begins with '.' (a hidden file or folder).")


def sfv_passed(count):
    return b".sfv passed (%d file%s)\n" % (count, b"" if count == 1 else b"s")


def sfv_failed(ok, checked, mismatch):
    return b".sfv failed (%d mismatch%s; %d passed out of %d checked)\n" % (
        mismatch, b"" if mismatch == 1 else b"es", ok, checked)


class ReportStaysTrue(CliCase):
    """-x never writes a file this run has reported intact or written, nor the .srr."""

    def run_case(self, here, disk, links, sfv, stored, out, err, status, kept):
        for name, data in disk.items():
            (here / name).write_bytes(data)
        for existing, link in links:
            os.link(here / existing, here / link)
        args = ["-vv", "-x"]
        if sfv is not None:
            (here / "rel.sfv").write_bytes(harness.sfv(sfv))
            args.append("rel.sfv")
        srr = w.srr([w.srr_header()] + [w.stored(n, p) for n, p in stored])
        (here / "rel.srr").write_bytes(srr)
        expected = out(srr) if callable(out) else out
        self.assertRun(self.tarvok(*args, "rel.srr", cwd=here), out=expected, err=err, status=status)

        # Every file the run reported holds what the report says, and a
        # plain verify afterwards agrees.
        kept = {name: srr if data is SRR else data for name, data in kept.items()}
        for name, data in kept.items():
            self.assertEqual((here / name).read_bytes(), data, name)
        (here / "after.sfv").write_bytes(harness.sfv(list(kept.items())))
        self.assertRun(self.tarvok("-v", "after.sfv", cwd=here),
                       out=b"verify after.sfv\n" + b"".join(b" == : " + as_bytes(n) + b"\n" for n in kept)
                       + sfv_passed(len(kept)))

    def test_conflicts(self):
        srr_line = b"verify rel.srr\n"
        sfv_then = b"verify rel.sfv\n"
        cases = [
            # label, on disk, hard links (existing, new), .sfv entries, stored (name, payload),
            # stdout, stderr, status, what each reported file holds afterwards
            ("intact, then other bytes", {"a.nfo": NFO}, [], None, [("a.nfo", NFO), ("a.nfo", OTHER)],
             srr_line + crc_line("==", "a.nfo", NFO) + crc_line("!=", "a.nfo", NFO) + failed(1, 2, mismatch=1),
             checked_as("a.nfo", "a.nfo"), 1, {"a.nfo": NFO}),
            ("written, then other bytes", {}, [], None, [("a.nfo", NFO), ("a.nfo", OTHER)],
             srr_line + name_line("++", "a.nfo") + crc_line("!=", "a.nfo", NFO) + failed(1, 2, mismatch=1),
             written_as("a.nfo", "a.nfo"), 1, {"a.nfo": NFO}),
            ("another spelling of an intact file", {"a.nfo": NFO}, [], None, [("a.nfo", NFO), ("./a.nfo", OTHER)],
             srr_line + crc_line("==", "a.nfo", NFO) + crc_line("!=", "./a.nfo", NFO) + failed(1, 2, mismatch=1),
             checked_as("./a.nfo", "a.nfo"), 1, {"a.nfo": NFO}),
            ("another spelling of a written file", {}, [], None, [("a.nfo", NFO), ("./a.nfo", OTHER)],
             srr_line + name_line("++", "a.nfo") + crc_line("!=", "./a.nfo", NFO) + failed(1, 2, mismatch=1),
             written_as("./a.nfo", "a.nfo"), 1, {"a.nfo": NFO}),
            ("the .srr stores its own name", {"a.nfo": NFO}, [], None, [("a.nfo", NFO), ("rel.srr", OTHER)],
             lambda srr: srr_line + crc_line("==", "a.nfo", NFO) + crc_line("!=", "rel.srr", srr)
             + failed(1, 2, mismatch=1),
             not_written("rel.srr", "it is the .srr being checked."), 1, {"a.nfo": NFO, "rel.srr": SRR}),
            ("a volume the .sfv found intact", {"rel.r00": VOLUME}, [], [("rel.r00", VOLUME)],
             [("rel.r00", OTHER)],
             sfv_then + crc_line("==", "rel.r00", VOLUME) + sfv_passed(1) + b"\n" + srr_line
             + crc_line("!=", "rel.r00", VOLUME) + failed(0, 1, mismatch=1),
             checked_as("rel.r00", "rel.r00"), 1, {"rel.r00": VOLUME}),
            ("a written name stored again with its old bytes", {"a.nfo": OLD}, [], None,
             [("a.nfo", NFO), ("a.nfo", OLD)],
             srr_line + crc_line("~~", "a.nfo", OLD) + crc_line("!=", "a.nfo", NFO) + failed(1, 2, mismatch=1),
             written_as("a.nfo", "a.nfo"), 1, {"a.nfo": NFO}),
            ("a hard link to an intact file", {"a.nfo": NFO}, [("a.nfo", "b.nfo")], None,
             [("a.nfo", NFO), ("b.nfo", OTHER)],
             srr_line + crc_line("==", "a.nfo", NFO) + crc_line("!=", "b.nfo", NFO) + failed(1, 2, mismatch=1),
             checked_as("b.nfo", "a.nfo"), 1, {"a.nfo": NFO, "b.nfo": NFO}),
            # Not a conflict: the .sfv check read "./a.nfo" before -x replaced
            # a.nfo, and the last block must see the bytes now there.
            ("another spelling read again after a write", {"a.nfo": OLD}, [], [("./a.nfo", NFO)],
             [("a.nfo", NFO), ("./a.nfo", NFO)],
             sfv_then + crc_line("!=", "./a.nfo", OLD) + sfv_failed(0, 1, 1) + b"\n" + srr_line
             + crc_line("~~", "a.nfo", OLD) + crc_line("==", "./a.nfo", NFO) + passed(2),
             b"", 1, {"a.nfo": NFO}),
        ]
        for label, disk, links, sfv, stored, out, err, status, kept in cases:
            with self.subTest(label):
                self.run_case(self.fresh(label), disk, links, sfv, stored, out, err, status, kept)

    def test_a_damaged_sfv_is_still_restored(self):
        # The list the .sfv check read is no file the run reported on: the
        # .srr's copy replaces it, and a plain verify then finds the volume
        # that the damaged list called wrong intact.
        good = harness.sfv([("rel.r00", VOLUME), ("rel.r01", VOLUME + b"1")])
        damaged = harness.sfv([("rel.r00", OTHER), ("rel.r01", VOLUME + b"1")])
        here = self.dir
        self.write("rel.sfv", damaged)
        self.write("rel.r00", VOLUME)
        self.write("rel.r01", VOLUME + b"1")
        self.write("rel.srr", w.srr([w.srr_header(), w.stored("rel.sfv", good)]))
        run = self.tarvok("-vv", "-x", "rel.sfv", "rel.srr", cwd=here)
        self.assertRun(run, out=b"verify rel.sfv\n" + crc_line("!=", "rel.r00", VOLUME)
                       + crc_line("==", "rel.r01", VOLUME + b"1") + sfv_failed(1, 2, 1)
                       + b"\nverify rel.srr\n" + crc_line("~~", "rel.sfv", damaged) + passed(1), status=1)
        self.assertEqual((here / "rel.sfv").read_bytes(), good)
        self.assertRun(self.tarvok("-v", "rel.sfv", cwd=here),
                       out=b"verify rel.sfv\n == : rel.r00\n == : rel.r01\n" + sfv_passed(2))


HIDDEN = [".bashrc", ".ssh/authorized_keys", ".git/config"]


class HiddenNames(CliCase):
    """A user in the home folder verifies a download: -x never writes a hidden
    name, whether the user's file is there or not."""

    def test_home_files_are_never_written(self):
        srr = w.srr([w.srr_header()] + [w.stored(n, b"[core]\n\tfsmonitor = evil\n") for n in HIDDEN]
                    + [w.stored("rel.nfo", NFO)])
        users = {name: ("the user's %s\n" % name).encode() for name in HIDDEN}
        # label, folders made, files made, the line of a hidden name
        cases = [
            ("present", [".ssh", ".git"], users, "!="),
            ("missing", [], {}, "--"),
            ("folders without the files", [".ssh", ".git"], {}, "--"),
        ]
        for label, folders, files, marker in cases:
            with self.subTest(label):
                home = self.fresh(label)
                (home / "dl" / "rel").mkdir(parents=True)
                (home / "dl" / "rel" / "rel.srr").write_bytes(srr)
                for folder in folders:
                    (home / folder).mkdir()
                for name, data in files.items():
                    (home / name).write_bytes(data)
                lines = b"".join(b" " + as_bytes(marker) + b" : " + as_bytes(n) + b"\n" for n in HIDDEN)
                summary = failed(1, 4, mismatch=3) if marker == "!=" else failed(1, 4, missing=3)
                run = self.tarvok("-v", "-x", "dl/rel/rel.srr", cwd=home)
                self.assertRun(run, out=b"verify rel.srr\n" + lines + b" ++ : rel.nfo\n" + summary,
                               err=b"".join(hidden(n) for n in HIDDEN), status=3)
                self.assertEqual((home / "rel.nfo").read_bytes(), NFO)
                for name in HIDDEN:
                    if name in files:
                        self.assertEqual((home / name).read_bytes(), files[name], name)
                    else:
                        self.assertFalse(os.path.lexists(home / name), name)
                # Nothing else appeared: no temporary, no folder.
                self.assertEqual(sorted(os.listdir(home)), sorted(["dl", "rel.nfo"] + folders
                                                                  + ([".bashrc"] if files else [])))

    def test_names_with_dots_that_are_not_hidden(self):
        (self.dir / "sub").mkdir()
        names = ["a..b", "./a.nfo", "sub/./b.nfo", "c.d.e"]
        if not harness.WINDOWS:
            names.append("x.")  # Windows tools cannot open a name that ends in "."
        self.write("rel.srr", w.srr([w.srr_header()] + [w.stored(n, NFO) for n in names]))
        self.assertRun(self.tarvok("-v", "-x", "rel.srr"),
                       out=b"verify rel.srr\n" + b"".join(b" ++ : " + as_bytes(n) + b"\n" for n in names)
                       + passed(len(names)))
        for name in names:
            self.assertEqual((self.dir / name).read_bytes(), NFO, name)


if __name__ == "__main__":
    unittest.main()
