"""End-to-end tests of finding the checksum file in the working directory and its tie-breaks."""

import os
import re
import unittest

from harness import CliCase, WINDOWS, sfv, unprivileged_user

MANY_SFV = b"tarvok: warning: found multiple files with a .sfv extension; using best guess.\n"
# The C library's words for EACCES.
NOT_LISTED = b"tarvok: error: could not list the current working directory: Permission denied.\n"


def passed(name):
    return b"verify " + name.encode() + b"\n.sfv passed (1 file)\n"


class DiscoveryTest(CliCase):
    def populate(self, folder, names):
        """Each .sfv lists the one file good.bin, so every pick passes."""
        (folder / "good.bin").write_bytes(b"good")
        for name in names:
            data = sfv([("good.bin", b"good")]) if name.lower().endswith(".sfv") else b"#EXTM3U\n"
            (folder / name).write_bytes(data)

    def test_single_candidate_keeps_its_case(self):
        for name in ("A.SFV", "b.Sfv", "c.sfv", ".x.sfv", "my release.sfv"):
            with self.subTest(name=name):
                folder = self.fresh(name)
                self.populate(folder, [name, "c.sfv.bak", "notes.nfo", "list.m3u"])
                self.assertRun(self.tarvok("--sfv", cwd=folder), out=passed(name))

    def test_tie_breaks(self):
        table = [
            # the .m3u stem decides
            ("m3u", ["a.sfv", "b.sfv", "b.m3u"], "b.sfv"),
            ("m3u-case", ["a.sfv", "B.sfv", "B.m3u"], "B.sfv"),
            ("m3u-ext-case", ["a.sfv", "b.SFV", "b.M3U"], "b.SFV"),
            # the .m3u comes before the .nfo
            ("m3u-first", ["a.sfv", "b.sfv", "a.m3u", "b.nfo"], "a.sfv"),
            # the .nfo decides when the .m3u stem matches nothing
            ("nfo", ["a.sfv", "b.sfv", "a.nfo"], "a.sfv"),
            ("m3u-no-match", ["a.sfv", "b.sfv", "zzz.m3u", "b.nfo"], "b.sfv"),
            # stems compare with their case: B.m3u does not name b.sfv
            ("m3u-stem-case", ["a.sfv", "b.sfv", "B.m3u", "a.nfo"], "a.sfv"),
            # a file called ".sfv" is no candidate, so a.sfv is the only one
            ("dot-sfv", [".sfv", "a.sfv"], None),
        ]
        for label, names, chosen in table:
            with self.subTest(label=label):
                folder = self.fresh(label)
                self.populate(folder, names)
                expected = passed(chosen or "a.sfv")
                self.assertRun(self.tarvok(cwd=folder), out=expected,
                               err=MANY_SFV if chosen else b"")

    def test_directory_name_rule(self):
        table = [
            ("Artist-Album-2020", ["extra.sfv", "00-artist-album-2020.sfv"],
             "00-artist-album-2020.sfv"),
            ("Artist-Album-2020", ["extra.sfv", "00-ARTIST-Album-2020-X.sfv"],
             "00-ARTIST-Album-2020-X.sfv"),
            # the folder's stem stops at its last "."
            ("Show.Name-GRP", ["x.sfv", "my-show.sfv"], "my-show.sfv"),
            # an .m3u or .nfo that matches nothing leaves the decision to this rule
            ("Artist-Album-2020", ["extra.sfv", "artist-album-2020.sfv", "other.m3u", "other.nfo"],
             "artist-album-2020.sfv"),
        ]
        for index, (folder_name, names, chosen) in enumerate(table):
            with self.subTest(folder=folder_name, names=names):
                folder = self.fresh("case%d" % index) / folder_name
                folder.mkdir()
                self.populate(folder, names)
                self.assertRun(self.tarvok(cwd=folder), out=passed(chosen), err=MANY_SFV)

    def test_first_candidate_when_no_rule_decides(self):
        names = ["one.sfv", "two.sfv", "three.sfv"]
        self.populate(self.dir, names)
        run = self.tarvok()
        self.assertEqual((run.err, run.status), (MANY_SFV, 0))
        found = re.fullmatch(rb"verify (.*)\n\.sfv passed \(1 file\)\n", run.out)
        self.assertTrue(found, run.out)
        if not WINDOWS:
            # The program lists the folder the same way os.listdir does.
            first = [n for n in os.listdir(self.dir) if n in names][0]
            self.assertEqual(found.group(1), first.encode())
        else:
            self.assertIn(found.group(1).decode(), names)

    def test_directory_with_the_extension_is_a_candidate(self):
        os.mkdir(self.dir / "d.sfv")
        self.assertRun(self.tarvok(), err=b"tarvok: error: could not read from 'd.sfv'\n", status=1)
        # beside a real .sfv it makes two candidates
        self.populate(self.dir, ["a.sfv", "a.m3u"])
        self.assertRun(self.tarvok(), out=passed("a.sfv"), err=MANY_SFV)

    def test_many_playlists_and_infos_do_not_recurse_without_end(self):
        names = ["a.sfv", "b.sfv", "c.sfv", "a.m3u", "b.m3u", "a.nfo", "b.nfo"]
        self.populate(self.dir, names)
        run = self.tarvok(timeout=60)
        self.assertEqual((run.err, run.status), (MANY_SFV, 0))
        self.assertRegex(run.out, rb"\Averify [abc]\.sfv\n\.sfv passed \(1 file\)\n\Z")

    def test_an_unlistable_working_directory_is_reported(self):
        if WINDOWS:
            # Even as an ordinary user: wine starts a program whose folder it
            # cannot read in C:\ instead.
            self.skipTest("wine does not start a program in a folder it cannot read")
        user = unprivileged_user()
        # Searchable but not readable: the program can stand in it but not
        # list it, so it never looked for a candidate. (As nobody, who is not
        # the owner, 0300 leaves no right at all: the run starts there as
        # root and only then becomes nobody.)
        for mode in (0o311, 0o300):
            folder = self.fresh("mode%o" % mode)
            self.populate(folder, ["a.sfv"])
            os.chmod(folder, mode)
            self.addCleanup(os.chmod, folder, 0o755)
            for args in ([], ["--sfv"], ["--srr"]):
                with self.subTest(mode="%o" % mode, args=args):
                    self.assertRun(self.tarvok(*args, cwd=folder, user=user), err=NOT_LISTED, status=1)
        # Where it may search, a named checksum file is still verified.
        self.assertRun(self.tarvok("a.sfv", cwd=self.dir / "mode311", user=user), out=passed("a.sfv"))


if __name__ == "__main__":
    unittest.main()
