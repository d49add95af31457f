"""End-to-end tests of the .sfv that a run found intact: it is part of the
report, so -x leaves it as it is under any name that reaches it, while an
.sfv whose check failed is restored from the .srr like any other file."""

import os
import unittest

import harness
import srr_writer as w
from harness import CliCase, as_bytes, sfv
from test_srr import error, failed, line, passed

VOLUME = b"Rar! volume bytes"
NFO = b"Release notes\r\n"


def sfv_passed(count):
    return b".sfv passed (%d file%s)\n" % (count, b"" if count == 1 else b"s")


def found_intact(name):
    return error(b"'" + as_bytes(name) + b"' was not written: it is the .sfv that this run found intact.")


class ReportedList(CliCase):
    def test_a_list_that_passed_is_kept(self):
        good = sfv([("rel.r00", VOLUME)])
        other = sfv([("rel.r00", VOLUME)], comment=False)
        # label, the arguments before -v -x, the stored name of the .sfv, hard links (existing, new)
        cases = [
            ("named as an argument", ["rel.sfv", "rel.srr"], "rel.sfv", []),
            ("found by discovery", [], "rel.sfv", []),
            ("stored under another spelling", ["rel.sfv", "rel.srr"], "./rel.sfv", []),
            ("stored as a hard link's name", ["rel.sfv", "rel.srr"], "copy.sfv", [("rel.sfv", "copy.sfv")]),
        ]
        if harness.WINDOWS:
            cases.append(("stored in another case", ["rel.sfv", "rel.srr"], "REL.SFV", []))
        for label, args, stored, links in cases:
            with self.subTest(label):
                here = self.fresh(label)
                (here / "rel.r00").write_bytes(VOLUME)
                (here / "rel.sfv").write_bytes(good)
                for existing, new in links:
                    os.link(here / existing, here / new)
                (here / "rel.srr").write_bytes(w.srr([w.srr_header(), w.stored(stored, other),
                                                      w.stored("rel.nfo", NFO)]))
                self.assertRun(self.tarvok("-v", "-x", *args, cwd=here),
                               out=b"verify rel.sfv\n" + line("==", "rel.r00") + sfv_passed(1)
                               + b"\nverify rel.srr\n" + line("!=", stored) + line("++", "rel.nfo")
                               + failed(1, 2, mismatch=1),
                               err=found_intact(stored), status=1)
                self.assertEqual((here / "rel.sfv").read_bytes(), good)
                self.assertEqual((here / "rel.nfo").read_bytes(), NFO)
                self.assertEqual(sorted(os.listdir(here)),
                                 sorted(["rel.nfo", "rel.r00", "rel.sfv", "rel.srr"] + [n for _, n in links]))

    def test_a_list_that_failed_is_restored(self):
        good = sfv([("rel.r00", VOLUME)])
        damaged = sfv([("rel.r00", VOLUME + b"!")])
        here = self.dir
        self.write("rel.r00", VOLUME)
        self.write("rel.sfv", damaged)
        self.write("rel.srr", w.srr([w.srr_header(), w.stored("rel.sfv", good)]))
        self.assertRun(self.tarvok("-v", "-x", "rel.sfv", "rel.srr"),
                       out=b"verify rel.sfv\n" + line("!=", "rel.r00")
                       + b".sfv failed (1 mismatch; 0 passed out of 1 checked)\n"
                       + b"\nverify rel.srr\n" + line("~~", "rel.sfv") + passed(1), status=1)
        self.assertEqual((here / "rel.sfv").read_bytes(), good)
        self.assertRun(self.tarvok("-v", "rel.sfv"), out=b"verify rel.sfv\n" + line("==", "rel.r00") + sfv_passed(1))


if __name__ == "__main__":
    unittest.main()
